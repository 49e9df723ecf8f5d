// The merge of part files against the report of one run: the same records
// written as one run's result table through write_report, and split into
// parts and merged, give the same output file byte for byte.
#include "driver/merge.h"

#include <gtest/gtest.h>

#include <ostream>

#include <random>

#include "driver/driver.h"
#include "driver/report.h"
#include "support/unit_capture.h"
#include "textio/textio.h"

namespace {

using campaign::FileRecord;
using campaign::Outcome;

constexpr int kUnit = 41;
const std::string kStepLines = "#    Up to Time         :        2.500\n";

// Records of a run of `count` files: element counts that vary (the last
// file's decides the report), sparse results, a few records all zero.
std::vector<FileRecord> make_records(int32_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<FileRecord> records;
  for (int32_t k = 1; k <= count; ++k) {
    FileRecord r;
    r.position = k;
    r.name = "load case " + std::to_string(k) + ".raf";
    r.list_line_length = static_cast<int32_t>(r.name.size()) - 4 + static_cast<int32_t>(k % 3);
    r.output = "  text of file " + std::to_string(k) + "\n";
    r.newlty = 1;
    const int32_t nel = 6 + static_cast<int32_t>(random() % 5);
    for (int32_t j = 1; j <= nel; ++j) r.melex.push_back(100 + j);
    std::vector<double> block(static_cast<std::size_t>(nel) * 10, 0.0);
    for (int32_t j = 1; j <= nel; ++j) {
      if (unit(random) < 0.3) continue;
      double* v = &block[static_cast<std::size_t>(j - 1) * 10];
      v[0] = 1.5 * unit(random);
      v[1] = 1 + random() % 2;
      v[2] = 1 + random() % 40;
      v[5] = unit(random) < 0.2 ? 0.0 : 10.0 * unit(random);
      v[6] = unit(random);
      v[7] = 1;
    }
    campaign::set_block(r, block, nel);
    records.push_back(std::move(r));
  }
  return records;
}

// The output file of one run over `records`, through the report code.
std::string sequential(const std::vector<FileRecord>& records, int32_t nsort) {
  test_support::UnitCapture out(kUnit);
  platform::write_record(kUnit, "");
  platform::write_record(kUnit, "");
  for (const std::string& line : driver::banner_lines()) platform::write_record(kUnit, line);
  bool ends = false;
  std::vector<const FileRecord*> reported;
  std::vector<std::string> skipped;
  for (std::size_t k = 0; k < records.size() && !ends; ++k) {
    const FileRecord& r = records[k];
    platform::write_captured(kUnit, k == 0 ? kStepLines + r.output : r.output);
    if (r.outcome == Outcome::kSkipped) skipped.push_back(r.name);
    if (r.outcome == Outcome::kChecked || r.outcome == Outcome::kPassFailed) reported.push_back(&r);
    ends = r.outcome == Outcome::kRunEnded ||
           (r.outcome == Outcome::kPassFailed && k + 1 < records.size());
  }
  if (!ends) {
    driver::ResultBlocks blocks(static_cast<int32_t>(reported.size()));
    std::vector<std::string> names;
    int32_t width = 0;
    for (std::size_t i = 0; i < reported.size(); ++i) {
      const FileRecord& r = *reported[i];
      const driver::PreparedBlock b = blocks.prepare(static_cast<int32_t>(i + 1), r.nel);
      campaign::fill_block(r, {b.values.data(), static_cast<std::size_t>(b.values.size())});
      names.push_back(textio::fixed(r.name, 256));
      width = std::max(width, r.list_line_length);
    }
    FileRecord last = reported.empty() ? FileRecord{} : *reported.back();
    if (skipped.empty()) {
      for (const FileRecord& r : records) width = std::max(width, r.list_line_length);
    }
    driver::write_report(blocks, static_cast<int32_t>(reported.size()), names, width, nsort,
                         last.nel, {last.melex.data(), static_cast<int64_t>(last.melex.size())},
                         last.newlty, kUnit);
    // The skipped list stands before the closing line.
    std::string text = out.text();
    if (!skipped.empty()) {
      std::string list;
      for (const std::string& n : skipped) list += "skipped " + n + "\n";
      text.insert(text.rfind("#   --------  e o f") - 1, "\n" + list);
    }
    return text;
  }
  return out.text();
}

// Writes `records` as parts of `per_part` files; the first record of every
// part carries the step lines, as the first file of each part run does.
std::vector<std::string> write_parts(const test_support::TempDir& dir,
                                     const std::vector<FileRecord>& records, int per_part) {
  std::vector<std::string> parts;
  for (std::size_t first = 0; first < records.size(); first += static_cast<std::size_t>(per_part)) {
    parts.push_back((dir / ("part " + std::to_string(parts.size() + 1))).string());
    campaign::RunHeader h;
    h.identity = campaign::RunIdentity::fresh("test");
    h.load_case = 1;
    h.step_limit_on = 1;
    h.step_limit = 2.5;
    h.first_kind = 1;
    h.step_lines = kStepLines;
    campaign::PartWriter writer;
    std::string error;
    EXPECT_TRUE(writer.open(parts.back(), h, error)) << error;
    const std::size_t end = std::min(records.size(), first + static_cast<std::size_t>(per_part));
    for (std::size_t k = first; k < end; ++k) {
      FileRecord r = records[k];
      if (k == first) {
        r.output = kStepLines + r.output;
        r.step_output = {0, kStepLines.size()};
      }
      EXPECT_TRUE(writer.add(r, error)) << error;
    }
    EXPECT_TRUE(writer.commit(error)) << error;
  }
  return parts;
}

struct MergeCase {
  const char* name;
  int32_t files;
  int per_part;
  int32_t nsort;
  std::vector<std::pair<int32_t, Outcome>> outcomes;  // file (1-based), outcome
  bool report;
};
void PrintTo(const MergeCase& c, std::ostream* os) {
  *os << c.name;
}

const MergeCase kCases[] = {
    {"one_part_per_file", 5, 1, -1, {}, true},
    {"parts_of_three", 8, 3, 4, {}, true},
    {"one_part", 4, 4, 0, {}, true},
    {"single_file", 1, 1, 2, {}, true},
    {"pass_failed_on_last_file", 4, 2, -1, {{4, Outcome::kPassFailed}}, true},
    {"pass_failed_in_the_middle", 6, 2, -1, {{3, Outcome::kPassFailed}}, false},
    {"run_ended_in_the_middle", 6, 4, -1, {{5, Outcome::kRunEnded}}, false},
    {"skipped_files", 7, 3, 3, {{1, Outcome::kSkipped}, {5, Outcome::kSkipped}}, true},
    {"every_file_skipped",
     3,
     1,
     -1,
     {{1, Outcome::kSkipped}, {2, Outcome::kSkipped}, {3, Outcome::kSkipped}},
     true},
};

class Merge : public testing::TestWithParam<MergeCase> {};

TEST_P(Merge, GivesTheOutputOfOneRun) {
  const MergeCase& c = GetParam();
  std::vector<FileRecord> records = make_records(c.files, static_cast<uint32_t>(c.files * 31));
  for (const auto& [file, outcome] : c.outcomes) {
    records[static_cast<std::size_t>(file - 1)].outcome = outcome;
  }
  const std::string expected = sequential(records, c.nsort);
  test_support::TempDir dir;
  const std::vector<std::string> parts = write_parts(dir, records, c.per_part);

  driver::MergePlan plan;
  std::string error;
  ASSERT_TRUE(driver::plan_merge(parts, plan, error)) << error;
  EXPECT_EQ(plan.report, c.report);
  test_support::UnitCapture out(kUnit);
  const auto skipped = [](const std::vector<driver::MergedSkip>& list, int unit) {
    platform::write_record(unit, "");
    for (const driver::MergedSkip& s : list) platform::write_record(unit, "skipped " + s.name);
  };
  const driver::MergeResult result = driver::write_merge(plan, c.nsort, kUnit, skipped, 1.0);
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(result.report, c.report);
  bool ended = false;
  int64_t at_or_above = 0;
  for (const FileRecord& r : records) {
    ended = ended || r.outcome == Outcome::kPassFailed || r.outcome == Outcome::kRunEnded;
    for (const campaign::ElementRecord& e : r.elements) {
      if (r.outcome != Outcome::kSkipped && e.values[0] >= 1.0) ++at_or_above;
    }
  }
  EXPECT_EQ(result.status, ended ? -1 : 0);
  if (c.report && !ended) {
    EXPECT_EQ(result.at_or_above, at_or_above);
  }
  EXPECT_EQ(out.text(), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Merge, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MergePartList, OneNameALine) {
  test_support::TempDir dir;
  test_support::write_file(dir / "parts.txt", "first part\r\n\n   \nsecond  \n third");
  std::vector<std::string> parts;
  std::string error;
  ASSERT_TRUE(driver::read_part_list((dir / "parts.txt").string(), parts, error)) << error;
  EXPECT_EQ(parts, (std::vector<std::string>{"first part", "second", " third"}));
  EXPECT_FALSE(driver::read_part_list((dir / "missing.txt").string(), parts, error));
  EXPECT_EQ(error, "list of parts " + (dir / "missing.txt").string() +
                       ": cannot be opened (No such file or directory)");
}

// Parts that cannot make one run are refused before anything is written.
TEST(MergeRefusal, NamesThePart) {
  test_support::TempDir dir;
  const std::vector<FileRecord> records = make_records(4, 7);
  std::vector<std::string> parts = write_parts(dir, records, 2);
  driver::MergePlan plan;
  std::string error;

  EXPECT_FALSE(driver::plan_merge({parts[0], parts[1], parts[0]}, plan, error));
  EXPECT_EQ(error, "part " + parts[0] + ": is the same part as " + parts[0] +
                       " (both come from one run); a part is merged once");

  test_support::TempDir other;
  campaign::RunHeader h;
  h.identity = campaign::RunIdentity::fresh("test");
  h.first_kind = 1;
  h.step_lines = "#    Checks Entire Load Case\n";
  const std::string odd = (other / "odd").string();
  campaign::PartWriter writer;
  ASSERT_TRUE(writer.open(odd, h, error) && writer.add(records[0], error) && writer.commit(error));
  EXPECT_FALSE(driver::plan_merge({parts[0], odd}, plan, error));
  EXPECT_EQ(error, "part " + odd + ": was checked with other step settings than part " + parts[0]);

  test_support::write_file(parts[1], "VEMRASK PART");
  EXPECT_FALSE(driver::plan_merge(parts, plan, error));
  EXPECT_EQ(error.rfind("part " + parts[1] + ": is truncated", 0), 0U) << error;
}

}  // namespace
