// Shrinking and release: DMSSHR, DMSRLS and DMSRLN, and a store filled,
// released and refilled with arrays of mixed element sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dms/dms.h"
#include "dms_test_support.h"

namespace {

using dms_test::kUnit;
using dms_test::UnitCapture;
using dms_test::WorkSpace;
using Lines = std::vector<std::string>;

/// NA 32 opened with a positive NLA (free space kept zero); lowest free
/// word 161.
class DmsRelease : public testing::Test {
 protected:
  void SetUp() override { dms_test::open_named_store(ws_.iw, 32, 0, kUnit); }
  /// Defines and allocates; fills integer arrays with 100*n + k.
  int32_t make(const char* name, int32_t n, int32_t length, int32_t w) {
    dms::DMSDEF(ws_.iw, name, n, length, w, 0);
    const int32_t p = dms::DMSPTR(ws_.iw, name, 0);
    const int64_t first = static_cast<int64_t>(p - 1) * w + 1;
    for (int64_t k = 0; k < static_cast<int64_t>(length) * w; ++k) {
      ws_.iw(first + k) = static_cast<int32_t>(100 * n + k);
    }
    return p;
  }
  void expect_values(const char* name, int32_t n) {
    const int32_t start = dms::DMSINQ(ws_.iw, name, dms::kInquireStart);
    const int32_t words = dms::DMSINQ(ws_.iw, name, dms::kInquireLength) *
                          dms::DMSINQ(ws_.iw, name, dms::kInquireWordsPerElement);
    for (int32_t k = 0; k < words; ++k) {
      ASSERT_EQ(ws_.iw(start + k), 100 * n + k) << name << " word " << k;
    }
  }
  int32_t start_of(const char* name) { return dms::DMSINQ(ws_.iw, name, dms::kInquireStart); }
  int32_t lowest_free() const { return dms::DMSPAR(ws_.iw, dms::kParameterLowestFree); }
  WorkSpace ws_{1000};
};

TEST_F(DmsRelease, ArrayAboveMovesToTheFirstAlignedWord) {
  make("MA", 11, 2, 1);                 // 161..162
  make("MB", 12, 3, 1);                 // 163..165
  ASSERT_EQ(make("TC", 13, 2, 2), 84);  // 167..170 after one alignment word
  dms::DMSRLN(ws_.iw, "MB", 0);
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);
  EXPECT_EQ(start_of("MB"), 0);
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "MB", dms::kInquireLength), 3);
  EXPECT_EQ(start_of("TC"), 163);
  EXPECT_EQ(dms::DMSPTR(ws_.iw, "TC", 0), 82);
  EXPECT_EQ(lowest_free(), 167);
  expect_values("MA", 11);
  expect_values("TC", 13);
  for (int64_t k = 167; k <= 170; ++k) EXPECT_EQ(ws_.iw(k), 0) << k;
  // Released storage is given again at the top, cleared.
  EXPECT_EQ(dms::DMSPTR(ws_.iw, "MB", 0), 167);
  for (int64_t k = 167; k <= 169; ++k) EXPECT_EQ(ws_.iw(k), 0) << k;
}

TEST_F(DmsRelease, ArrayAlreadyInPlaceStaysAndKeepsItsPointer) {
  make("MA", 11, 3, 1);                 // 161..163
  make("MB", 12, 1, 1);                 // 164
  ASSERT_EQ(make("TC", 13, 2, 2), 83);  // 165..168
  make("MD", 14, 2, 1);                 // 169..170
  dms::DMSRLN(ws_.iw, "MB", 0);
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);
  EXPECT_EQ(start_of("MB"), 0);
  EXPECT_EQ(dms::DMSPTR(ws_.iw, "TC", 0), 83);
  EXPECT_EQ(start_of("MD"), 169);
  EXPECT_EQ(lowest_free(), 171);
  EXPECT_EQ(ws_.iw(164), 0);
  expect_values("TC", 13);
  expect_values("MD", 14);
}

