// The real program on damaged input: every case of every family of the
// generator is run in a directory of its own and must meet the requirement
// (robustness/requirement.h).  One test per family; each failing case is
// reported with its name and what it broke.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

#include "robustness/damage.h"
#include "robustness/requirement.h"
#include "support/run_program.h"

namespace robustness {
namespace {

const std::string kBinary = VEMRASK_BINARY;

void run_family(const std::vector<Case>& cases) {
  ASSERT_FALSE(cases.empty());
  int exits[2] = {0, 0};
  double slowest = 0.0;
  std::string slowest_name;
  for (const Case& c : cases) {
    test_support::TempDir dir;
    const Outcome o = run_case(kBinary, c, dir.path());
    const std::string reference =
        c.same_report_as.empty() ? std::string() : reference_report(kBinary, c.same_report_as);
    if (!c.same_report_as.empty()) {
      ASSERT_FALSE(reference.empty()) << "the sound model " << c.same_report_as << " fails";
    }
    for (const std::string& v : violations(c, o, reference)) ADD_FAILURE() << c.name << ": " << v;
    if (o.run.exit_status == 0 || o.run.exit_status == 1) ++exits[o.run.exit_status];
    if (o.run.seconds > slowest) {
      slowest = o.run.seconds;
      slowest_name = c.name;
    }
  }
  std::printf("  %zu cases: %d ended with status 0, %d with status 1; slowest %.2f s (%s)\n",
              cases.size(), exits[0], exits[1], slowest, slowest_name.c_str());
}

TEST(DamagedInput, SoundModelsGiveAReport) {
  for (const Base& b : bases()) {
    EXPECT_NE(reference_report(kBinary, b.label).find("pCakeUtil"), std::string::npos) << b.label;
  }
}

TEST(DamagedInput, Truncation) {
  run_family(truncation_cases());
}
TEST(DamagedInput, KeyRecord) {
  run_family(key_record_cases());
}
TEST(DamagedInput, Mfp) {
  run_family(mfp_cases());
}
TEST(DamagedInput, Catalogue) {
  run_family(catalogue_cases());
}
TEST(DamagedInput, ModelArrays) {
  run_family(model_array_cases());
}
TEST(DamagedInput, NonFiniteValues) {
  run_family(non_finite_cases());
}
TEST(DamagedInput, StructureParameters) {
  run_family(structure_parameter_cases());
}
TEST(DamagedInput, FileVariants) {
  run_family(file_variant_cases());
}
TEST(DamagedInput, ListFiles) {
  run_family(list_file_cases());
}
TEST(DamagedInput, Answers) {
  run_family(answer_cases());
}
TEST(DamagedInput, WorkSpace) {
  run_family(work_space_cases());
}

// Each family is a group of distinct cases that pins down outcomes: a case
// name stands once in the whole set (a repeated name makes the failure
// report ambiguous), and every family has cases whose exit status is fixed,
// not only cases that must merely end cleanly.
TEST(DamagedInput, FamiliesAreDistinctAndDefinite) {
  std::set<std::string> names;
  std::size_t total = 0;
  for (const auto& [family, cases] : all_families()) {
    SCOPED_TRACE(family);
    total += cases.size();
    std::size_t definite = 0;
    for (const Case& c : cases) {
      EXPECT_TRUE(names.insert(c.name).second) << "case name used twice: " << c.name;
      if (c.expect != Expect::kEither) ++definite;
    }
    EXPECT_GT(definite, 0U) << "no case fixes its outcome";
  }
  std::printf("  %zu cases in all\n", total);
  EXPECT_GE(total, 500U);
}

}  // namespace
}  // namespace robustness
