// The report: summary, sorted lists and closing line, compared as text.
#include "driver/report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <numeric>
#include <random>

#include "support/run_program.h"
#include "support/unit_capture.h"
#include "textio/textio.h"

namespace {

using driver::ResultBlocks;
using test_support::UnitCapture;

constexpr int kUnit = 41;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string> names(std::initializer_list<const char*> list) {
  std::vector<std::string> out;
  for (const char* n : list) out.push_back(textio::fixed(n, 256));
  return out;
}

// Values 1..8 of element j: utilisation, end, step, 0, 0, step value,
// displacement, load case.
struct Rec {
  double u, end, step, v6, v7, v8;
};
void put(driver::PreparedBlock& b, int64_t j, const Rec& r) {
  const double v[8] = {r.u, r.end, r.step, 0.0, 0.0, r.v6, r.v7, r.v8};
  for (int k = 0; k < 8; ++k) b.values((j - 1) * 10 + k + 1) = v[k];
}

struct Model {
  std::vector<int32_t> melex;
  dms::Vec1<int32_t> view() { return {melex.data(), static_cast<int64_t>(melex.size())}; }
};

// The platform leg of the reference cases: 14 elements, results at 4 of them.
Model leg_model() {
  Model m;
  for (int k = 1001; k <= 1011; ++k) m.melex.push_back(k);
  for (int k : {2001, 2002, 9001}) m.melex.push_back(k);
  return m;
}
void fill_leg(ResultBlocks& blocks, const double u[4], double step, double disp, double lc) {
  driver::PreparedBlock b = blocks.prepare(1, 14);
  const int positions[4] = {2, 5, 6, 9};
  for (int k = 0; k < 4; ++k) put(b, positions[k], {u[k], 2, 3, step, disp, lc});
}

// A report text kept in tests/data/golden.
std::string golden(const std::string& name) {
  return test_support::read_file(std::filesystem::path(VEMRASK_TEST_DATA) / "golden" / name);
}

std::string report(const ResultBlocks& blocks, int32_t nfiles, const std::vector<std::string>& fn,
                   int32_t longest, int32_t nsort, Model& m, int32_t newlty) {
  UnitCapture out(kUnit);
  driver::write_report(blocks, nfiles, fn, longest, nsort, static_cast<int32_t>(m.melex.size()),
                       m.view(), newlty, kUnit);
  return out.text();
}

// Lines of the sorted list of every file (after each list heading).
std::vector<std::vector<std::string>> list_lines(const std::string& text) {
  std::vector<std::vector<std::string>> lists;
  bool in_list = false;
  for (const std::string& line : test_support::lines_of(text)) {
    if (line.rfind("        Elem    pCakeUtil", 0) == 0) {
      lists.emplace_back();
      in_list = true;
    } else if (line.empty()) {
      in_list = false;
    } else if (in_list) {
      lists.back().push_back(line);
    }
  }
  return lists;
}

TEST(Report, RebuildsTheTimeDomainReferenceReport) {
  ResultBlocks blocks(1);
  const double u[4] = {0.422, 0.476, 0.516, 0.602};
  fill_leg(blocks, u, 2.0, 0.64, 1);
  Model m = leg_model();
  const std::string expected = golden("report-time-domain.txt");
  EXPECT_EQ(report(blocks, 1, names({"legtime.raf"}), 7, -1, m, 1), expected);
}

TEST(Report, RebuildsTheStaticReferenceReport) {
  ResultBlocks blocks(1);
  const double u[4] = {0.348, 0.392, 0.425, 0.497};
  fill_leg(blocks, u, 0.6, 0.26, 2);
  Model m = leg_model();
  const std::string expected = golden("report-static.txt");
  EXPECT_EQ(report(blocks, 1, names({"legstat.raf"}), 11, 5, m, 2), expected);
}

TEST(Report, WithoutFilesWritesTheTimeHeadingAndTheClosingLine) {
  ResultBlocks blocks(1);
  Model m;
  EXPECT_EQ(report(blocks, 0, {}, 0, -1, m, 0), golden("report-no-files.txt"));
}

TEST(Report, EqualHighestUtilisationNamesTheLowerPosition) {
  ResultBlocks blocks(1);
  driver::PreparedBlock b = blocks.prepare(1, 4);
  put(b, 2, {0.8, 1, 5, 1.5, 0.1, 1});
  put(b, 3, {0.3, 1, 5, 1.5, 0.1, 1});
  put(b, 4, {0.8, 2, 7, 2.5, 0.2, 1});
  Model m{{10, 20, 30, 40}};
  const std::string text = report(blocks, 1, names({"a.raf"}), 1, 2, m, 1);
  EXPECT_NE(text.find("   1  a     0.800          20     1.500     0.100\n"), std::string::npos)
      << text;
  const auto lists = list_lines(text);
  ASSERT_EQ(lists.size(), 1U);
  EXPECT_EQ(lists[0], (std::vector<std::string>{"          20     0.800     1.500",
                                                "          40     0.800     2.500"}));
}

TEST(Report, SummaryElementIsTheNearestIntegerAndNameFieldFollowsItsWidth) {
  // Value 8 of the summary row is the element number; rows set by hand.
  struct Case {
    double v8;
    const char* field;
  };
  const Case cases[] = {{1234.0, "        1234"},   {-2.5, "          -3"}, {2.5, "           3"},
                        {0.49, "           0"},     {kNaN, "           0"}, {1e12, "  2147483647"},
                        {-HUGE_VAL, " -2147483648"}};
  driver::SummaryTable table;
  for (const Case& c : cases) {
    driver::SummaryRow row{};
    row[7] = c.v8;
    table.push_back(row);
  }
  std::vector<std::string> fn = names({"run1", "abcdefgh.raf"});
  fn.resize(std::size(cases), textio::fixed("x.raf", 256));
  UnitCapture out(kUnit);
  driver::write_summary(table, static_cast<int32_t>(table.size()), fn, 4, 0, kUnit);
  const std::vector<std::string> lines = test_support::lines_of(out.text());
  ASSERT_EQ(lines.size(), 3 + std::size(cases));
  EXPECT_EQ(lines[2], "# File  Nam  pCakeUtil       Elem    Level    GlbDisp");
  EXPECT_EQ(lines[3].substr(0, 10), "   1      ");  // run1: blank name field
  EXPECT_EQ(lines[4].substr(0, 10), "   2  abcd");  // cut to the width
  EXPECT_EQ(lines[5].substr(0, 10), "   3  x   ");
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    EXPECT_EQ(lines[3 + k].substr(20, 12), cases[k].field) << cases[k].v8;
  }
}

