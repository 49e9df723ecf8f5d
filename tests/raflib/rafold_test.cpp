// Opening, checking and closing RAF files: the key checks, lock states,
// names, the file table, version conversion and what is written back.
#include <gtest/gtest.h>

#include "raf_test_support.h"

namespace {

using raf_test::Bytes;
using raf_test::kRaf;
using raf_test::Lines;
using raf_test::RafTest;

using Words = std::array<int32_t, 4>;

// Entry `iarr` in the MFP of a file image (MFPADR 3, this computer's order).
Words entry_words(const Bytes& image, int32_t iarr) {
  const int64_t record = 3 + 2 * ((iarr - 1) / 64);
  const int64_t first = (iarr - 1) % 64 * 4 + 1;
  return {raf_test::word_at(image, record, first), raf_test::word_at(image, record, first + 1),
          raf_test::word_at(image, record, first + 2), raf_test::word_at(image, record, first + 3)};
}

Words words_of(const raflib::CurrentEntry& e) {
  return {e.address, e.type, e.allocated, e.used};
}

platform::LocalTime later_clock() {
  return {2024, 1, 2, 3, 4, 5};
}

class RafOpen : public RafTest {
 public:
  /// Writes the small file with `text` over the key from `offset` on.
  void patched_small_file(std::size_t offset, std::string_view text) {
    make_small_file();
    Bytes image = raf_test::read_bytes(path("small.raf"));
    raf_test::patch_key(image, offset, text);
    raf_test::write_bytes(path("small.raf"), image);
    take_log();
  }
  raflib::Slot& slot(int k = 1) {
    return raflib::raf_state().slots[static_cast<std::size_t>(k - 1)];
  }
};

// ---- key checks ---------------------------------------------------------------------------

struct KeyCase {
  const char* name;
  std::vector<std::pair<std::size_t, std::string_view>> patches;
  int32_t ierr;
  std::string text;  // last line of the first block
  int32_t unit;      // the slot's unit afterwards
};

void PrintTo(const KeyCase& c, std::ostream* os) {
  *os << c.name;
}

class KeyChecks : public RafOpen, public testing::WithParamInterface<KeyCase> {};

TEST_P(KeyChecks, RefusedWithTheFirstFailingCheck) {
  const KeyCase& c = GetParam();
  make_small_file();
  Bytes image = raf_test::read_bytes(path("small.raf"));
  for (const auto& [offset, text] : c.patches) raf_test::patch_key(image, offset, text);
  raf_test::write_bytes(path("small.raf"), image);
  take_log();
  EXPECT_EQ(open("small.raf"), c.ierr);
  const Lines log = take_log();
  ASSERT_GE(log.size(), 3U);
  // The text follows the header, or the context line for messages about the file.
  EXPECT_EQ(log[c.ierr == -1064 ? 1 : 2], c.text);
  EXPECT_EQ(log.back(), " *** Error return from RAFOLD");
  EXPECT_EQ(slot().unit, c.unit);
  EXPECT_EQ(raflib::raf_state().current, 0);
}

const KeyCase kKeyCases[] = {
    {"MagicWithoutTwoBlanks", {{6, "X "}}, -1020, " *** File is not a RAFLIB file", -kRaf},
    {"Mfpadr",
     {{116, "       1"}, {124, "       0"}},
     -1060,
     " *** Inconsistent CHKEY: MFPADR = 1 is illegal",
     -kRaf},
    {"Mfpmax", {{124, "       0"}}, -1061, " *** Inconsistent CHKEY: MFPMAX = 0 is illegal", -kRaf},
    {"MfpcurAboveMfpmax",
     {{132, "      11"}},
     -1062,
     " *** Inconsistent CHKEY: MFPCUR = 11 is illegal",
     -kRaf},
    {"MfpcurNegative",
     {{132, "      -1"}},
     -1062,
     " *** Inconsistent CHKEY: MFPCUR = -1 is illegal",
     -kRaf},
    {"Mfpnxt", {{140, "       3"}}, -1063, " *** Inconsistent CHKEY: MFPNXT = 3 is illegal", -kRaf},
    {"NumericBlockNotDigits",
     {{124, "     1x0"}},
     -1064,
     " *** Inconsistent CHKEY: Decode error - Computer's error flag=5100",
     -kRaf},
    {"LockFlagNotDigits",
     {{108, "  x "}},
     -1064,
     " *** Inconsistent CHKEY: Decode error - Computer's error flag=5100",
     -kRaf},
    {"VersionNotDigits",
     {{8, "  -A"}},
     -1064,
     " *** Inconsistent CHKEY: Decode error - Computer's error flag=5100",
     -kRaf},
    // The computer code is read after the file has been made open.
    {"ComputerCodeNotDigits",
     {{56, "1 4x"}},
     -1064,
     " *** Inconsistent CHKEY: Decode error - Computer's error flag=5100",
     kRaf},
};

INSTANTIATE_TEST_SUITE_P(Raflib, KeyChecks, testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RafOpen, ShortFileFailsInTheKeyReadAndIsReportedTwice) {
  raf_test::write_bytes(path("short.raf"), Bytes(700, std::byte{' '}));
  EXPECT_EQ(open("short.raf"), -1036);
  EXPECT_EQ(take_log(), (Lines{error_header("RFGKEY"),
                               " *** File 22 / Array 0 / Address 0 / Elements 0 / Msg_no 1036:",
                               " *** Cannot read from file - Computer's error flag = 5002",
                               error_header("RFIOLD"),
                               " *** File 0 / Array 0 / Address 0 / Elements 0 / Msg_no 1036:",
                               " *** Cannot read from file - Computer's error flag = 5002", "",
                               " *** Error return from RAFOLD"}));
}

// ---- lock states -------------------------------------------------------------------------

TEST_F(RafOpen, OnlyLockStateTwoRefusesReading) {
  struct Case {
    std::string_view flags;
    int32_t state;
    int32_t ierr;
  };
  for (Case c : {Case{"   0   0", 3, 0}, Case{"   0   7", 1, 0}, Case{"   1   0", 2, -1023},
                 Case{"   2   3", 0, 0}}) {
    patched_small_file(108, c.flags);
    ASSERT_EQ(open("small.raf"), 0) << c.flags;
    EXPECT_EQ(slot().lock_state, c.state) << c.flags;
    std::vector<int32_t> a(10, -1);
    int32_t ierr = 0;
    raflib::RAFGIN(std::span<int32_t>(a), 10, 2, kRaf, ierr);
    EXPECT_EQ(ierr, c.ierr) << c.flags;
    EXPECT_EQ(a[9], c.ierr == 0 ? 10 : -1) << c.flags;
    close();
  }
}

// ---- versions ----------------------------------------------------------------------------

TEST_F(RafOpen, VersionOneIsReadWithoutAnyWrite) {
  patched_small_file(8, "   1   0");
  const Bytes before = raf_test::read_bytes(path("small.raf"));
  ASSERT_EQ(open("small.raf"), 0);
  std::vector<double> d(5);
  int32_t ierr = 0;
  raflib::RAFGDP(std::span<double>(d), 5, 3, kRaf, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(slot().writes, 0);
  close();
  EXPECT_EQ(raf_test::read_bytes(path("small.raf")), before);
}

TEST_F(RafOpen, ReadingNeverWritesEvenAfterAnotherFileWasWritten) {
  make_small_file();
  const Bytes before = raf_test::read_bytes(path("small.raf"));
  create("other.raf", 5, 23);  // a write on another file in the same run
  ASSERT_EQ(open("small.raf"), 0);
  std::vector<float> r(5);
  int32_t ierr = 0;
  raflib::RAFGRE(std::span<float>(r), 5, 4, kRaf, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(slot(2).access_state, 4);
  close();
  close(23);
  EXPECT_EQ(raf_test::read_bytes(path("small.raf")), before);
}

// A version-0 file: the last entry of each page i <= MFPMAX / 64 - 1 takes
// the last entry of page i + 1.
TEST_F(RafOpen, VersionZeroConversionMovesLastEntries) {
  create("v0.raf", 200);
  for (int32_t iarr : {63, 64, 128, 192, 193})
    put_ints(iarr, std::vector<int32_t>(iarr % 7 + 1, iarr));
  close();
  Bytes image = raf_test::read_bytes(path("v0.raf"));
  raf_test::patch_key(image, 8, "   0   0");
  raf_test::write_bytes(path("v0.raf"), image);
  const auto old64 = entry_words(image, 64);
  const auto old128 = entry_words(image, 128);
  const auto old192 = entry_words(image, 192);

  ASSERT_EQ(open("v0.raf"), 0);
  EXPECT_EQ(words_of(entry(64)), old128);
  EXPECT_EQ(words_of(entry(128)), old192);
  EXPECT_EQ(words_of(entry(192)), old192);
  EXPECT_NE(words_of(entry(64)), old64);
  EXPECT_EQ(raflib::key_text(slot().key, {8, 8}), "   2   1");
  close();
  const Bytes after = raf_test::read_bytes(path("v0.raf"));
  EXPECT_EQ(entry_words(after, 64), old128);
  EXPECT_EQ(entry_words(after, 128), old192);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(after.data()) + 8, 8), "   2   1");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(after.data()) + 168, 8), "     512");
}

