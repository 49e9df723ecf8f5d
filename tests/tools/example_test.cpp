// The shipped example, written by mkraf and checked by VemRask: the run
// completes, lists the thickness transitions of the frame, and gives
// utilisations in the range the example is made for.  The same models
// written with the indexed MSTRU layout, 4-byte reals or the other byte order
// must give the same report.
#include <gtest/gtest.h>

#include <sstream>

#include "support/programs.h"

namespace {

using namespace program_test;

/// Writes both example files with `options`, runs VemRask as examples/run
/// does and returns the report.
std::string run_example(const TempDir& dir, const std::vector<std::string>& options) {
  for (const char* model : {"frame-time", "frame-static"}) {
    std::vector<std::string> args = options;
    args.insert(args.end(), {"-o", std::string(model) + ".raf",
                             (kExamples / (std::string(model) + ".txt")).string()});
    const auto made = run_program(kMkraf, args, dir.path(), "");
    EXPECT_EQ(made.exit_status, 0) << made.errors;
  }
  fs::copy_file(kExamples / "files.lst", dir / "files.lst");
  const auto run = run_program(kVemrask, {"50"}, dir.path(), read_file(kExamples / "answers.txt"));
  EXPECT_EQ(run.exit_status, 0) << run.screen;
  return read_file(dir / "report.txt");
}

TEST(Example, RunsAndGivesUtilisationsInItsRange) {
  TempDir dir;
  const std::string report = run_example(dir, {});
  const auto lines = lines_of(report);

  // Per leg: tube ends at both cans, the tube below the cone, the cone's
  // thin end into the top section; two files, four legs.
  int checked = 0;
  for (const std::string& line : lines) {
    std::istringstream in(line);
    int element = 0;
    int end = 0;
    double dt = 0;
    if (in >> element >> end >> dt && (end == 1 || end == 2) && dt > 30.0) ++checked;
  }
  EXPECT_EQ(checked, 2 * 4 * 6) << report;

  std::vector<double> highest;
  for (std::size_t k = 0; k + 2 < lines.size(); ++k) {
    if (lines[k].rfind("# File  Name", 0) != 0) continue;
    for (std::size_t j = k + 1; j <= k + 2; ++j) {
      std::istringstream in(lines[j]);
      int file = 0;
      std::string name;
      double u = 0;
      ASSERT_TRUE(in >> file >> name >> u) << lines[j];
      highest.push_back(u);
    }
  }
  ASSERT_EQ(highest.size(), 2U) << report;
  for (const double u : highest) {
    EXPECT_GT(u, 0.1);
    EXPECT_LT(u, 0.9);
  }
}

TEST(Example, WriterOptionsGiveTheSameReport) {
  // 4-byte reals may change the last decimal or the order of equal values,
  // so they are compared among themselves.
  using Options = std::vector<std::string>;
  const std::vector<std::pair<Options, Options>> pairs = {
      {{}, {"--indexed"}},
      {{}, {"--big-endian"}},
      {{"--re"}, {"--re", "--big-endian", "--indexed"}},
  };
  for (const auto& [a, b] : pairs) {
    TempDir first;
    TempDir second;
    const std::string expected = run_example(first, a);
    EXPECT_EQ(run_example(second, b), expected) << b.front() << " .. " << b.back();
  }
}

}  // namespace
