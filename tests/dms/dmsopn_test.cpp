// Opening the store (DMSOPN_32) and adding the name table (DMSANN).
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "dms/dms.h"
#include "dms_test_support.h"
#include "support/case_name.h"
#include "textio/textio.h"

namespace {

using dms_test::kSentinel;
using dms_test::kUnit;
using dms_test::UnitCapture;
using dms_test::WorkSpace;
using Lines = std::vector<std::string>;

TEST(DmsOpen, LaysOutTheMcmAndClearsOnlyItWithNegativeNla) {
  WorkSpace ws(1000);
  int32_t status = 0;
  dms::DMSOPN_32(ws.iw, 1000, -53, 0, kUnit, status);
  const auto& iw = ws.iw;
  EXPECT_EQ(status, 0);
  const std::vector<int32_t> control = {106, 159, 0, kUnit, 1, 53, 53, 53, 0, 0};
  for (int k = 1; k <= 10; ++k) EXPECT_EQ(iw(k), control[k - 1]) << "word " << k;
  for (int k = 59; k <= 61; ++k) EXPECT_EQ(iw(k), 1) << "word " << k;
  EXPECT_EQ(iw(62), 0);
  EXPECT_EQ(iw(107), 160);   // lowest free word
  EXPECT_EQ(iw(108), 1000);  // highest free word
  EXPECT_EQ(iw(109), 160);   // high-water mark
  EXPECT_EQ(iw(111), 0);     // no name table
  EXPECT_EQ(iw(112), 1);
  EXPECT_EQ(iw(113), 54);
  EXPECT_EQ(iw(114), 107);
  EXPECT_EQ(iw(160), 0);
  EXPECT_EQ(iw(161), kSentinel);
  EXPECT_EQ(iw(1000), kSentinel);
}

TEST(DmsOpen, PositiveNlaClearsTheWholeArray) {
  WorkSpace ws(500);
  int32_t status = 0;
  dms::DMSOPN_32(ws.iw, 500, 20, 0, 0, status);
  EXPECT_EQ(ws.iw(5), 0);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 61);
  for (int64_t k = 61; k <= 500; ++k) ASSERT_EQ(ws.iw(k), 0) << "word " << k;
}

TEST(DmsOpen, FileOptionAddsTwoSections) {
  WorkSpace ws(300);
  int32_t status = 0;
  dms::DMSOPN_32(ws.iw, 300, -20, 1, 0, status);
  EXPECT_EQ(ws.iw(9), 20);
  EXPECT_EQ(ws.iw(10), 20);
  EXPECT_EQ(ws.iw(29), 1);
  EXPECT_EQ(ws.iw(30), 1);
  EXPECT_EQ(ws.iw(49), 61);
  EXPECT_EQ(ws.iw(50), 81);
  EXPECT_EQ(ws.iw(2), 100);
  EXPECT_EQ(ws.iw(41), 101);
  EXPECT_EQ(dms::DMSMOD(ws.iw), dms::kModeNoNames + dms::kModeFileOption);
}

struct OpenCase {
  int32_t nla;
  int32_t nwiwa;
  bool ok;
};

class DmsOpenParameters : public testing::TestWithParam<OpenCase> {};

TEST_P(DmsOpenParameters, AcceptsOrRefuses) {
  const OpenCase c = GetParam();
  WorkSpace ws(40);
  UnitCapture out;
  ASSERT_TRUE(out.ok());
  int32_t status = 0;
  dms::DMSOPN_32(ws.iw, c.nwiwa, c.nla, 0, kUnit, status);
  if (c.ok) {
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ws.iw(3), 0);
    EXPECT_TRUE(out.lines().empty());
    return;
  }
  EXPECT_EQ(status, -1);
  EXPECT_EQ(ws.iw(3), kSentinel - 1);
  EXPECT_EQ(ws.iw(6), kSentinel);  // nothing laid out
  const Lines lines = out.lines();
  ASSERT_EQ(lines.size(), 5U);
  EXPECT_EQ(lines[3], " *** ERROR RETURN - K O R LIBRARY ROUTINE DMSOPN_32 **");
  EXPECT_EQ(lines[4], "     ILLEGAL PARAMETER(S) : NWIWA, NLA  =" + textio::int_field(c.nwiwa, 8) +
                          textio::int_field(c.nla, 8));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DmsOpenParameters,
    testing::Values(OpenCase{-10, 40, false}, OpenCase{10, 40, false}, OpenCase{-11, 34, true},
                    OpenCase{11, 34, true}, OpenCase{-11, 33, false}, OpenCase{INT_MIN, 40, false},
                    OpenCase{-11, 41, false}),  // more words than the work array has
    [](const auto& info) {
      return test_support::case_name("Nwiwa", info.param.nwiwa, "Nla", info.param.nla);
    });

