// The output side under faults: the output file or raf.log cannot be
// created, or cannot be written (a full disk, simulated by a link to
// /dev/full, or a file size limit).  Every such run ends with exit status 1
// and a message on the screen that names the file; none passes for a
// completed run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "robustness/damage.h"
#include "robustness/requirement.h"
#include "support/run_program.h"

namespace robustness {
namespace {

namespace fs = std::filesystem;
using test_support::TempDir;
using test_support::write_file;

const std::string kBinary = VEMRASK_BINARY;

// An output file or raf.log that cannot be opened ends the run with its
// status alone: no message, no report.  What the screen shows then.
const std::string kEndsAtOutputFile =
    "Give Output File Name             :  \n Return value from vemrask: -1 \n";
const std::string kEndsBeforeTheFirstFile =
    " ...Number of files found :      1\n\n\n Return value from vemrask: -1 \n";

bool has_full_device() {
  std::ofstream probe("/dev/full");
  return probe.good();
}

struct Scenario {
  const char* name;
  /// Prepares the run directory (the RAF files and the list are there).
  void (*prepare)(const fs::path& dir);
  const char* output;  ///< the answer to the output-file question
  const char* list;    ///< list file contents
  /// Texts the screen must show.
  std::vector<std::string> screen;
};

void none(const fs::path&) {}
void output_to_full(const fs::path& dir) {
  fs::create_symlink("/dev/full", dir / "report.txt");
}
void log_to_full(const fs::path& dir) {
  fs::create_symlink("/dev/full", dir / "raf.log");
}
void both_to_full(const fs::path& dir) {
  output_to_full(dir);
  log_to_full(dir);
}
void output_is_directory(const fs::path& dir) {
  fs::create_directory(dir / "report.txt");
}
void log_is_directory(const fs::path& dir) {
  fs::create_directory(dir / "raf.log");
}
void output_link_dangles(const fs::path& dir) {
  fs::create_symlink("no/such/dir/report.txt", dir / "report.txt");
}

class OutputFaults : public testing::Test {
 protected:
  void SetUp() override {
    if (!has_full_device()) GTEST_SKIP() << "no /dev/full here";
  }

