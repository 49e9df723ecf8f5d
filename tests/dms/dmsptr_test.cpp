// Pointers and storage: DMSPTR and DMSALC, including a corrupt MCM.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "dms/dms.h"
#include "dms_test_support.h"
#include "support/case_name.h"

namespace {

using dms_test::kUnit;
using dms_test::UnitCapture;
using dms_test::WorkSpace;
using Lines = std::vector<std::string>;

const std::string kError = " *** ERROR return from a  K O R  library routine";

/// NA 32: MCM 1..96, name table 97..160, lowest free word 161.
class DmsStorage : public testing::Test {
 protected:
  void SetUp() override {
    dms_test::open_named_store(ws_.iw, -32, 0, kUnit);
    ASSERT_EQ(dms::DMSPAR(ws_.iw, dms::kParameterLowestFree), 161);
  }
  int32_t lowest_free() const { return dms::DMSPAR(ws_.iw, dms::kParameterLowestFree); }
  WorkSpace ws_{1000};
};

TEST_F(DmsStorage, PointerAllocatesOnceAtTheLowestFreeWord) {
  dms::DMSDEF(ws_.iw, "TDISP", 11, 4, 2, 0);
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "TDISP", dms::kInquireStart), 0);
  EXPECT_EQ(dms::DMSPTR(ws_.iw, "TDISP", 0), 81);
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "TDISP", dms::kInquireStart), 161);
  EXPECT_EQ(lowest_free(), 169);
  EXPECT_EQ(dms::DMSPAR(ws_.iw, dms::kParameterHighWater), 168);
  EXPECT_EQ(dms::DMSPTR(ws_.iw, "TDISP", 0), 81);
  EXPECT_EQ(lowest_free(), 169);
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);
}

struct AlignCase {
  int32_t below_length;  // one-word elements stored first
  int32_t w;
  int32_t length;
  int32_t start;
  int32_t pointer;
  int32_t next_free;
};

class DmsAlignment : public DmsStorage, public testing::WithParamInterface<AlignCase> {};

TEST_P(DmsAlignment, StartsOnAMultipleOfTheElementSize) {
  const AlignCase c = GetParam();
  dms::DMSDEF(ws_.iw, "MBELOW", 11, c.below_length, 1, 0);
  ASSERT_EQ(dms::DMSPTR(ws_.iw, "MBELOW", 0), 161);
  dms::DMSDEF(ws_.iw, "XARR", 12, c.length, c.w, 0);
  EXPECT_EQ(dms::DMSPTR(ws_.iw, "XARR", 0), c.pointer);
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "XARR", dms::kInquireStart), c.start);
  EXPECT_EQ(lowest_free(), c.next_free);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DmsAlignment,
    testing::Values(AlignCase{1, 2, 3, 163, 82, 169}, AlignCase{2, 2, 3, 163, 82, 169},
                    AlignCase{1, 4, 1, 165, 42, 169}, AlignCase{1, 3, 2, 163, 55, 169},
                    AlignCase{0, 10, 2, 171, 18, 191}, AlignCase{3, 1, 0, 164, 164, 165},
                    AlignCase{0, 1, 0, 162, 162, 163}),
    [](const auto& info) {
      const AlignCase& c = info.param;
      return test_support::case_name("Below", c.below_length, "Words", c.w, "Length", c.length);
    });

TEST_F(DmsStorage, AllocatingAgainWarnsAndKeepsTheStorage) {
  dms::DMSDEF(ws_.iw, "TDISP", 15, 4, 2, 0);
  ASSERT_EQ(dms::DMSPTR(ws_.iw, "TDISP", 0), 81);
  UnitCapture out;
  int32_t pointer = 0;
  int32_t status = 0;
  dms::DMSALC(ws_.iw, 15, pointer, 0, status);
  EXPECT_EQ(pointer, 81);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);
  EXPECT_EQ(lowest_free(), 169);
  EXPECT_EQ(out.lines(), (Lines{"", "", "", " *** WARNING from a  K O R  library routine",
                                "     Primary storage requested for an array (no.   15 )",
                                "     already occupying storage  -  old storage used"}));
}

TEST_F(DmsStorage, AllocationErrors) {
  int32_t pointer = -1;
  int32_t status = 0;
  dms::DMSALC(ws_.iw, 10, pointer, 0, status);  // reserved number
  EXPECT_EQ(pointer, 0);
  dms::DMSALC(ws_.iw, 33, pointer, 0, status);  // above NA
  dms::DMSALC(ws_.iw, 20, pointer, 0, status);  // undefined
  EXPECT_EQ(status, -3);
  EXPECT_EQ(dms::DMSSTA(ws_.iw), -3);
  EXPECT_EQ(lowest_free(), 161);
}