TEST(Report, ListLengthIsCutToTheElementCount) {
  ResultBlocks blocks(2);
  for (int32_t file = 1; file <= 2; ++file) {
    driver::PreparedBlock b = blocks.prepare(file, 3);
    for (int j = 1; j <= 3; ++j) put(b, j, {0.1 * j, 1, 1, 1.0, 0.0, 1});
  }
  Model m{{1, 2, 3}};
  const std::vector<std::string> fn = names({"a.raf", "b.raf"});
  struct Case {
    int32_t nsort;
    std::size_t listed;
  };
  for (const Case c : {Case{-1, 3}, Case{-7, 3}, Case{2, 2}, Case{3, 3}, Case{50, 3}}) {
    const auto lists = list_lines(report(blocks, 2, fn, 1, c.nsort, m, 1));
    ASSERT_EQ(lists.size(), 2U) << c.nsort;
    EXPECT_EQ(lists[0].size(), c.listed) << c.nsort;
    EXPECT_EQ(lists[1].size(), c.listed) << c.nsort;
  }
  const std::string none = report(blocks, 2, fn, 1, 0, m, 1);
  EXPECT_EQ(none.find("# File no"), std::string::npos);
  const std::string tail =
      "   2  b     0.300           3     1.000     0.000\n\n#   --------  e o f --------  \n";
  ASSERT_GE(none.size(), tail.size());
  EXPECT_EQ(none.substr(none.size() - tail.size()), tail);
}

