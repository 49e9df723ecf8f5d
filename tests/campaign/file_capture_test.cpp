// One file's work captured in worker processes and replayed by the parent
// in list order gives the screen, output file and log of the same work done
// in one process.
#include "campaign/file_capture.h"

#include <gtest/gtest.h>

#include "campaign/worker_pool.h"
#include "platform/units.h"
#include "support/run_program.h"

namespace {

using platform::kLogFile;
using platform::kOutputFile;
using platform::kScreen;

constexpr int32_t kFiles = 7;

// The work on file k as the file loop does it: the log reopened, the
// screen, output-file and log lines, and (with `settings`) the step
// settings, a prompt and its answer on the screen and a line in the output.
void work_on(int32_t k, const std::string& log, bool settings, campaign::FileCapture* capture) {
  EXPECT_EQ(platform::open_text(kLogFile, log, platform::OpenStatus::kUnknown), 0);
  platform::write_record(kLogFile, "opened file " + std::to_string(k));
  platform::write_record(kScreen, " Now processing: file" + std::to_string(k) + ".raf");
  platform::write_record(kOutputFile, "  messages of file " + std::to_string(k));
  if (settings) {
    if (capture != nullptr) capture->step_settings_begin();
    platform::write_prompt(kScreen, "Give Time  (Default is up to max): ");
    platform::write_record(kScreen, " Checks to Time  :     2.500");
    platform::write_record(kOutputFile, "#    Up to Time         :        2.500");
    if (capture != nullptr) capture->step_settings_end();
  }
  platform::write_record(kOutputFile, "  ends of file " + std::to_string(k));
  if (k % 3 == 0)
    platform::write_record(platform::kStandardError, "vemrask: note " + std::to_string(k));
}

struct Texts {
  std::string screen, output, log, errors;
};

template <class Body>
Texts run_in(const test_support::TempDir& dir, const std::string& tag, Body body) {
  const std::string output = (dir / (tag + ".out")).string();
  const std::string log = (dir / (tag + ".log")).string();
  EXPECT_EQ(platform::open_text(kOutputFile, output, platform::OpenStatus::kUnknown), 0);
  EXPECT_EQ(platform::open_text(kLogFile, log, platform::OpenStatus::kUnknown), 0);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  body(log);
  std::fflush(stdout);
  Texts t;
  t.errors = testing::internal::GetCapturedStderr();
  t.screen = testing::internal::GetCapturedStdout();
  platform::close_all_units();
  t.output = test_support::read_file(output);
  t.log = test_support::read_file(log);
  return t;
}

class FileCaptureInWorkers : public testing::TestWithParam<int> {};

TEST_P(FileCaptureInWorkers, ReplayGivesTheTextsOfOneProcess) {
  test_support::TempDir dir;
  const Texts direct = run_in(dir, "direct", [](const std::string& log) {
    for (int32_t k = 1; k <= kFiles; ++k) work_on(k, log, k == 1, nullptr);
  });

  // Every file writes its step settings, as the first file of a part does;
  // the replay keeps them for the first file only.
  const Texts pooled = run_in(dir, "pooled", [&](const std::string& log) {
    const auto work = [&](int32_t k) {
      campaign::FileCapture capture;
      work_on(k, log, true, &capture);
      campaign::FileRecord record;
      record.position = k;
      capture.finish(record);
      return campaign::encode_record(record);
    };
    const auto consume = [](campaign::Delivery& d) {
      campaign::FileRecord record;
      std::string error;
      EXPECT_TRUE(campaign::decode_record(d.bytes, record, error)) << error << d.fault;
      EXPECT_EQ(campaign::replay(record, d.index == 1), 0);
      return true;
    };
    EXPECT_EQ(campaign::run_pool(1, kFiles, GetParam(), work, consume).consumed, kFiles);
  });
  EXPECT_EQ(pooled.screen, direct.screen);
  EXPECT_EQ(pooled.output, direct.output);
  EXPECT_EQ(pooled.log, direct.log);
  EXPECT_EQ(pooled.errors, direct.errors);
}

INSTANTIATE_TEST_SUITE_P(Jobs, FileCaptureInWorkers, testing::Values(1, 3));

}  // namespace
