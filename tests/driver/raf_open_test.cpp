// Attaching a RAF file for the file loop: the log records of a failed
// opening and the replacement of an earlier file on the unit.
#include <gtest/gtest.h>

#include "driver/raf_open.h"
#include "raflib/raflib.h"
#include "support/unit_capture.h"
#include "textio/textio.h"

namespace {

constexpr int32_t kRaf = 22;
constexpr int32_t kLog = 18;

platform::LocalTime fixed_clock() {
  return {2026, 12, 8, 9, 5, 7};
}

class Iniraf : public testing::Test {
 protected:
  void SetUp() override { raflib::set_clock(&fixed_clock); }
  void TearDown() override {
    int32_t ierr = 0;
    raflib::RAFCLS(kRaf, ierr);
    platform::close_unit(kRaf);
    raflib::set_clock(nullptr);
  }
  std::string name(const std::string& text) { return textio::fixed(text, 256); }
  test_support::TempDir dir_;
};

TEST_F(Iniraf, BlankNameWritesOnlyTheErrorLine) {
  test_support::UnitCapture log(kLog);
  int32_t status = 0;
  driver::INIRAF_0("OLD", std::string(256, ' '), 1, kRaf, 6, kLog, status);
  EXPECT_EQ(status, -1);
  driver::INIRAF_0("OLD", std::string(256, ' '), 1, kRaf, 6, kLog, status);
  EXPECT_EQ(status, -2);  // lowered by one per failure
  EXPECT_EQ(log.text(), "\n  *** ERROR IN INIRAF_0 ***\n\n  *** ERROR IN INIRAF_0 ***\n");
}

TEST_F(Iniraf, MissingFileIsReportedWithItsName) {
  test_support::UnitCapture log(kLog);
  int32_t status = 0;
  const std::string missing = (dir_ / "missing.raf").string();
  driver::INIRAF_0("OLD", name(missing), 1, kRaf, 6, kLog, status);
  EXPECT_EQ(status, -1);
  const auto lines = test_support::lines_of(log.text());
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], " *** RAFLIB ERROR - 26-12-08 09:05:07 - Routine RFFIOP:");
  EXPECT_EQ(lines[1], " *** File 0 / Msg_no 1034:");
  EXPECT_EQ(lines[2], " *** Cannot open file - Computer's error flag = 2");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], " *** Error return from RAFOLD");
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(lines[6], "  *** ERROR IN INIRAF_0 ***");
  EXPECT_EQ(lines[7], "      Error opening raf_file         :" + missing);
  EXPECT_EQ(lines[8], "");
}

TEST_F(Iniraf, OpensAFileAndReplacesTheEarlierOneOnTheUnit) {
  test_support::UnitCapture log(kLog);
  const auto fixtures = std::filesystem::path(VEMRASK_TEST_DATA) / "fixtures";
  int32_t status = 0;
  driver::INIRAF_0("OLD", name((fixtures / "leg-time" / "legtime.raf").string()), 1, kRaf, 6, kLog,
                   status);
  ASSERT_EQ(status, 0);
  // The reset forgets the first file; opening the second on the same unit
  // replaces the connection, and its arrays are the ones read.
  driver::INIRAF_0("OLD", name((fixtures / "leg-static-bigendian" / "legstat.raf").string()), 1,
                   kRaf, 6, kLog, status);
  ASSERT_EQ(status, 0);
  int32_t ierr = 0;
  // Array 104 holds single-precision reals in the second file only (the first
  // file holds it in double precision, which this read would refuse).
  std::vector<std::byte> bytes(250 * 8);
  raflib::RAFGRD(bytes, 250, 104, kRaf, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(log.text(), "");
}

}  // namespace