TEST(Report, HeadingValuesCarryOverFromFileToFile) {
  ResultBlocks blocks(3);
  // File 1: nothing above 1.0E-9 (1.0E-9 itself does not count): zeros.
  driver::PreparedBlock b = blocks.prepare(1, 3);
  put(b, 3, {0.1, 1, 1, 1.0e-9, 9.0, 9});
  // File 2: the last element with a step value sets load case and displacement.
  b = blocks.prepare(2, 3);
  put(b, 1, {0.9, 1, 4, 0.7, 0.33, 3});
  put(b, 2, {0.95, 1, 2, 0.4, 0.22, 2.5});
  // File 3: no step values; the step value is that of file 2's last listed
  // element (element 1), the rest from file 2's heading.
  b = blocks.prepare(3, 3);
  Model m{{1, 2, 3}};
  const std::string text = report(blocks, 3, names({"a.raf", "b.raf", "c.raf"}), 1, 2, m, 0);
  const std::string head1 =
      "  Load Case           :          0\n"
      "  Highest Load Level  :      0.000\n"
      "  Global Displacement :      0.000\n";
  const std::string head2 =
      "  Load Case           :          3\n"
      "  Highest Load Level  :      0.400\n"
      "  Global Displacement :      0.220\n";
  const std::string head3 =
      "  Load Case           :          3\n"
      "  Highest Load Level  :      0.700\n"
      "  Global Displacement :      0.220\n";
  const std::size_t p1 = text.find("a.raf\n");
  const std::size_t p2 = text.find("b.raf\n");
  const std::size_t p3 = text.find("c.raf\n");
  ASSERT_TRUE(p1 != std::string::npos && p2 != std::string::npos && p3 != std::string::npos);
  EXPECT_NE(text.find(head1, p1), std::string::npos);
  EXPECT_LT(text.find(head1, p1), p2);
  EXPECT_NE(text.find(head2, p2), std::string::npos);
  EXPECT_LT(text.find(head2, p2), p3);
  EXPECT_NE(text.find(head3, p3), std::string::npos);
  EXPECT_EQ(list_lines(text)[1], (std::vector<std::string>{"           2     0.950     0.400",
                                                           "           1     0.900     0.700"}));
}

TEST(Report, LoadCaseOfALaterElementWithBadValueIsDefined) {
  ResultBlocks blocks(1);
  driver::PreparedBlock b = blocks.prepare(1, 2);
  put(b, 1, {0.2, 1, 1, 0.5, 0.1, 4});
  put(b, 2, {0.1, 1, 1, 0.6, 0.1, kNaN});
  Model m{{1, 2}};
  EXPECT_NE(
      report(blocks, 1, names({"a.raf"}), 1, -1, m, 0).find("  Load Case           :          0\n"),
      std::string::npos);
}

TEST(Report, NewltyOfTheLastFileSetsEveryHeading) {
  ResultBlocks blocks(2);
  blocks.prepare(1, 1);
  blocks.prepare(2, 1);
  Model m{{1}};
  const std::vector<std::string> fn = names({"a.raf", "b.raf"});
  const std::string time = report(blocks, 2, fn, 1, -1, m, 1);
  EXPECT_EQ(time.find("Level"), std::string::npos);
  EXPECT_EQ(time.find("Load Case"), std::string::npos);
  EXPECT_NE(time.find("Elem    Time     GlbDisp"), std::string::npos);
  EXPECT_EQ(list_lines(time).size(), 2U);
  for (const int32_t newlty : {0, 2, -1}) {
    const std::string level = report(blocks, 2, fn, 1, -1, m, newlty);
    EXPECT_EQ(level.find("Time"), std::string::npos) << newlty;
    EXPECT_NE(level.find("Elem    Level    GlbDisp"), std::string::npos) << newlty;
  }
}

TEST(Report, EarlierFileWithFewerElementsListsZerosForTheRest) {
  ResultBlocks blocks(2);
  driver::PreparedBlock b = blocks.prepare(1, 1);
  put(b, 1, {0.5, 1, 1, 1.0, 0.0, 1});
  b = blocks.prepare(2, 3);
  Model m{{7, 8, 9}};
  const auto lists = list_lines(report(blocks, 2, names({"a.raf", "b.raf"}), 1, -1, m, 1));
  ASSERT_EQ(lists.size(), 2U);
  EXPECT_EQ(lists[0], (std::vector<std::string>{"           7     0.500     1.000",
                                                "           8     0.000     0.000",
                                                "           9     0.000     0.000"}));
}