TEST(DmsRoom, ExceededLeavesTheArrayWithoutStorage) {
  WorkSpace ws(65);  // NA 12: lowest free word 61, highest 65
  dms_test::open_named_store(ws.iw, -12, 0, kUnit);
  dms::DMSDEF(ws.iw, "MBIG", 11, 10, 1, 0);
  UnitCapture out;
  EXPECT_EQ(dms::DMSPTR(ws.iw, "MBIG", 7), 0);
  EXPECT_EQ(out.lines(), (Lines{"", "", "", kError,
                                "     Available primary (\"core\") storage (of      65 words)",
                                "     exceeded (by      5 words) for array number   11",
                                "     Detected by a DMS-routine called with label     7",
                                "     Occured for array  MBIG"}));
  EXPECT_EQ(dms::DMSSTA(ws.iw), -1);
  EXPECT_EQ(dms::DMSINQ(ws.iw, "MBIG", dms::kInquireStart), 0);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 61);
  EXPECT_EQ(dms::DMSPTR(ws.iw, "MBIG", 7), 0);  // still no pointer into missing room
  // What fits is still handed out: 5 words, up to the last word.
  dms::DMSDEF(ws.iw, "MFIT", 12, 5, 1, 0);
  EXPECT_EQ(dms::DMSPTR(ws.iw, "MFIT", 0), 61);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 66);
  EXPECT_EQ(dms::DMSSTA(ws.iw), -2);
}

TEST_F(DmsStorage, PointerErrors) {
  {
    UnitCapture out;
    EXPECT_EQ(dms::DMSPTR(ws_.iw, "TNONE", 5), 0);
    EXPECT_EQ(out.lines(),
              (Lines{"", "", "", kError, "     Pointer requested for an undefined array (TNONE)",
                     "     Detected by a DMS-routine called with label     5"}));
  }
  dms::DMSDEF(ws_.iw, "TDISP", 11, 4, 2, 0);
  ASSERT_EQ(dms::DMSPTR(ws_.iw, "TDISP", 0), 81);  // words 161..168
  dms::DMSPTW(ws_.iw, 6, 11, 3);
  dms::DMSPTW(ws_.iw, 8, 11, 162);  // start not on an element boundary
  UnitCapture out;
  EXPECT_EQ(dms::DMSPTR(ws_.iw, "TDISP", 0), 0);
  EXPECT_EQ(out.lines()[4], "     Inconsistent (corrupt) DMS-info for array TDISP");
  EXPECT_EQ(dms::DMSSTA(ws_.iw), -2);
}

// Whatever the MCM holds, no pointer to storage outside the work array comes
// out and no word outside it is touched (the sanitizer build checks the
// latter).
TEST_F(DmsStorage, CorruptBookKeepingGivesErrorThirteen) {
  dms::DMSDEF(ws_.iw, "MSTRU", 11, 4, 1, 0);
  ASSERT_EQ(dms::DMSPTR(ws_.iw, "MSTRU", 0), 161);
  struct Damage {
    int64_t word;
    int32_t value;
  };
  const std::vector<Damage> damages = {
      {2 * 32 + 11, 100001},   // storage start far beyond the lowest free word
      {2 * 32 + 11, -3},       // negative storage start
      {0 * 32 + 11, INT_MAX},  // length reaching beyond the work array
      {1 * 32 + 11, -2},       // negative words per element
      {6, 1000000},            // NA larger than the work array
      {6, 3},                  // NA below the first user number
      {2 * 32 + 5, 990},       // name table running past the end
      {2 * 32 + 2, 5000},      // highest free word past the end
      {2 * 32 + 1, 1},         // lowest free word inside the book-keeping
  };
  for (const Damage d : damages) {
    const int32_t saved = ws_.iw(d.word);
    ws_.iw(d.word) = d.value;
    const int32_t before = dms::DMSSTA(ws_.iw);
    UnitCapture out;
    EXPECT_EQ(dms::DMSPTR(ws_.iw, "MSTRU", 0), 0) << "word " << d.word;
    int32_t pointer = -1;
    int32_t status = 0;
    dms::DMSALC(ws_.iw, 11, pointer, 0, status);
    EXPECT_EQ(pointer, 0) << "word " << d.word;
    EXPECT_EQ(status, -1) << "word " << d.word;
    EXPECT_EQ(dms::DMSSTA(ws_.iw), before - 2) << "word " << d.word;
    const Lines lines = out.lines();
    ASSERT_GE(lines.size(), 5U);
    EXPECT_EQ(lines[4], "     The DMS \"book-keeping-system\" (MCM) is corrupt") << d.word;
    ws_.iw(d.word) = saved;
  }
  EXPECT_EQ(dms::DMSPTR(ws_.iw, "MSTRU", 0), 161);
}

}  // namespace
