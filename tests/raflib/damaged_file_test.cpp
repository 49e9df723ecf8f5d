// Damaged files: every open and every read of a truncated or byte-garbled
// copy of a valid file either succeeds or is refused with a negative IERR
// and a message.  Run under the sanitizers this also shows that nothing in
// a file makes the library touch memory outside its buffers.
#include <gtest/gtest.h>

#include <random>

#include "raf_test_support.h"

namespace {

using raf_test::Bytes;
using raf_test::kRaf;
using raf_test::RafTest;

class DamagedFiles : public RafTest {
 public:
  // Two MFP pages, arrays of every type, one of them spanning records.
  void make_valid() {
    create("valid.raf", 72);
    for (int32_t k = 1; k <= 70; k += 3) {
      put_ints(k, std::vector<int32_t>(static_cast<std::size_t>(k * 3), k));
      put_reals(k + 1,
                std::vector<float>(static_cast<std::size_t>(k), 0.5F * static_cast<float>(k)));
      if (k + 2 <= 70)
        put_doubles(k + 2, std::vector<double>(static_cast<std::size_t>(k + 5), 1.0 / k));
    }
    close();
    valid_ = raf_test::read_bytes(path("valid.raf"));
  }

  // Opens the damaged image and reads every array its MFP lists.
  void open_and_read_all(const Bytes& image, const std::string& what) {
    raf_test::write_bytes(path("damaged.raf"), image);
    int32_t status = 0;
    raflib::RFRSET(status);
    raflib::RAFINI(raf_test::kLog);
    logged_ = log_size();
    const int32_t ierr = open("damaged.raf");
    expect_outcome(ierr, what + " open");
    if (ierr < 0 && raflib::raf_state().slots[0].unit != kRaf) return;
    const int32_t mfpmax = std::min(raflib::raf_state().slots[0].values.mfpmax, 200);
    for (int32_t k = 0; k <= mfpmax + 1; ++k) {
      int32_t lookup = 0;
      raflib::RFFNFP(kRaf, k, 0, 0, raflib::kModeNoChecks, lookup);
      const raflib::CurrentEntry e = raflib::raf_state().entry;
      logged_ = log_size();
      int32_t read = 0;
      switch (e.type) {
        case 2:
          raflib::RAFGRD(buffer_, e.used, k, kRaf, read);
          break;
        case 3:
          raflib::RAFGDP(buffer_, e.used, k, kRaf, read);
          break;
        default:
          raflib::RAFGIN(buffer_, e.used, k, kRaf, read);
          break;
      }
      expect_outcome(read, what + " array " + std::to_string(k));
    }
    int32_t closed = 0;
    raflib::RAFCLS(kRaf, closed);
    expect_outcome(closed, what + " close");
    platform::close_unit(kRaf);
  }

  void expect_outcome(int32_t ierr, const std::string& what) {
    const std::uintmax_t size = log_size();
    const bool wrote = size > logged_;
    logged_ = size;
    EXPECT_LE(ierr, 0) << what;
    if (ierr < 0) {
      EXPECT_TRUE(wrote) << what << " gave " << ierr << " without a message";
    }
  }

  Bytes valid_;
  std::uintmax_t logged_ = 0;
  std::vector<std::byte> buffer_ = std::vector<std::byte>(4096);
};

TEST_F(DamagedFiles, EveryTruncationAtARecordBoundary) {
  make_valid();
  const std::size_t records = valid_.size() / 512;
  ASSERT_GT(records, 8U);
  for (std::size_t r = 0; r < records; ++r) {
    Bytes cut(valid_.begin(), valid_.begin() + static_cast<std::ptrdiff_t>(r * 512));
    open_and_read_all(cut, "cut at " + std::to_string(r));
  }
}

TEST_F(DamagedFiles, RandomByteFlipsInKeyAndMfp) {
  make_valid();
  std::mt19937 random(2023);
  const std::size_t protected_bytes = 6 * 512;  // key and both MFP pages
  for (int trial = 0; trial < 300; ++trial) {
    Bytes image = valid_;
    const int flips = 1 + trial % 4;
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = random() % protected_bytes;
      image[at] = std::byte(random() & 0xFF);
    }
    open_and_read_all(image, "trial " + std::to_string(trial));
  }
}

TEST_F(DamagedFiles, ChosenCorruptionsOfTheNumbers) {
  make_valid();
  struct Patch {
    std::size_t offset;
    std::string_view text;
  };
  const Patch patches[] = {
      {124, "99999999"},  // MFPMAX far beyond the MFP on file
      {116, "99999990"},  // MFPADR far beyond the end
      {116, "-9999999"},  // negative MFPADR
      {140, "99999999"},  // MFPNXT at the limit
      {8, "  -7"},        // an old version with a huge MFPMAX below
  };
  for (const Patch& p : patches) {
    Bytes image = valid_;
    raf_test::patch_key(image, p.offset, p.text);
    if (p.offset == 8) raf_test::patch_key(image, 124, "99999999");
    open_and_read_all(image, std::string(p.text));
  }
  // MFP words at their extremes: address, type and counts of array 1.
  for (int32_t value :
       {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), -1}) {
    for (int word = 0; word < 4; ++word) {
      Bytes image = valid_;
      std::memcpy(image.data() + 2 * 512 + word * 4, &value, 4);
      open_and_read_all(image, "word " + std::to_string(word) + " = " + std::to_string(value));
    }
  }
}

}  // namespace
