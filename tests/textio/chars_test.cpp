// Character values, prompts and the opening of text files by name.
#include <gtest/gtest.h>

#include "platform/units.h"
#include "support/run_program.h"
#include "textio/textio.h"

namespace {

using textio::APPSTR;
using textio::FSTCHR;
using textio::LENTRM;

TEST(Lentrm, LastNonBlankPosition) {
  EXPECT_EQ(LENTRM(std::string(256, ' ')), 0);
  EXPECT_EQ(LENTRM(textio::fixed("abc", 256)), 3);
  std::string last(256, ' ');
  last[255] = 'x';
  EXPECT_EQ(LENTRM(last), 256);
  EXPECT_EQ(LENTRM(" "), 0);
  EXPECT_EQ(LENTRM(""), 0);
  // Only the space is blank: a tab or a NUL counts as a character.
  EXPECT_EQ(LENTRM(std::string("ab\t  ")), 3);
  EXPECT_EQ(LENTRM(std::string("a\0 ", 3)), 2);
  // Every length and position: the answer never depends on the probe points.
  for (std::size_t length = 1; length <= 40; ++length) {
    for (std::size_t pos = 1; pos <= length; ++pos) {
      std::string value(length, ' ');
      value[pos - 1] = 'q';
      value[0] = pos == 1 ? 'q' : 'p';
      EXPECT_EQ(LENTRM(value), static_cast<int32_t>(pos)) << length << " " << pos;
    }
  }
}

TEST(Fstchr, FirstNonBlankPosition) {
  EXPECT_EQ(FSTCHR(std::string(8, ' ')), 0);
  EXPECT_EQ(FSTCHR("  ab  "), 3);
  EXPECT_EQ(FSTCHR("x"), 1);
}

TEST(Appstr, AppendsAfterTrimmedText) {
  std::string name = textio::fixed("  case12", 256);
  APPSTR(name, ".raf");
  EXPECT_EQ(name, textio::fixed("case12.raf", 256));

  std::string blank(10, ' ');
  APPSTR(blank, ".raf");
  EXPECT_EQ(blank, ".raf      ");

  std::string full = textio::fixed("abcdefgh", 10);
  APPSTR(full, ".raf");
  EXPECT_EQ(full, "abcdefgh.r");  // cut to the declared length
}

class UnitFile : public testing::Test {
 protected:
  void TearDown() override { platform::close_all_units(); }
  test_support::TempDir dir_;
};

TEST_F(UnitFile, AsktxtWritesBlankAndAtMost80Characters) {
  int32_t status = 0;
  const std::string file = (dir_ / "prompt.txt").string();
  textio::OPNFIL(file, 30, 0, status);
  ASSERT_EQ(status, 0);
  const std::string prompt(81, 'p');
  textio::ASKTXT(30, prompt);
  platform::write_record(30, "answer");  // continues the open record
  ASSERT_EQ(platform::close_unit(30), 0);
  EXPECT_EQ(test_support::read_file(dir_ / "prompt.txt"), " " + std::string(80, 'p') + "answer\n");
}

TEST_F(UnitFile, OpnfilModes) {
  int32_t status = 0;
  const std::string missing = textio::fixed((dir_ / "missing.txt").string(), 256);
  textio::OPNFIL(missing, 31, 1, status);
  EXPECT_EQ(status, -1);
  EXPECT_FALSE(platform::is_connected(31));

  // A failure is not cleared by a later success: the caller resets it.
  textio::OPNFIL(missing, 31, 0, status);
  EXPECT_EQ(status, -1);
  EXPECT_TRUE(platform::is_connected(31));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "missing.txt"));

  status = 0;
  textio::OPNFIL(missing, 100, 0, status);
  EXPECT_EQ(status, -1);
  status = 0;
  textio::OPNFIL(missing, 0, 0, status);
  EXPECT_EQ(status, -1);
}

TEST_F(UnitFile, ReopeningTheSameFileKeepsPosition) {
  int32_t status = 0;
  const std::string log = (dir_ / "raf.log").string();
  test_support::write_file(dir_ / "raf.log", "stale text of an earlier run\n");
  textio::OPNFIL(log, 18, 0, status);
  platform::write_record(18, "first");
  textio::OPNFIL(log, 18, 0, status);
  platform::write_record(18, "second");
  ASSERT_EQ(status, 0);
  ASSERT_EQ(platform::close_unit(18), 0);
  EXPECT_EQ(test_support::read_file(dir_ / "raf.log"), "first\nsecond\n");
}

TEST_F(UnitFile, ReadRecordDropsLineEnds) {
  test_support::write_file(dir_ / "list.txt", "a.raf\r\n\nlast");
  int32_t status = 0;
  textio::OPNFIL((dir_ / "list.txt").string(), 19, 1, status);
  ASSERT_EQ(status, 0);
  std::string line;
  ASSERT_EQ(platform::read_record(19, line), 0);
  EXPECT_EQ(line, "a.raf");
  ASSERT_EQ(platform::read_record(19, line), 0);
  EXPECT_EQ(line, "");
  ASSERT_EQ(platform::read_record(19, line), 0);
  EXPECT_EQ(line, "last");
  EXPECT_EQ(platform::read_record(19, line), platform::kEndOfFile);
}

TEST_F(UnitFile, WriteFailureIsReportedAtClose) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(platform::open_text(32, "/dev/full", platform::OpenStatus::kUnknown), 0);
  for (int k = 0; k < 10000; ++k) platform::write_record(32, "a line that cannot be stored");
  EXPECT_NE(platform::close_unit(32), 0);
}

}  // namespace