TEST_F(RafOpen, VersionZeroWithLessThanTwoFullPagesStaysAsItIs) {
  create("v0.raf", 100);
  put_ints(64, {1});
  put_ints(100, {2, 3});
  close();
  Bytes image = raf_test::read_bytes(path("v0.raf"));
  raf_test::patch_key(image, 8, "   0   0");
  raf_test::write_bytes(path("v0.raf"), image);
  ASSERT_EQ(open("v0.raf"), 0);
  EXPECT_EQ(entry(64).used, 1);
  close();
  EXPECT_EQ(raf_test::read_bytes(path("v0.raf")), image);
}

// ---- names and the file table -----------------------------------------------------------

TEST_F(RafOpen, BlankNameOpensTheDefaultNameAndLeadingBlanksGo) {
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(path(""));
  create("raf022.raf", 3);
  close();
  std::string blank(12, ' ');
  int32_t ierr = 0;
  raflib::RAFOLD(kRaf, blank, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(blank, "raf022.raf  ");
  close();
  std::string padded = "   " + name("raf022.raf");
  raflib::RAFOLD(kRaf, padded, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(padded, name("raf022.raf") + "   ");
  std::filesystem::current_path(cwd);
}

TEST_F(RafOpen, ClosingANumberThatIsNotOpenDoesNothing) {
  int32_t ierr = 5;
  raflib::RAFCLS(31, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_TRUE(take_log().empty());
}

TEST_F(RafOpen, AnOpenedButUninitialisedNumberTakesASecondSlot) {
  make_small_file();
  int32_t ierr = 0;
  raflib::RFFIOP(name("small.raf"), kRaf, "OLD", ierr);
  raflib::RFFIOP(name("small.raf"), kRaf, "OLD", ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(slot(1).unit, -kRaf);
  EXPECT_EQ(slot(2).unit, -kRaf);
  raflib::RFIOLD(kRaf, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(slot(1).unit, kRaf);
  raflib::RFIOLD(kRaf, ierr);
  EXPECT_EQ(ierr, -1039);
  raflib::RAFCLS(kRaf, ierr);
  EXPECT_EQ(slot(1).unit, 0);
  EXPECT_EQ(slot(2).unit, -kRaf);  // never found by RAFCLS
}

TEST_F(RafOpen, RafnewChecksStatusThenMaximum) {
  struct Case {
    std::string_view status;
    int32_t nmax;
    int32_t ierr;
  };
  for (Case c : {Case{"x", 5, -1040}, Case{"", 0, -1040}, Case{"new", 0, -1046},
                 Case{"N", 100'000'000, -1061}, Case{"unknown", 5, 0}}) {
    std::string n = name("new.raf");
    int32_t ierr = 0;
    raflib::RAFNEW(kRaf, n, c.status, c.nmax, ierr);
    EXPECT_EQ(ierr, c.ierr) << c.status;
    const Lines log = take_log();
    if (c.ierr != 0) {
      EXPECT_EQ(log.back(), " *** Error return from RAFNEW");
    }
  }
  close();
}

// ---- write-back -------------------------------------------------------------------------

TEST_F(RafOpen, StampsRecordTheOpeningsThatWroteAndRead) {
  make_small_file();
  auto key_of = [this] {
    const Bytes image = raf_test::read_bytes(path("small.raf"));
    return std::string(reinterpret_cast<const char*>(image.data()), 176);
  };
  const std::string stamp(raf_test::kStamp);
  EXPECT_EQ(key_of().substr(60, 48), stamp + stamp + "  000000  000000");

  raflib::set_clock(later_clock);
  ASSERT_EQ(open("small.raf"), 0);
  std::vector<int32_t> a(10);
  int32_t ierr = 0;
  raflib::RAFGIN(std::span<int32_t>(a), 10, 2, kRaf, ierr);
  put_ints(5, {7, 8, 9});
  EXPECT_EQ(slot().access_state, 6);
  close();
  const std::string key = key_of();
  EXPECT_EQ(key.substr(60, 48), stamp + "20240102  030405" + "20240102  030405");
  EXPECT_EQ(key.substr(116, 60), "       3      10       5       9       0   0       2     512");
}

TEST_F(RafOpen, ResetForgetsFilesWithoutClosingThem) {
  make_small_file();
  ASSERT_EQ(open("small.raf"), 0);
  int32_t status = 3;
  raflib::RFRSET(status);
  EXPECT_EQ(status, 0);
  raflib::RAFINI(raf_test::kLog);
  EXPECT_TRUE(platform::is_connected(kRaf));
  int32_t ierr = 0;
  raflib::RAFCLS(kRaf, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_TRUE(platform::is_connected(kRaf));
  EXPECT_EQ(open("small.raf"), 0);  // the new connection replaces the old one
}

}  // namespace
