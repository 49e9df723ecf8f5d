// Arrays: the layout of new files, writing and reading back, the checks of
// a request, the caller's buffer, widening, the page cache and FFILE.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "raf_test_support.h"
#include "textio/textio.h"

namespace {

using raf_test::Bytes;
using raf_test::kRaf;
using raf_test::Lines;
using raf_test::RafTest;
using raf_test::word_at;

class RafArrays : public RafTest {
 public:
  std::string key_of(const std::string& file) {
    const Bytes image = raf_test::read_bytes(path(file));
    return std::string(reinterpret_cast<const char*>(image.data()), 1024);
  }
  raflib::Slot& slot() { return raflib::raf_state().slots[0]; }
};

// ---- layout of a new file -------------------------------------------------------------

TEST_F(RafArrays, NewFileKeyAndMfp) {
  create("ten.raf", 10);
  close();
  const Bytes image = raf_test::read_bytes(path("ten.raf"));
  ASSERT_EQ(image.size(), 4U * 512);
  const std::string expected =
      "RAFLIB     2   1" + textio::fixed("PC / DIGITAL Visual Fortran", 40) + "  14" +
      std::string(raf_test::kStamp) + "  000000  000000  000000  000000   0   0" +
      "       3      10       0       5       0   0       2     512" + std::string(848, ' ');
  EXPECT_EQ(key_of("ten.raf"), expected);
  EXPECT_TRUE(std::all_of(image.begin() + 1024, image.end(),
                          [](std::byte b) { return b == std::byte{0}; }));
}

TEST_F(RafArrays, MfpPagesFollowTheMaximum) {
  struct Case {
    int32_t nmax;
    std::string_view block;  // MFPNXT and MFPLEN fields
  };
  for (Case c :
       {Case{1, "       5       0   0       2"}, Case{64, "       5       0   0       2"},
        Case{65, "       7       0   0       4"}, Case{129, "       9       0   0       6"}}) {
    create("p.raf", c.nmax);
    close();
    EXPECT_EQ(key_of("p.raf").substr(140, 28), c.block) << c.nmax;
    EXPECT_EQ(raf_test::read_bytes(path("p.raf")).size(),
              static_cast<std::size_t>(2 + 2 * ((c.nmax + 63) / 64)) * 512)
        << c.nmax;
    std::filesystem::remove(path("p.raf"));
  }
}

TEST_F(RafArrays, ArraysTakeWholeRecordsInOrderOfAllocation) {
  create("lay.raf", 65);
  put_ints(65, std::vector<int32_t>(129, 7));   // records 7, 8 (one word in 8)
  put_doubles(1, {1.0, 2.0, 3.0});              // 6 words: record 9
  put_reals(2, std::vector<float>(128, 0.5F));  // exactly record 10
  close();
  const Bytes image = raf_test::read_bytes(path("lay.raf"));
  EXPECT_EQ(key_of("lay.raf").substr(132, 16), "      65      11");
  ASSERT_EQ(image.size(), 10U * 512);
  // Array 65 is entry 1 of page 2, at record 5.
  EXPECT_EQ(word_at(image, 5, 1), 7);
  EXPECT_EQ(word_at(image, 5, 2), 1);
  EXPECT_EQ(word_at(image, 5, 3), 129);
  EXPECT_EQ(word_at(image, 5, 4), 129);
  EXPECT_EQ(word_at(image, 3, 1), 9);
  EXPECT_EQ(word_at(image, 3, 2), 3);
  EXPECT_EQ(word_at(image, 3, 5), 10);
  EXPECT_EQ(word_at(image, 8, 1), 7);
  EXPECT_EQ(word_at(image, 8, 2), 0);
  double d = 0;
  std::memcpy(&d, image.data() + 8 * 512 + 16, 8);
  EXPECT_EQ(d, 3.0);
}

TEST_F(RafArrays, AllocatedSpaceIsCompletedWhenWrittenShort) {
  create("short.raf", 5);
  int32_t ierr = 0;
  raflib::RFALL(kRaf, 1, 3, 200, 0, ierr);  // 400 words: records 5 to 8, nothing written
  EXPECT_EQ(ierr, 0);
  close();
  EXPECT_EQ(raf_test::read_bytes(path("short.raf")).size(), 8U * 512);
  ASSERT_EQ(open("short.raf"), 0);
  std::vector<double> d(200, 1.0);
  raflib::RAFGDP(std::span<double>(d), 200, 1, kRaf, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(d[199], 0.0);
}

// ---- round trip ---------------------------------------------------------------------------

TEST_F(RafArrays, ManyArraysOfEveryTypeReadBackIdentically) {
  constexpr int32_t kArrays = 700;  // eleven MFP pages
  std::mt19937 random(7);
  std::vector<std::vector<int32_t>> ints(kArrays + 1);
  std::vector<std::vector<float>> reals(kArrays + 1);
  std::vector<std::vector<double>> doubles(kArrays + 1);
  create("many.raf", kArrays);
  for (int32_t k = 1; k <= kArrays; ++k) {
    const auto n = static_cast<std::size_t>(random() % 300);
    switch (k % 3) {
      case 0:
        for (std::size_t i = 0; i < n; ++i) ints[k].push_back(static_cast<int32_t>(random()));
        put_ints(k, ints[k]);
        break;
      case 1:
        for (std::size_t i = 0; i < n; ++i) reals[k].push_back(static_cast<float>(random()) / 7.0F);
        put_reals(k, reals[k]);
        break;
      default:
        for (std::size_t i = 0; i < n; ++i)
          doubles[k].push_back(static_cast<double>(random()) / 3.0);
        put_doubles(k, doubles[k]);
        break;
    }
  }
  close();
  ASSERT_EQ(open("many.raf"), 0);
  EXPECT_EQ(slot().values.mfpcur, kArrays);
  std::vector<int32_t> order(kArrays);
  for (int32_t k = 0; k < kArrays; ++k) order[static_cast<std::size_t>(k)] = k + 1;
  std::shuffle(order.begin(), order.end(), random);
  for (int32_t k : order) {
    int32_t ierr = 0;
    if (k % 3 == 0) {
      std::vector<int32_t> a(ints[k].size());
      raflib::RAFGIN(std::span<int32_t>(a), static_cast<int32_t>(a.size()), k, kRaf, ierr);
      EXPECT_EQ(a, ints[k]) << k;
    } else if (k % 3 == 1) {
      std::vector<float> a(reals[k].size());
      raflib::RAFGRE(std::span<float>(a), static_cast<int32_t>(a.size()), k, kRaf, ierr);
      EXPECT_EQ(a, reals[k]) << k;
    } else {
      std::vector<double> a(doubles[k].size());
      raflib::RAFGDP(std::span<double>(a), static_cast<int32_t>(a.size()), k, kRaf, ierr);
      EXPECT_EQ(a, doubles[k]) << k;
    }
    ASSERT_EQ(ierr, 0) << k;
  }
  EXPECT_TRUE(take_log().empty());
}

// ---- checks of a request ----------------------------------------------------------------

TEST_F(RafArrays, ReadAcceptedExactlyBetweenUsedAndAllocated) {
  make_small_file();  // array 2: used 10, allocated 11
  ASSERT_EQ(open("small.raf"), 0);
  struct Case {
    int32_t nel;
    int32_t ierr;
  };
  for (Case c : {Case{9, -1026}, Case{10, 0}, Case{11, 0}, Case{12, -1027}}) {
    std::vector<int32_t> a(12, -1);
    int32_t ierr = 0;
    raflib::RAFGIN(std::span<int32_t>(a), c.nel, 2, kRaf, ierr);
    EXPECT_EQ(ierr, c.ierr) << c.nel;
    EXPECT_EQ(a[0], c.ierr == 0 ? 1 : -1) << c.nel;
    // A record is written whole: the shorter rewrite left zero behind its ten.
    EXPECT_EQ(a[10], c.nel == 11 ? 0 : -1) << c.nel;
  }
  int32_t ierr = 0;
  std::vector<float> r(5);
  raflib::RAFGRE(std::span<float>(r), 5, 3, kRaf, ierr);
  EXPECT_EQ(ierr, -1025);
  raflib::RAFGRE(std::span<float>(r), 5, 10, kRaf, ierr);  // MFPMAX itself: in range
  EXPECT_EQ(ierr, -1048);
  raflib::RAFGRE(std::span<float>(r), 5, 0, kRaf, ierr);
  EXPECT_EQ(ierr, -1069);
}

TEST_F(RafArrays, BufferTooSmallIsRefusedAndUntouched) {
  make_small_file();
  ASSERT_EQ(open("small.raf"), 0);
  take_log();
  std::vector<std::byte> a(39, std::byte{0x5A});  // 10 integers need 40 bytes
  int32_t ierr = 0;
  raflib::RAFGIN(std::span<std::byte>(a), 10, 2, kRaf, ierr);
  EXPECT_EQ(ierr, -1027);
  EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](std::byte b) { return b == std::byte{0x5A}; }));
  EXPECT_EQ(take_log(), (Lines{error_header("RAFGIN"),
                               " *** File 22 / Array 2 / Address 5 / Elements 10 / Msg_no 1027:",
                               " *** Array length mismatch (too many elements specified)"}));
  std::vector<double> d(4, -1.0);  // RAFGRD needs room for 5 doubles
  raflib::RAFGRD(std::span<double>(d), 5, 4, kRaf, ierr);
  EXPECT_EQ(ierr, -1027);
  EXPECT_EQ(d, std::vector<double>(4, -1.0));
  EXPECT_EQ(take_log().back(), " *** Error return from RAFGRD");
}