TEST_F(DmsRelease, ShrinkKeepsTheFirstElements) {
  make("MA", 11, 10, 1);  // 161..170
  make("MB", 12, 4, 1);   // 171..174
  int32_t status = 0;
  dms::DMSSHR(ws_.iw, 11, 4, 0, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "MA", dms::kInquireLength), 4);
  EXPECT_EQ(start_of("MB"), 165);
  EXPECT_EQ(lowest_free(), 169);
  expect_values("MA", 11);
  expect_values("MB", 12);
  dms::DMSSHR(ws_.iw, 12, 0, 0, status);  // an empty array keeps its one word
  EXPECT_EQ(start_of("MB"), 165);
  EXPECT_EQ(lowest_free(), 166);
  dms::DMSDEF(ws_.iw, "MC", 13, 3, 1, 0);  // without storage: only the length changes
  dms::DMSSHR(ws_.iw, 13, 1, 0, status);
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "MC", dms::kInquireLength), 1);
  EXPECT_EQ(status, 0);
}

TEST_F(DmsRelease, Errors) {
  make("MA", 11, 3, 1);
  int32_t status = 0;
  dms::DMSSHR(ws_.iw, 10, 0, 0, status);
  dms::DMSSHR(ws_.iw, 11, -1, 0, status);
  UnitCapture out;
  dms::DMSSHR(ws_.iw, 11, 4, 0, status);
  EXPECT_EQ(out.lines(), (Lines{"", "", "", " *** ERROR return from a  K O R  library routine",
                                "     Negative shrinking (i.e. expansion) attempted",
                                "     for array number   11"}));
  EXPECT_EQ(status, -3);
  EXPECT_EQ(dms::DMSSTA(ws_.iw), -3);
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "MA", dms::kInquireLength), 3);
  {
    UnitCapture unknown;
    dms::DMSRLN(ws_.iw, "MNONE", 6);
    EXPECT_EQ(unknown.lines(),
              (Lines{"", "", "", " *** ERROR return from a  K O R  library routine",
                     "     Storage allocation/release attempted for a non-",
                     "     existing array (MNONE)",
                     "     Detected by a DMS-routine called with label     6"}));
  }
  // Storage above reaching past the lowest free word: nothing moves.
  make("MB", 12, 2, 1);
  ws_.iw(32 + 12) = 50;  // words per element of MB
  dms::DMSRLS(ws_.iw, 11, 0, status);
  EXPECT_EQ(status, -4);
  EXPECT_EQ(start_of("MA"), 161);
  ws_.iw(32 + 12) = 1;
  expect_values("MA", 11);
  expect_values("MB", 12);
}

TEST(DmsReleaseMcmOnly, FreedWordsAreNotCleared) {
  WorkSpace ws(1000);
  dms_test::open_named_store(ws.iw, -32, 0, 0);
  dms::DMSDEF(ws.iw, "MA", 11, 2, 1, 0);
  dms::DMSDEF(ws.iw, "MB", 12, 2, 1, 0);
  dms::DMSPTR(ws.iw, "MA", 0);
  ASSERT_EQ(dms::DMSPTR(ws.iw, "MB", 0), 163);
  ws.iw(163) = 5;
  ws.iw(164) = 6;
  int32_t status = 0;
  dms::DMSRLS(ws.iw, 11, 0, status);
  EXPECT_EQ(dms::DMSPTR(ws.iw, "MB", 0), 161);
  EXPECT_EQ(ws.iw(161), 5);
  EXPECT_EQ(ws.iw(162), 6);
  EXPECT_EQ(ws.iw(163), 5);  // left as it was
}