TEST(Report, TenThousandElementsAllListedInOrder) {
  constexpr int32_t kNel = 10000;
  ResultBlocks blocks(1);
  driver::PreparedBlock b = blocks.prepare(1, kNel);
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> pick(0, 999);
  for (int32_t j = 1; j <= kNel; ++j) put(b, j, {pick(gen) / 1000.0, 1, 1, 1.0, 0.0, 1});
  Model m;
  m.melex.resize(kNel);
  std::iota(m.melex.begin(), m.melex.end(), 1);
  const std::vector<std::string> fn = names({"big.raf"});
  UnitCapture out(kUnit);
  // Its time is the Report benchmark's (bench/micro_benchmarks.cpp).
  driver::write_report(blocks, 1, fn, 3, -1, kNel, m.view(), 1, kUnit);
  const auto lists = list_lines(out.text());
  ASSERT_EQ(lists.size(), 1U);
  ASSERT_EQ(lists[0].size(), static_cast<std::size_t>(kNel));
  // Descending utilisation, equal ones in ascending element order.
  for (std::size_t k = 1; k < lists[0].size(); ++k) {
    const double u0 = std::stod(lists[0][k - 1].substr(12));
    const double u1 = std::stod(lists[0][k].substr(12));
    ASSERT_TRUE(u0 > u1 || (u0 == u1 && std::stoi(lists[0][k - 1]) < std::stoi(lists[0][k])))
        << lists[0][k - 1] << " / " << lists[0][k];
  }
}

// ---- SELSRT -----------------------------------------------------------------

// The selection written out round by round.  A round that takes nothing (no
// value beyond the limit left) takes the lowest position not yet taken.
std::vector<int32_t> literal_selection(const std::vector<double>& v, int32_t n, int32_t dir) {
  const double limit = static_cast<double>(1.0e35F);
  std::vector<int32_t> index(static_cast<std::size_t>(n), 0);
  if (dir != 1 && dir != -1) return index;
  std::vector<bool> taken(v.size() + 1, false);
  for (int32_t r = 0; r < n; ++r) {
    double best = dir == 1 ? -limit : limit;
    int32_t pick = 0;
    for (int32_t l = 1; l <= static_cast<int32_t>(v.size()); ++l) {
      if (taken[static_cast<std::size_t>(l)]) continue;
      const double x = v[static_cast<std::size_t>(l - 1)];
      if (dir == 1 ? x > best : x < best) {
        best = x;
        pick = l;
      }
    }
    if (pick == 0) {
      for (pick = 1; taken[static_cast<std::size_t>(pick)]; ++pick) {
      }
    }
    taken[static_cast<std::size_t>(pick)] = true;
    index[static_cast<std::size_t>(r)] = pick;
  }
  return index;
}

std::vector<int32_t> selsrt(std::vector<double> v, int32_t n, int32_t dir) {
  std::vector<int32_t> index(static_cast<std::size_t>(n), -5);  // must all be overwritten
  driver::SELSRT({v.data(), static_cast<int64_t>(v.size())},
                 {index.data(), static_cast<int64_t>(index.size())}, static_cast<int32_t>(v.size()),
                 n, dir);
  return index;
}

TEST(Selsrt, GivesTheOrderOfTheRoundByRoundSelection) {
  std::mt19937 gen(2024);
  const double special[] = {
      kNaN,    -1.0e36, 1.0e36,  static_cast<double>(-1.0e35F), static_cast<double>(1.0e35F),
      -1.0e35, -0.0,    HUGE_VAL};
  for (int trial = 0; trial < 200; ++trial) {
    const int count = std::uniform_int_distribution<int>(0, 60)(gen);
    std::vector<double> v(static_cast<std::size_t>(count));
    for (double& x : v) {
      const int r = std::uniform_int_distribution<int>(0, 19)(gen);
      x = r < static_cast<int>(std::size(special)) ? special[r] : 0.25 * (r % 5);  // many ties
    }
    for (const int32_t dir : {1, -1}) {
      for (const int32_t n : {0, 1, count / 2, count}) {
        if (n > count) continue;
        EXPECT_EQ(selsrt(v, n, dir), literal_selection(v, n, dir))
            << "trial " << trial << " dir " << dir << " n " << n;
      }
    }
  }
}

TEST(Selsrt, UnrankableValuesComeLastAndOtherDirectionsClear) {
  const std::vector<double> v = {0.5,     kNaN, -1.0e36, 0.5, static_cast<double>(-1.0e35F),
                                 -1.0e35, 0.7};
  // -1.0E35 as a double lies above the single-precision limit and is ranked.
  EXPECT_EQ(selsrt(v, 7, 1), (std::vector<int32_t>{7, 1, 4, 6, 2, 3, 5}));
  EXPECT_EQ(selsrt(v, 7, -1), (std::vector<int32_t>{3, 5, 6, 1, 4, 7, 2}));
  EXPECT_EQ(selsrt(v, 3, 0), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(selsrt(v, 3, 2), (std::vector<int32_t>{0, 0, 0}));
}

}  // namespace
