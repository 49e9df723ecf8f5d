// The program entry and the run dialogue, seen from outside: the real binary
// run in a directory of its own with answers on standard input.
#include <filesystem>

#include <gtest/gtest.h>

#include "support/programs.h"

namespace {

using namespace program_test;

const char* const kBanner =
    "\n\n"
    "------------------------------------------------\n"
    "------------------------------------------------\n"
    "------------------------------------------------\n"
    "-----         V e m  R a s k              ------\n"
    "-----  Checks pipes for pancake buckling  ------\n"
    "-----   Version 0.9-03 / Jun 29, 2023     ------\n"
    "-----      Made by the VemRask team       ------\n"
    "------------------------------------------------\n"
    "------------------------------------------------\n";

// A run that ends after the dialogue (no file listed, small work space).
test_support::RunResult run_dialogue(const TempDir& dir, const std::string& answers,
                                     std::vector<std::string> args = {"1"}) {
  return run_program(kVemrask, args, dir.path(), answers);
}

TEST(ProgramEntry, AllocationMessages) {
  TempDir dir;
  write_file(dir / "empty.lst", "");
  const std::string answers = "empty.lst\nout.txt\n\n";

  auto half = run_dialogue(dir, answers, {"0.5"});
  EXPECT_EQ(half.exit_status, 0);
  EXPECT_EQ(half.screen.rfind("\n\n 0.50 million words successfully allocated \n\n", 0), 0u)
      << half.screen;

  auto one_and_half = run_dialogue(dir, answers, {"1.5", "ignored"});
  EXPECT_EQ(one_and_half.exit_status, 0);
  EXPECT_EQ(one_and_half.screen.rfind("\n\n 1 million words successfully allocated \n\n", 0), 0u);

  auto default_size = run_dialogue(dir, answers, {});
  EXPECT_EQ(default_size.exit_status, 0);
  EXPECT_EQ(default_size.screen.rfind("\n\n 400 million words successfully allocated \n\n", 0), 0u);
}

TEST(ProgramEntry, SizeZeroOrNegativeIsRefused) {
  TempDir dir;
  const struct {
    const char* arg;
    const char* shown;
  } cases[] = {{"0", "0"}, {"-3", "-3000000"}, {"words", "0"}, {"1e20", "-2147483648"}};
  for (const auto& c : cases) {
    auto r = run_dialogue(dir, "", {c.arg});
    EXPECT_EQ(r.exit_status, 1) << c.arg;
    EXPECT_EQ(r.screen, std::string("\n The nwiwa value (") + c.shown + ") is zero or negative! \n")
        << c.arg;
  }
}

TEST(ProgramEntry, FailedAllocationIsReported) {
  TempDir dir;
  // 1000 million words (4 GB) cannot be had within a 512 MB address space.
  auto r = run_program(kVemrask, {"1000"}, dir.path(), "", 512);
  if (r.exit_status == 0 || r.screen.find("Allocating") == std::string::npos) {
    GTEST_SKIP() << "address-space limit not effective here (sanitizer build?)";
  }
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.screen,
            "\a\n\n ***************************************************** "
            "\n ******  Allocating 1000 million words failed!  ****** "
            "\n ***************************************************** \n\n");
}

TEST(RunDialogue, BannerScreenAndOutputFile) {
  TempDir dir;
  write_file(dir / "files.lst", "");
  auto r = run_dialogue(dir, "files.lst\nreport.txt\n3\n");
  EXPECT_EQ(r.exit_status, 0);
  const std::string expected_screen =
      std::string("\n\n 1 million words successfully allocated \n\n") + kBanner +
      " File containing RAF file names    :  " + " Give Output File Name             :  " +
      " Max elements in sorted list       :  " + "\n\n Prints     3 elements\n" +
      "\n ...Number of files found :      0\n\n";
  EXPECT_EQ(r.screen, expected_screen);
  EXPECT_EQ(read_file(dir / "report.txt").rfind(kBanner, 0), 0u);
}

TEST(RunDialogue, BlankSortedListLengthPrintsAll) {
  TempDir dir;
  write_file(dir / "files.lst", "");
  auto r = run_dialogue(dir, "files.lst\nreport.txt\n   \n");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_NE(r.screen.find("\n\n Prints all elements         \n\n\n"), std::string::npos)
      << r.screen;
}

TEST(RunDialogue, WrongListFileIsAskedAgain) {
  TempDir dir;
  write_file(dir / "files.lst", "");
  auto r = run_dialogue(dir, "nothere.lst\n  nothere2.lst  \nfiles.lst\nreport.txt\n\n");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_NE(r.screen.find(" File containing RAF file names    :  *** ERROR Opening file: "
                          "nothere.lst\n         Try once more !\n"),
            std::string::npos)
      << r.screen;
  EXPECT_NE(r.screen.find("*** ERROR Opening file:   nothere2.lst\n"), std::string::npos);
  EXPECT_NE(r.screen.find("Number of files found :      0"), std::string::npos);
}

TEST(RunDialogue, DirectoryAsListFileIsAskedAgain) {
  TempDir dir;
  std::filesystem::create_directory(dir / "sub");
  write_file(dir / "files.lst", "");
  auto r = run_dialogue(dir, "sub\nfiles.lst\nreport.txt\n\n");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_NE(r.screen.find("*** ERROR Opening file: sub\n"), std::string::npos) << r.screen;
}

TEST(RunDialogue, NotANumberStopsTheRun) {
  TempDir dir;
  write_file(dir / "files.lst", "");
  auto r = run_dialogue(dir, "files.lst\nreport.txt\nthree\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_NE(r.screen.find("\"three\" is not an integer"), std::string::npos) << r.screen;
  EXPECT_EQ(r.screen.find("Number of files found"), std::string::npos);
}

TEST(RunDialogue, EndOfInputStopsTheRun) {
  TempDir dir;
  write_file(dir / "files.lst", "");
  for (const char* answers : {"", "files.lst\n", "files.lst\nreport.txt\n", "missing.lst\n"}) {
    auto r = run_dialogue(dir, answers);
    EXPECT_EQ(r.exit_status, 1) << answers;
    EXPECT_NE(r.screen.find("the input has ended"), std::string::npos) << r.screen;
  }
}

TEST(RunDialogue, OutputFileThatCannotBeOpenedEndsTheRun) {
  TempDir dir;
  write_file(dir / "files.lst", "");
  auto r = run_dialogue(dir, "files.lst\nno/such/dir/report.txt\n");
  EXPECT_EQ(r.exit_status, 1);
  // The run ends at once, with no message of its own before the status.
  const std::string tail =
      " Give Output File Name             :  \n Return value from vemrask: -1 \n";
  ASSERT_GE(r.screen.size(), tail.size());
  EXPECT_EQ(r.screen.substr(r.screen.size() - tail.size()), tail) << r.screen;
  EXPECT_FALSE(std::filesystem::exists(dir / "raf.log"));
}

}  // namespace