// Fills the store with arrays of mixed element sizes, then releases,
// shrinks and re-allocates them at random; after every step each array with
// storage still holds its values, lies aligned and apart from the others
// below the lowest free word, and the free words are zero.
TEST(DmsMixedStore, ArraysKeepTheirValuesThroughMoves) {
  constexpr int64_t kWords = 6000;
  WorkSpace ws(kWords);
  dms_test::open_named_store(ws.iw, 53, 0, kUnit);
  struct Array {
    std::string name;
    int32_t w = 0;
    int32_t length = 0;
    int32_t generation = 0;
    bool stored = false;
  };
  std::map<int32_t, Array> arrays;
  uint32_t seed = 12345;
  const auto next = [&seed](uint32_t bound) {
    seed = seed * 1103515245U + 12345U;
    return (seed >> 16) % bound;
  };
  const int32_t sizes[] = {1, 2, 3, 4, 5, 10};
  for (int32_t n = 11; n <= 53; ++n) {
    Array a;
    a.name = (n % 3 == 0 ? "T" : "M") + std::to_string(n);
    a.w = sizes[next(6)];
    a.length = static_cast<int32_t>(next(30));
    arrays[n] = a;
    dms::DMSDEF(ws.iw, a.name, n, a.length, a.w, 0);
  }
  // Values: doubles for two-word elements, integers otherwise.
  const auto real_value = [](int32_t n, int32_t g, int64_t k) { return n + g / 8.0 + k * 0.001; };
  const auto int_value = [](int32_t n, int32_t g, int64_t k) {
    return static_cast<int32_t>(n * 100000 + g * 1000 + k);
  };
  const auto fill = [&](int32_t n, Array& a) {
    const int32_t p = dms::DMSPTR(ws.iw, a.name, 0);
    ASSERT_GT(p, 0);
    a.stored = true;
    ++a.generation;
    if (a.w == 2) {
      for (int64_t k = 0; k < a.length; ++k) ws.rw(p + k) = real_value(n, a.generation, k);
    } else {
      const int64_t first = static_cast<int64_t>(p - 1) * a.w + 1;
      for (int64_t k = 0; k < int64_t{a.length} * a.w; ++k) {
        ws.iw(first + k) = int_value(n, a.generation, k);
      }
    }
  };
  const auto check = [&](int round) {
    ASSERT_EQ(dms::DMSSTA(ws.iw), 0) << round;
    const int32_t lowest = dms::DMSPAR(ws.iw, dms::kParameterLowestFree);
    std::vector<bool> used(kWords + 1, false);
    for (const auto& [n, a] : arrays) {
      const int32_t start = dms::DMSINQ(ws.iw, a.name, dms::kInquireStart);
      ASSERT_EQ(start != 0, a.stored) << a.name << " round " << round;
      ASSERT_EQ(dms::DMSINQ(ws.iw, a.name, dms::kInquireLength), a.length) << a.name;
      if (!a.stored) continue;
      ASSERT_EQ((start - 1) % a.w, 0) << a.name;
      const int64_t words = a.length == 0 ? 1 : int64_t{a.length} * a.w;
      ASSERT_LE(start + words, lowest) << a.name;
      for (int64_t k = start; k < start + words; ++k) {
        ASSERT_FALSE(used[static_cast<std::size_t>(k)]) << a.name << " overlaps at " << k;
        used[static_cast<std::size_t>(k)] = true;
      }
      const int32_t p = (start - 1) / a.w + 1;
      if (a.w == 2) {
        for (int64_t k = 0; k < a.length; ++k) {
          ASSERT_EQ(ws.rw(p + k), real_value(n, a.generation, k)) << a.name << " round " << round;
        }
      } else {
        for (int64_t k = 0; k < int64_t{a.length} * a.w; ++k) {
          ASSERT_EQ(ws.iw(start + k), int_value(n, a.generation, k))
              << a.name << " round " << round;
        }
      }
    }
    for (int64_t k = lowest; k <= kWords; ++k) ASSERT_EQ(ws.iw(k), 0) << "free word " << k;
  };

  for (auto& [n, a] : arrays) fill(n, a);
  check(0);
  for (int round = 1; round <= 300; ++round) {
    const auto n = static_cast<int32_t>(11 + next(43));
    Array& a = arrays[n];
    int32_t status = 0;
    if (!a.stored) {
      fill(n, a);
    } else if (next(3) == 0 && a.length > 0) {
      a.length = static_cast<int32_t>(next(static_cast<uint32_t>(a.length)));
      dms::DMSSHR(ws.iw, n, a.length, 0, status);
    } else if (next(2) == 0) {
      dms::DMSRLN(ws.iw, a.name, 0);
      a.stored = false;
    } else {
      dms::DMSRLS(ws.iw, n, 0, status);
      a.stored = false;
    }
    ASSERT_EQ(status, 0);
    check(round);
    if (testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
