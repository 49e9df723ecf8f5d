// Computer types: byte reversal, files of the other byte order (made with
// the byte-order tool), refused computer types, and the reference files of
// an independent writer.
#include <gtest/gtest.h>

#include "raf_test_support.h"
#include "tools/raf_byte_order.h"

namespace {

using raf_test::Bytes;
using raf_test::kRaf;
using raf_test::Lines;
using raf_test::RafTest;

class RafComputers : public RafTest {
 public:
  /// The small file and its copy as written on computer type 12.
  void make_pair() {
    make_small_file();
    std::string error;
    ASSERT_TRUE(raf_tools::convert_file(path("small.raf"), path("big.raf"), error)) << error;
    take_log();
  }
  void patch_code(const std::string& file, std::string_view code) {
    Bytes image = raf_test::read_bytes(path(file));
    raf_test::patch_key(image, 56, code);
    raf_test::write_bytes(path(file), image);
  }
};

TEST(Rfswap, ReversesEachElement) {
  std::vector<std::byte> d;
  for (int k = 1; k <= 6; ++k) d.push_back(std::byte(k));
  int32_t ierr = 9;
  raflib::RFSWAP(d, 2, 3, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(d, (std::vector<std::byte>{std::byte{3}, std::byte{2}, std::byte{1}, std::byte{6},
                                       std::byte{5}, std::byte{4}}));
  raflib::RFSWAP(d, 1, 8, ierr);
  EXPECT_EQ(ierr, -3);  // six bytes cannot hold an 8-byte element
  raflib::RFSWAP(d, -1, 4, ierr);
  EXPECT_EQ(ierr, -1);
  raflib::RFSWAP(d, 1, 1, ierr);
  EXPECT_EQ(ierr, -2);
  raflib::RFSWAP(d, 0, 9, ierr);
  EXPECT_EQ(ierr, -2);
}

TEST_F(RafComputers, ToolReversesMfpAndArraysByType) {
  make_pair();
  const Bytes little = raf_test::read_bytes(path("small.raf"));
  const Bytes big = raf_test::read_bytes(path("big.raf"));
  ASSERT_EQ(little.size(), big.size());
  const std::string key(reinterpret_cast<const char*>(big.data()), 60);
  EXPECT_EQ(key.substr(16, 44), "Silicon Graphics / IRIX                   12");
  // Entry 2 (record 3, word 5): address 5 as 00 00 00 05.
  EXPECT_EQ(big[2 * 512 + 16 + 3], std::byte{5});
  EXPECT_EQ(big[2 * 512 + 16], std::byte{0});
  // Integer 1 of array 2 and the first double of array 3, byte for byte reversed.
  EXPECT_EQ(big[4 * 512 + 3], std::byte{1});
  for (int k = 0; k < 8; ++k) EXPECT_EQ(big[5 * 512 + k], little[5 * 512 + 7 - k]);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(big[6 * 512 + k], little[6 * 512 + 3 - k]);
  // And back again.
  Bytes again = big;
  std::string error;
  ASSERT_TRUE(raf_tools::swap_byte_order(again, error)) << error;
  EXPECT_EQ(again, little);
}

TEST_F(RafComputers, OtherByteOrderReadsTheSameValues) {
  make_pair();
  ASSERT_EQ(open("small.raf", 30), 0);
  ASSERT_EQ(open("big.raf", 31), 0);
  EXPECT_EQ(raflib::raf_state().slots[1].computer_type, 12);
  for (int unit : {30, 31}) {
    std::vector<int32_t> a(10);
    std::vector<double> d(5);
    std::vector<float> r(5);
    std::vector<double> w(5);
    int32_t ierr = 0;
    raflib::RAFGIN(std::span<int32_t>(a), 10, 2, unit, ierr);
    EXPECT_EQ(ierr, 0);
    raflib::RAFGDP(std::span<double>(d), 5, 3, unit, ierr);
    EXPECT_EQ(ierr, 0);
    raflib::RAFGRE(std::span<float>(r), 5, 4, unit, ierr);
    EXPECT_EQ(ierr, 0);
    raflib::RAFGRD(std::span<double>(w), 5, 4, unit, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(a, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10})) << unit;
    EXPECT_EQ(d, (std::vector<double>{0.5, -1.25, 3.0e10, 4.0, 5.0})) << unit;
    EXPECT_EQ(r, (std::vector<float>{1.5F, -2.25F, 3.0e10F, 0.1F, -0.0F})) << unit;
    EXPECT_EQ(w[3], double{0.1F}) << unit;
  }
  EXPECT_TRUE(take_log().empty());
}

TEST_F(RafComputers, FilesOfTheOtherByteOrderAreNeverWritten) {
  make_pair();
  const Bytes before = raf_test::read_bytes(path("big.raf"));
  ASSERT_EQ(open("big.raf"), 0);
  int32_t ierr = 0;
  raflib::RAFUPD(kRaf, ierr);
  EXPECT_EQ(ierr, -1071);
  EXPECT_EQ(take_log(),
            (Lines{error_header("RFCHKW"), " *** File 22 / Msg_no 1071:",
                   " *** Cannot generate files for Silicon Graphics / IRIX", "",
                   " *** Error return from RFPMFP", "", " *** Error return from RAFUPD"}));
  const std::vector<int32_t> v = {4};
  raflib::RAFPIN(std::span<const int32_t>(v), 1, 5, kRaf, ierr);
  EXPECT_EQ(ierr, -1071);
  close();
  EXPECT_EQ(raf_test::read_bytes(path("big.raf")), before);
}

TEST_F(RafComputers, CompatibleAndRefusedComputerTypes) {
  struct Case {
    std::string_view code;
    int32_t ierr;
    std::string name;
  };
  for (const Case& c :
       {Case{"  15", 0, ""}, Case{"   5", 0, ""}, Case{"  10", -1070, "IBM Powerstation / AIX"},
        Case{"  11", -1070, "Sun SPARC / SunOS"},
        Case{"  99", -1070, "unknown computer type 99"}}) {
    make_small_file();
    patch_code("small.raf", c.code);
    take_log();
    EXPECT_EQ(open("small.raf"), c.ierr) << c.code;
    std::vector<int32_t> a(10);
    int32_t ierr = 0;
    raflib::RAFGIN(std::span<int32_t>(a), 10, 2, kRaf, ierr);
    EXPECT_EQ(ierr, c.ierr) << c.code;  // a refused file stays open, and unreadable
    EXPECT_EQ(a[9], c.ierr == 0 ? 10 : 0) << c.code;
    const Lines log = take_log();
    if (c.ierr != 0) {
      ASSERT_GE(log.size(), 3U);
      EXPECT_EQ(log[2], " *** Cannot read files generated on " + c.name);
    } else {
      EXPECT_TRUE(log.empty());
    }
    int32_t status = 0;
    raflib::RFRSET(status);
    raflib::RAFINI(raf_test::kLog);
    platform::close_unit(kRaf);
    std::filesystem::remove(path("small.raf"));
  }
}

// ---- reference files of an independent writer ---------------------------------------

struct FixtureCase {
  const char* file;
  int32_t computer;
  int32_t mfpmax;
  int32_t arrays;
  int32_t real_type;
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
  *os << c.file;
}

class ReferenceFiles : public RafTest, public testing::WithParamInterface<FixtureCase> {};

TEST_P(ReferenceFiles, EveryAllocatedArrayReads) {
  const FixtureCase& c = GetParam();
  const std::filesystem::path file = fixture(c.file);
  const Bytes before = raf_test::read_bytes(file);
  ASSERT_EQ(open(file.filename().string()), 0);
  const raflib::Slot& slot = raflib::raf_state().slots[0];
  EXPECT_EQ(slot.computer_type, c.computer);
  EXPECT_EQ(slot.values.mfpmax, c.mfpmax);
  int32_t allocated = 0;
  for (int32_t k = 1; k <= c.mfpmax; ++k) {
    const raflib::CurrentEntry e = entry(k);
    if (e.address == 0) continue;
    ++allocated;
    EXPECT_TRUE(e.type == 1 || e.type == c.real_type) << k;
    std::vector<std::byte> buffer(static_cast<std::size_t>(e.used) * 8);
    int32_t ierr = 0;
    if (e.type == 1) raflib::RAFGIN(buffer, e.used, k, kRaf, ierr);
    if (e.type == 2) raflib::RAFGRD(buffer, e.used, k, kRaf, ierr);
    if (e.type == 3) raflib::RAFGDP(buffer, e.used, k, kRaf, ierr);
    EXPECT_EQ(ierr, 0) << k;
  }
  EXPECT_EQ(allocated, c.arrays);

  // Both models share their catalogue and element data.
  std::vector<int32_t> catalogue(20);
  int32_t ierr = 0;
  raflib::RAFGIN(std::span<int32_t>(catalogue), 20, 101, kRaf, ierr);
  EXPECT_EQ(std::vector<int32_t>(catalogue.begin(), catalogue.begin() + 11),
            (std::vector<int32_t>{22, 2, 0, 28, 3, 2, 10, 38, 8, 100, 100}));
  std::vector<int32_t> counts(17);
  raflib::RAFGIN(std::span<int32_t>(counts), 17, 106, kRaf, ierr);
  EXPECT_EQ(counts[11], 11);
  std::vector<double> geometry(250);
  if (c.real_type == 3) {
    raflib::RAFGDP(std::span<double>(geometry), 250, 104, kRaf, ierr);
    EXPECT_EQ(geometry[0], 1.15);
    EXPECT_EQ(geometry[2], 0.025);
  } else {
    raflib::RAFGRD(std::span<double>(geometry), 250, 104, kRaf, ierr);
    EXPECT_EQ(geometry[0], double{1.15F});
    EXPECT_EQ(geometry[2], double{0.025F});
  }
  EXPECT_EQ(geometry[4], 65.0);
  EXPECT_EQ(ierr, 0);
  close();
  EXPECT_TRUE(take_log().empty());
  EXPECT_EQ(raf_test::read_bytes(file), before);
}

const FixtureCase kFixtures[] = {
    {"leg-time/legtime.raf", 14, 170, 38, 3},
    {"leg-static-bigendian/legstat.raf", 12, 165, 36, 2},
};

INSTANTIATE_TEST_SUITE_P(Raflib, ReferenceFiles, testing::ValuesIn(kFixtures),
                         [](const auto& info) {
                           return std::string(info.param.computer == 14 ? "TimeDomain"
                                                                        : "StaticBigEndian");
                         });

}  // namespace
