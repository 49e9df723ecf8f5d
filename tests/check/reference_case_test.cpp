// The reference cases: the model and result arrays of their RAF files
// (decoded to text in data/) through both passes, against the element table
// and the utilisations of the report that the whole program must write for
// them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "check/check.h"
#include "check_model.h"
#include "support/case_name.h"
#include "textio/textio.h"

namespace {

using check_test::iv;
using check_test::rv;
using check_test::UnitCapture;

constexpr int kOut = 44;

struct Arrays {
  std::map<std::string, std::vector<int32_t>> ints;
  std::map<std::string, std::vector<double>> reals;
};

Arrays load(const std::string& file) {
  Arrays a;
  std::ifstream in(file);
  EXPECT_TRUE(in) << file;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream head(line);
    std::string name;
    std::size_t count = 0;
    head >> name >> count;
    const bool real = name[0] == 'T';
    for (std::size_t i = 0; i < count && std::getline(in, line); ++i) {
      if (real) {
        a.reals[name].push_back(std::stod(line));
      } else {
        a.ints[name].push_back(std::stoi(line));
      }
    }
  }
  return a;
}

std::vector<std::string> report_lines(const std::string& fixture) {
  std::ifstream in(std::string(VEMRASK_TEST_DATA) + "/fixtures/" + fixture +
                   "/expected-report.txt");
  EXPECT_TRUE(in);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Reference {
  const char* arrays;
  const char* fixture;
  int32_t load_case, flag;
  double limit;
  int32_t last_step;
  int listed;                // elements in the report's sorted list
  const char* displacement;  // of the summary's element 1009
  double step;               // at which 1009 governs
};

class ReferenceCase : public testing::TestWithParam<Reference> {};

TEST_P(ReferenceCase, TableAndUtilisations) {
  const Reference& ref = GetParam();
  Arrays a = load(std::string(CHECK_TEST_DATA) + "/" + ref.arrays);
  auto& par = a.ints["PAR"];
  ASSERT_EQ(par.size(), 6u);
  const int32_t nel = par[0], mxmapr = par[1], mxgepr = par[2], mxglpr = par[3], lststo = par[4];
  auto I = [&](const char* n) { return iv(a.ints[n]); };
  auto R = [&](const char* n) { return rv(a.reals[n]); };

  std::vector<double> block(10000 * 10, 0.0);
  std::string table;
  std::string screen;
  int32_t status = 0;
  {
    UnitCapture out(kOut);
    check::VemRask_04(nel, I("MELTYP"), I("MGETYP"), I("MELGEO"), I("MNPC"), I("MPMNPC"),
                      R("TCOORD"), R("TCRGEO"), mxgepr, I("MELEX"), kOut, status);
    ASSERT_EQ(status, 0);
    auto forces = [&](int32_t step, int32_t& recall_status) -> check::RealVec {
      auto it = a.reals.find("TFLE." + std::to_string(step));
      if (it == a.reals.end()) {
        recall_status = -1;
        return {};
      }
      return rv(it->second);
    };
    testing::internal::CaptureStdout();
    check::result_step_pass(I("MGLRES"), R("TGLRES"), mxglpr, lststo, nel, I("MELTYP"), I("MELEX"),
                            I("MELMAT"), I("MATYP"), mxmapr, R("TMAPA"), I("MELGEO"), I("MGETYP"),
                            mxgepr, R("TCRGEO"), I("MPEVEC"), R("TGEPA"), rv(block), 10, forces,
                            ref.load_case, ref.flag, ref.limit, I("MNPC"), I("MPMNPC"), R("TCOORD"),
                            kOut, status);
    platform::flush_all_units();
    screen = testing::internal::GetCapturedStdout();
    table = out.text();
  }
  EXPECT_EQ(status, 0);
  EXPECT_EQ(screen, "\n Checking up to step : " + textio::int_field(ref.last_step, 5) + "\n");

  // The element table: the report from the banner's empty lines to the
  // blank lines before the summary.
  const std::vector<std::string> lines = report_lines(ref.fixture);
  std::size_t first = 0;
  while (first < lines.size() && lines[first].find("P a n C a k e") == std::string::npos) ++first;
  ASSERT_GE(first, 2u);
  std::string expected;
  for (std::size_t i = first - 2; i < lines.size() && lines[i].rfind("# File ", 0) != 0; ++i) {
    expected += lines[i] + "\n";
  }
  // The table ends with the last element line; the two empty lines after it
  // belong to the summary heading.
  ASSERT_GE(expected.size(), 2u);
  expected.resize(expected.size() - 2);
  EXPECT_EQ(table, expected);

  // The sorted list: external number, utilisation and time of every element.
  std::map<int32_t, int32_t> position;
  for (int32_t e = 1; e <= nel; ++e) position[a.ints["MELEX"][static_cast<std::size_t>(e - 1)]] = e;
  std::size_t heading = 0;
  while (heading < lines.size() && lines[heading].find("Elem    pCakeUtil") == std::string::npos) {
    ++heading;
  }
  int listed = 0;
  for (std::size_t i = heading + 1; i < lines.size() && !lines[i].empty(); ++i, ++listed) {
    const std::string& l = lines[i];
    ASSERT_EQ(l.size(), 32u) << l;
    const int32_t external = std::stoi(l.substr(0, 12));
    ASSERT_EQ(position.count(external), 1u) << l;
    const std::size_t base = static_cast<std::size_t>(10 * (position[external] - 1));
    SCOPED_TRACE(l);
    EXPECT_EQ(textio::fixed_field(block[base], 10, 3), l.substr(12, 10));
    EXPECT_EQ(textio::fixed_field(block[base + 5], 10, 3), l.substr(22, 10));
  }
  EXPECT_EQ(listed, ref.listed);

  // The summary line names 1009 with its global displacement.
  const std::size_t base = static_cast<std::size_t>(10 * (position[1009] - 1));
  EXPECT_EQ(textio::fixed_field(block[base + 6], 10, 3), ref.displacement);
  EXPECT_EQ(block[base + 2], ref.step);
}

// leg-time: time domain to the end (load case 1, no limit); time 2.000 is
// step 8.  leg-static-bigendian: load case 2 up to level 0.6, reached at
// step 5.
INSTANTIATE_TEST_SUITE_P(Fixtures, ReferenceCase,
                         testing::Values(Reference{"leg-time-arrays.txt", "leg-time", 1, 0, 0.0, 8,
                                                   14, "     0.640", 8.0},
                                         Reference{"leg-static-arrays.txt", "leg-static-bigendian",
                                                   2, 1, 0.6, 5, 5, "     0.260", 5.0}),
                         [](const auto& info) {
                           return test_support::case_name(info.param.fixture);
                         });

}  // namespace