TEST(DmsOpen, FailureMessageLayout) {
  WorkSpace ws(40);
  UnitCapture out;
  int32_t status = 0;
  dms::DMSOPN_32(ws.iw, 40, -10, 0, kUnit, status);
  EXPECT_EQ(out.lines(),
            (Lines{"", "", "", " *** ERROR RETURN - K O R LIBRARY ROUTINE DMSOPN_32 **",
                   "     ILLEGAL PARAMETER(S) : NWIWA, NLA  =      40     -10"}));
}

TEST(DmsNameTable, FollowsTheMcm) {
  WorkSpace ws(1000);
  int32_t status = 0;
  dms::DMSOPN_32(ws.iw, 1000, -53, 0, 0, status);
  ws.iw(200) = 99;  // stale data inside the table's words
  dms::DMSANN(ws.iw, dms::kImplicitNumbering, 1, 0);
  EXPECT_EQ(ws.iw(111), 160);
  EXPECT_EQ(ws.iw(2), 265);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 266);
  EXPECT_EQ(ws.iw(160), 11);
  EXPECT_EQ(ws.iw(161), 1);
  EXPECT_EQ(ws.iw(162), 10);
  EXPECT_EQ(ws.iw(200), 0);
  EXPECT_EQ(ws.iw(266), kSentinel);
  EXPECT_EQ(dms::DMSMOD(ws.iw), dms::kModeNumberedByStore);
  EXPECT_EQ(dms::DMSSTA(ws.iw), 0);
}

TEST(DmsNameTable, RefusedOutOfOrder) {
  const Lines expected = {"",
                          "",
                          "",
                          " *** ERROR return from a  K O R  library routine",
                          "     Subroutine DMSANN is called out of order",
                          "     (or the DMS \"book-keeping-system\" is corrupt)"};
  {  // a second table
    WorkSpace ws(1000);
    dms_test::open_named_store(ws.iw, -53, 0, kUnit);
    UnitCapture out;
    dms::DMSANN(ws.iw, 0, 0, 7);
    EXPECT_EQ(out.lines(), expected);
    EXPECT_EQ(dms::DMSSTA(ws.iw), -1);
    EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 266);
  }
  {  // after storage was handed out
    WorkSpace ws(1000);
    int32_t status = 0;
    dms::DMSOPN_32(ws.iw, 1000, -53, 0, kUnit, status);
    int32_t pointer = 0;
    dms::DMSSET(ws.iw, 11, 4, 1, 0, status);
    dms::DMSALC(ws.iw, 11, pointer, 0, status);
    ASSERT_EQ(pointer, 160);
    UnitCapture out;
    dms::DMSANN(ws.iw, 0, 0, 0);
    EXPECT_EQ(out.lines(), expected);
    EXPECT_EQ(ws.iw(111), 0);
  }
}

TEST(DmsNameTable, TooLargeLeavesTheMcmUnchanged) {
  WorkSpace ws(54);  // NA 11: MCM 1..33, table 34..55 needs one word more
  int32_t status = 0;
  dms::DMSOPN_32(ws.iw, 54, -11, 0, kUnit, status);
  UnitCapture out;
  dms::DMSANN(ws.iw, 0, 0, 3);
  EXPECT_EQ(out.lines(), (Lines{"", "", "", " *** ERROR return from a  K O R  library routine",
                                "     The DMS \"book-keeping-system\" exceeds available",
                                "     storage space in work array by      1 words",
                                "     Detected by a DMS-routine called with label     3"}));
  EXPECT_EQ(ws.iw(2 * 11 + 5), 0);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 34);
  EXPECT_EQ(dms::DMSMOD(ws.iw), dms::kModeNoNames);
}

}  // namespace
