// Reference cases from an independent writer: RAF files of both byte orders
// and both real kinds, with the console answers and the exact report the run
// must write for them.
#include <gtest/gtest.h>

#include "support/programs.h"

namespace {

using namespace program_test;

struct Case {
  const char* folder;
  int exit_status;
};

class ReferenceCase : public testing::TestWithParam<Case> {};

TEST_P(ReferenceCase, ReportMatchesLineForLine) {
  const Case& c = GetParam();
  TempDir dir;
  test_support::copy_folder(kFixtures / c.folder, dir.path());
  const auto result = run_program(kVemrask, {"20"}, dir.path(), read_file(dir / "answers.txt"));
  EXPECT_EQ(result.exit_status, c.exit_status) << result.screen;

  const auto expected = lines_of(read_file(dir / "expected-report.txt"));
  const auto actual = lines_of(read_file(dir / "report.txt"));
  ASSERT_EQ(actual.size(), expected.size()) << read_file(dir / "report.txt");
  for (std::size_t k = 0; k < expected.size(); ++k) {
    if (k == 8) continue;  // the banner's maker line is the program's own
    EXPECT_EQ(actual[k], expected[k]) << "line " << k + 1;
  }
  // Every record ends with a line end; nothing follows the last one.
  const std::string text = read_file(dir / "report.txt");
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ReferenceCase,
                         testing::Values(Case{"leg-time", 0}, Case{"leg-static-bigendian", 0},
                                         Case{"not-a-raf-file", 1}),
                         [](const auto& info) {
                           std::string name = info.param.folder;
                           for (char& ch : name) {
                             if (ch == '-') ch = '_';
                           }
                           return name;
                         });

TEST(ReferenceCase, NotARafFileIsExplainedInTheLog) {
  TempDir dir;
  test_support::copy_folder(kFixtures / "not-a-raf-file", dir.path());
  const std::string before = read_file(dir / "notes.raf");
  const auto result = run_program(kVemrask, {"20"}, dir.path(), read_file(dir / "answers.txt"));
  EXPECT_EQ(result.exit_status, 1);
  const auto log = lines_of(read_file(dir / "raf.log"));
  ASSERT_GE(log.size(), 8u) << read_file(dir / "raf.log");
  EXPECT_EQ(log[0].rfind(" *** RAFLIB ERROR - ", 0), 0u) << log[0];
  EXPECT_NE(log[0].find(" - Routine RFIOLD:"), std::string::npos) << log[0];
  EXPECT_EQ(log[1], " *** File 0 / Msg_no 1020:");
  EXPECT_EQ(log[2], " *** File is not a RAFLIB file");
  EXPECT_EQ(log[3], "");
  EXPECT_EQ(log[4], " *** Error return from RAFOLD");
  const std::string all = read_file(dir / "raf.log");
  EXPECT_NE(
      all.find(
          "\n  *** ERROR IN INIRAF_0 ***\n      Error opening raf_file         :notes.raf\n\n"),
      std::string::npos)
      << all;
  EXPECT_EQ(read_file(dir / "notes.raf"), before);  // never written
}

}  // namespace
