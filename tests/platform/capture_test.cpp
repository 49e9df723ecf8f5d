// Output capture of the unit table: what a unit receives under capture is
// what it receives for real, and writing the captured bytes later gives the
// unit the same contents.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <ostream>

#include <string>
#include <vector>

#include "platform/units.h"
#include "support/run_program.h"

namespace {

using platform::kLogFile;
using platform::kOutputFile;
using platform::kScreen;

struct Write {
  bool prompt;
  std::string text;
};

struct CaptureCase {
  const char* name;
  std::vector<Write> writes;
};
void PrintTo(const CaptureCase& c, std::ostream* os) {
  *os << c.name;
}

void apply(int unit, const std::vector<Write>& writes) {
  for (const Write& w : writes) {
    const int status =
        w.prompt ? platform::write_prompt(unit, w.text) : platform::write_record(unit, w.text);
    EXPECT_EQ(status, 0);
  }
}

// What `unit` holds after `body`: the screen's output, or the file's text.
template <class Body>
std::string unit_text(int unit, const std::filesystem::path& file, Body body) {
  if (unit == kScreen) {
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }
  if (unit == platform::kStandardError) {
    testing::internal::CaptureStderr();
    body();
    return testing::internal::GetCapturedStderr();
  }
  EXPECT_EQ(platform::open_text(unit, file.string(), platform::OpenStatus::kUnknown), 0);
  body();
  platform::close_unit(unit);
  return test_support::read_file(file);
}

const CaptureCase kCases[] = {
    {"records", {{false, "one"}, {false, ""}, {false, "  three  "}}},
    {"prompt_answered", {{true, "Give Time : "}, {false, " Checks to Time : 1.0"}}},
    {"prompt_left_open", {{false, "before"}, {true, "LoadCase : "}}},
    {"line_feed_in_record", {{false, "a\nb"}, {true, ""}, {false, "c"}}},
};

class CaptureTest : public testing::TestWithParam<std::tuple<int, CaptureCase>> {};

TEST_P(CaptureTest, CapturedBytesAreTheUnitsBytes) {
  const int unit = std::get<0>(GetParam());
  const CaptureCase& c = std::get<1>(GetParam());
  test_support::TempDir dir;
  const std::string direct = unit_text(unit, dir / "direct.txt", [&] { apply(unit, c.writes); });

  std::string captured;
  const std::string during = unit_text(unit, dir / "captured.txt", [&] {
    ASSERT_EQ(platform::begin_capture(unit), 0);
    apply(unit, c.writes);
    EXPECT_EQ(platform::captured_size(unit), direct.size());
    platform::flush_all_units();
    captured = platform::end_capture(unit);
  });
  EXPECT_EQ(during, "") << "nothing reaches the unit while it is captured";
  EXPECT_EQ(captured, direct);

  const std::string replayed = unit_text(
      unit, dir / "replayed.txt", [&] { EXPECT_EQ(platform::write_captured(unit, captured), 0); });
  EXPECT_EQ(replayed, direct);
  platform::close_all_units();
}

INSTANTIATE_TEST_SUITE_P(Units, CaptureTest,
                         testing::Combine(testing::Values(platform::kStandardError, kScreen,
                                                          kOutputFile, kLogFile),
                                          testing::ValuesIn(kCases)),
                         [](const auto& info) {
                           return "unit" + std::to_string(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param).name;
                         });

// A captured unit answers every write as the real one would; a captured
// unit is not written by write_captured.
TEST(Capture, StatusesAreThoseOfTheRealUnit) {
  ASSERT_EQ(platform::begin_capture(kOutputFile), 0);
  EXPECT_EQ(platform::write_record(kOutputFile, "x"), platform::kStatusNotOpen);
  EXPECT_EQ(platform::captured_size(kOutputFile), 0U);
  EXPECT_EQ(platform::write_captured(kOutputFile, "x\n"), platform::kStatusInUse);
  EXPECT_EQ(platform::begin_capture(platform::kKeyboard), platform::kStatusBadUnit);
  EXPECT_EQ(platform::end_capture(kOutputFile), "");
  EXPECT_FALSE(platform::is_captured(kOutputFile));
  platform::close_all_units();
}

// The log is reopened for every RAF file: in a worker process whose log is
// captured, the reopening keeps the inherited connection and cuts nothing,
// and the bytes the parent writes later continue the file.
TEST(Capture, ReopenedLogInWorkerKeepsFileAndPosition) {
  test_support::TempDir dir;
  const std::string log = (dir / "raf.log").string();
  ASSERT_EQ(platform::open_text(kLogFile, log, platform::OpenStatus::kUnknown), 0);
  platform::write_record(kLogFile, "first file");
  platform::flush_all_units();

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    platform::begin_capture(kLogFile);
    const int reopened = platform::open_text(kLogFile, log, platform::OpenStatus::kUnknown);
    platform::write_prompt(kLogFile, "second ");
    platform::write_record(kLogFile, reopened == 0 ? "file" : "reopen failed");
    const std::string bytes = platform::end_capture(kLogFile);
    const bool sent =
        ::write(fds[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::_exit(sent ? 0 : 1);
  }
  ::close(fds[1]);
  std::string bytes;
  char buffer[256];
  for (ssize_t got = 0; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
    bytes.append(buffer, static_cast<std::size_t>(got));
  ::close(fds[0]);
  int wait_status = 0;
  ASSERT_EQ(::waitpid(child, &wait_status, 0), child);
  EXPECT_EQ(wait_status, 0);
  EXPECT_EQ(bytes, "second file\n");
  EXPECT_EQ(test_support::read_file(log), "first file\n");

  EXPECT_EQ(platform::write_captured(kLogFile, bytes), 0);
  platform::close_unit(kLogFile);
  EXPECT_EQ(test_support::read_file(log), "first file\nsecond file\n");
}

}  // namespace