TEST_F(RafArrays, RafgrdWidensInPlace) {
  make_small_file();  // array 4: five reals
  ASSERT_EQ(open("small.raf"), 0);
  std::vector<double> d(6, 99.0);
  int32_t ierr = 0;
  raflib::RAFGRD(std::span<double>(d), 5, 4, kRaf, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(d, (std::vector<double>{1.5, -2.25, double{3.0e10F}, double{0.1F}, -0.0, 99.0}));
  EXPECT_TRUE(std::signbit(d[4]));
}

TEST_F(RafArrays, WriteChecks) {
  create("w.raf", 4);
  put_ints(1, {1, 2, 3});
  int32_t ierr = 0;
  const std::vector<int32_t> four = {1, 2, 3, 4};
  raflib::RAFPIN(std::span<const int32_t>(four), 4, 1, kRaf, ierr);
  EXPECT_EQ(ierr, -1027);  // more than allocated
  const std::vector<float> r = {1.0F};
  raflib::RAFPRE(std::span<const float>(r), 1, 1, kRaf, ierr);
  EXPECT_EQ(ierr, -1025);
  EXPECT_EQ(entry(1).used, 3);  // the refused writes changed nothing
  raflib::RAFPIN(std::span<const int32_t>(four), 5, 2, kRaf, ierr);
  EXPECT_EQ(ierr, -1027);  // the buffer holds four
  EXPECT_EQ(entry(2).address, 0);
  raflib::RAFPIN(std::span<const int32_t>(four), -1, 2, kRaf, ierr);
  EXPECT_EQ(ierr, -1026);
  raflib::RFALL(kRaf, 1, 1, 3, 0, ierr);
  EXPECT_EQ(ierr, -1047);
  raflib::RFALL(kRaf, 3, 9, 3, 0, ierr);
  EXPECT_EQ(ierr, -1032);
  put_ints(1, {5});
  EXPECT_EQ(entry(1).used, 1);
  close();
}

TEST_F(RafArrays, AllocationBeyondTheKeysDigitsIsRefused) {
  create("huge.raf", 5);
  int32_t ierr = 0;
  constexpr int32_t kMost = std::numeric_limits<int32_t>::max();  // 2^32 words each
  raflib::RFALL(kRaf, 1, 3, kMost, 0, ierr);
  EXPECT_EQ(ierr, 0);
  raflib::RFALL(kRaf, 2, 3, kMost, 0, ierr);
  EXPECT_EQ(ierr, 0);
  raflib::RFALL(kRaf, 3, 3, kMost, 0, ierr);
  EXPECT_EQ(ierr, -1035);
  EXPECT_EQ(take_log()[2], " *** Cannot write to file - Computer's error flag = 27");
  EXPECT_EQ(entry(3).address, 0);
  EXPECT_EQ(slot().values.mfpnxt, 5 + 2 * 33'554'432);
  // The file is left without writing back: TearDown forgets it.
}

TEST_F(RafArrays, NegativeAddressPassesTheChecksAndFailsInTheTransfer) {
  make_small_file();
  Bytes image = raf_test::read_bytes(path("small.raf"));
  const int32_t minus = -5;
  std::memcpy(image.data() + 2 * 512 + 16, &minus, 4);  // entry 2, word 1
  raf_test::write_bytes(path("small.raf"), image);
  ASSERT_EQ(open("small.raf"), 0);
  take_log();
  std::vector<int32_t> a(10, -1);
  int32_t ierr = 0;
  raflib::RAFGIN(std::span<int32_t>(a), 10, 2, kRaf, ierr);
  EXPECT_EQ(ierr, -1043);
  EXPECT_EQ(take_log(), (Lines{error_header("RAFGIN"),
                               " *** File 22 / Array 2 / Address -5 / Elements 10 / Msg_no 1043:",
                               " *** Negative file address in FFILE"}));
}

// ---- the page cache ----------------------------------------------------------------------

TEST_F(RafArrays, LeastRecentlyUsedPageIsReplaced) {
  create("pages.raf", 11 * 64);
  for (int32_t p = 1; p <= 11; ++p) put_ints((p - 1) * 64 + 1, {p});
  close();
  ASSERT_EQ(open("pages.raf"), 0);
  auto read_page = [](int32_t p) {
    int32_t v = 0;
    int32_t ierr = 0;
    raflib::RAFGIN(std::span<int32_t>(&v, 1), 1, (p - 1) * 64 + 1, kRaf, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(v, p);
  };
  auto pages = [this] {
    std::vector<int32_t> held;
    for (const raflib::PageBuffer& b : slot().pages) held.push_back(b.page);
    return held;
  };
  auto ages = [this] {
    std::vector<int32_t> a;
    for (const raflib::PageBuffer& b : slot().pages) a.push_back(b.age);
    return a;
  };
  read_page(1);
  read_page(2);
  read_page(1);
  EXPECT_EQ(pages(), (std::vector<int32_t>{1, 2, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ages(), (std::vector<int32_t>{1, 2, 10, 10, 10, 10, 10, 10, 10, 10}));
  for (int32_t p = 3; p <= 10; ++p) read_page(p);
  EXPECT_EQ(ages(), (std::vector<int32_t>{9, 10, 8, 7, 6, 5, 4, 3, 2, 1}));
  read_page(11);  // replaces page 2, the least recently used
  EXPECT_EQ(pages(), (std::vector<int32_t>{1, 11, 3, 4, 5, 6, 7, 8, 9, 10}));
  read_page(2);  // and page 2 then replaces page 1
  EXPECT_EQ(pages(), (std::vector<int32_t>{2, 11, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(ages(), (std::vector<int32_t>{1, 2, 10, 9, 8, 7, 6, 5, 4, 3}));
}

TEST_F(RafArrays, DirtyPageIsWrittenBackWhenReplaced) {
  create("dirty.raf", 11 * 64);
  for (int32_t p = 1; p <= 11; ++p) put_ints((p - 1) * 64 + 2, {p, p});
  // Page 1 has been replaced by page 11 and written on the way.
  const Bytes image = raf_test::read_bytes(path("dirty.raf"));
  EXPECT_EQ(word_at(image, 3, 5), 25);  // array 2 at the first record after 22 MFP records
  EXPECT_EQ(word_at(image, 3, 8), 2);
  EXPECT_EQ(word_at(image, 5, 5), 0);  // page 2 is still only in memory
  close();
  EXPECT_EQ(word_at(raf_test::read_bytes(path("dirty.raf")), 5, 5), 26);
}

// ---- FFILE -------------------------------------------------------------------------------

class Ffile : public RafTest {
 public:
  void SetUp() override {
    RafTest::SetUp();
    ASSERT_EQ(platform::open_direct(kUnit, name("words.dat"), platform::OpenStatus::kNew, 512), 0);
  }
  static constexpr int kUnit = 40;
};

TEST_F(Ffile, ThreeHundredWordsFromRecordSeven) {
  std::vector<int32_t> out(300);
  for (int32_t k = 0; k < 300; ++k) out[static_cast<std::size_t>(k)] = k + 1;
  int32_t adr = 7;
  int32_t ierr = 1;
  raflib::FFILE(kUnit, 1, adr, std::as_writable_bytes(std::span<int32_t>(out)), 300, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(adr, 10);
  EXPECT_EQ(platform::direct_file_size(kUnit), 9 * 512);

  std::vector<int32_t> in(310, -1);
  adr = 7;
  raflib::FFILE(kUnit, 2, adr, std::as_writable_bytes(std::span<int32_t>(in)), 300, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(adr, 10);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), in.begin()));
  EXPECT_EQ(in[300], -1);

  raflib::FFILE(kUnit, 2, adr, std::as_writable_bytes(std::span<int32_t>(in)), 1, ierr);
  EXPECT_EQ(ierr, -5002);  // record 10 does not exist
  EXPECT_EQ(adr, 11);
  adr = 7;
  raflib::FFILE(kUnit, 0, adr, {}, 300, ierr);
  EXPECT_EQ(adr, 10);
}

TEST_F(Ffile, StatusCodes) {
  struct Case {
    int32_t unit;
    int32_t iop;
    int32_t adr;
    int64_t words;
    int32_t ierr;
  };
  std::vector<std::byte> buf(512);
  for (Case c : {Case{0, 2, 0, 0, 0}, Case{kUnit, 2, 1, -1, -995}, Case{100, 2, 1, 1, -991},
                 Case{kUnit, 3, 1, 1, -992}, Case{kUnit, 2, 0, 1, -993},
                 Case{kUnit, 2, -4, 1, -993}, Case{kUnit, 1, 1, 129, -996}, Case{0, 0, 1, 1, 0}}) {
    int32_t adr = c.adr;
    int32_t ierr = 7;
    raflib::FFILE(c.unit, c.iop, adr, buf, c.words, ierr);
    EXPECT_EQ(ierr, c.ierr) << c.unit << " " << c.iop << " " << c.adr << " " << c.words;
  }
}

// A read that fails part-way leaves what the record-by-record transfer
// leaves: the records before the failing one, and the part of the failing
// record that exists.
TEST_F(Ffile, FailingReadLeavesWhatRecordByRecordLeaves) {
  std::vector<int32_t> out(384);
  for (int32_t k = 0; k < 384; ++k) out[static_cast<std::size_t>(k)] = k + 1000;
  int32_t adr = 1;
  int32_t ierr = 0;
  raflib::FFILE(kUnit, 1, adr, std::as_writable_bytes(std::span<int32_t>(out)), 384, ierr);
  platform::close_unit(kUnit);
  std::filesystem::resize_file(path("words.dat"), 2 * 512 + 40);  // ten words of record 3
  ASSERT_EQ(platform::open_direct(kUnit, name("words.dat"), platform::OpenStatus::kOld, 512), 0);

  std::vector<int32_t> expected(400, -1);
  for (int64_t r = 1; r <= 3; ++r) {
    const int status = platform::read_direct(kUnit, r, expected.data() + (r - 1) * 128, 512);
    if (status != 0) break;
  }
  std::vector<int32_t> in(400, -1);
  adr = 1;
  raflib::FFILE(kUnit, 2, adr, std::as_writable_bytes(std::span<int32_t>(in)), 384, ierr);
  EXPECT_EQ(ierr, -5002);
  EXPECT_EQ(adr, 4);
  EXPECT_EQ(in, expected);
  EXPECT_EQ(in[265], 1265);
  EXPECT_EQ(in[266], -1);
}

}  // namespace