  // Runs the time model (listed as the list says) with the output answer.
  Outcome run(const Scenario& s, const TempDir& dir) {
    const Base& b = base("time");
    write_file(dir / "good.raf", b.image);
    write_file(dir / "bad.raf", "not a RAF file\n");
    write_file(dir / "files.lst", s.list);
    s.prepare(dir.path());
    Case c;
    c.name = s.name;
    c.answers = answers_for(b, "files.lst", s.output);
    c.output = "report.txt";
    return run_case(kBinary, c, dir.path());
  }
};

TEST_F(OutputFaults, EndWithAMessageAndStatus1) {
  const std::string written = "the output file could not be written (error flag 28)";
  const std::string log_written = "raf.log could not be written (error flag 28)";
  const std::vector<Scenario> scenarios = {
      {"report-on-full-disk", output_to_full, "report.txt", "good.raf\n", {written}},
      {"report-on-full-disk-failed-run", output_to_full, "report.txt", "bad.raf\n", {written}},
      {"log-on-full-disk", log_to_full, "report.txt", "bad.raf\n", {log_written}},
      {"both-on-full-disk", both_to_full, "report.txt", "bad.raf\n", {written, log_written}},
      {"report-is-directory", output_is_directory, "report.txt", "good.raf\n", {kEndsAtOutputFile}},
      {"report-under-a-file", none, "files.lst/report.txt", "good.raf\n", {kEndsAtOutputFile}},
      {"report-link-dangles", output_link_dangles, "report.txt", "good.raf\n", {kEndsAtOutputFile}},
      {"report-name-blank", none, "   ", "good.raf\n", {kEndsAtOutputFile}},
      {"log-is-directory", log_is_directory, "report.txt", "good.raf\n", {kEndsBeforeTheFirstFile}},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    TempDir dir;
    const Outcome o = run(s, dir);
    EXPECT_FALSE(o.run.timed_out);
    EXPECT_EQ(o.run.signal, 0);
    EXPECT_EQ(o.run.exit_status, 1) << o.run.screen;
    // One line on standard error names the file and the reason.
    EXPECT_TRUE(o.run.errors.starts_with("vemrask: ")) << o.run.errors;
    EXPECT_EQ(std::count(o.run.errors.begin(), o.run.errors.end(), '\n'), 1) << o.run.errors;
    for (const std::string& text : s.screen) {
      EXPECT_NE(o.run.screen.find(text), std::string::npos) << o.run.screen;
    }
    EXPECT_NE(o.run.screen.find(" Return value from vemrask: -1 "), std::string::npos);
    // A report that could be read (not one on the full disk) is no result.
    EXPECT_EQ(o.report.find(kClosingLine), std::string::npos) << o.report;
  }
}

TEST_F(OutputFaults, LogOnFullDiskWithNothingToLog) {
  // A sound file gives no message to log: nothing is lost, and the run
  // completes with its report.
  TempDir dir;
  const Outcome o =
      run({"log-on-full-disk-sound-file", log_to_full, "report.txt", "good.raf\n", {}}, dir);
  EXPECT_EQ(o.run.exit_status, 0) << o.run.screen;
  EXPECT_NE(o.report.find(kClosingLine), std::string::npos);
}

TEST_F(OutputFaults, PathsThatCannotBeOpened) {
  // Paths no user can open for writing, root included: a folder that is a
  // regular file, and a raf.log that is a folder.
  TempDir dir;
  const Base& b = base("time");
  write_file(dir / "good.raf", b.image);
  write_file(dir / "files.lst", "good.raf\n");
  write_file(dir / "plain", "a file, not a folder\n");

  // The output file in a "folder" that is a file.
  Case c;
  c.answers = answers_for(b, "files.lst", "plain/report.txt");
  Outcome o = run_case(kBinary, c, dir.path());
  EXPECT_EQ(o.run.exit_status, 1);
  EXPECT_NE(o.run.screen.find(kEndsAtOutputFile), std::string::npos) << o.run.screen;

  // raf.log cannot be made in the working folder: a folder holds its name.
  const fs::path work = dir / "work";
  fs::create_directories(work / "raf.log");
  write_file(work / "files.lst", "../good.raf\n");
  Case d;
  d.answers = answers_for(b, "files.lst", "../report.txt");
  o = run_case(kBinary, d, work);
  EXPECT_EQ(o.run.exit_status, 1);
  EXPECT_NE(o.run.screen.find(kEndsBeforeTheFirstFile), std::string::npos) << o.run.screen;
  EXPECT_EQ(test_support::read_file(dir / "report.txt").find(kClosingLine), std::string::npos);
}

TEST_F(OutputFaults, FileSizeLimit) {
  // A report that outgrows the file size limit: the writes fail (the
  // program does not die of the limit's signal) and the run says so.
  TempDir dir;
  const Base& b = base("time");
  write_file(dir / "good.raf", b.image);
  std::string list;
  for (int k = 0; k < 40; ++k) list += "good.raf\n";
  write_file(dir / "files.lst", list);
  test_support::RunLimits limits;
  limits.seconds = kRunLimitSeconds;
  limits.file_size_bytes = 24 * 1024;
  const test_support::RunResult r = test_support::run_program(
      kBinary, {"2"}, dir.path(), answers_for(b, "files.lst", "report.txt"), limits);
  EXPECT_EQ(r.signal, 0);
  EXPECT_EQ(r.exit_status, 1) << r.screen;
  EXPECT_NE(r.screen.find("the output file could not be written (error flag 27)"),
            std::string::npos)
      << r.screen;
}

}  // namespace
}  // namespace robustness
