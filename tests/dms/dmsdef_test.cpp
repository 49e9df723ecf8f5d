// Definition: DMSSET and DMSDEF under given numbers and under numbers the
// store picks.
#include <gtest/gtest.h>

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

struct SetCase {
  int32_t number;
  int32_t length;
  int32_t w;
  Lines message;  // the records after the heading, label line excluded
};

class DmsSet : public testing::TestWithParam<SetCase> {};

TEST_P(DmsSet, RefusesAndChangesNothing) {
  const SetCase c = GetParam();
  WorkSpace ws(1000);
  dms_test::open_named_store(ws.iw, -32, 0, kUnit);
  dms::DMSDEF(ws.iw, "MSTORED", 12, 3, 1, 0);
  ASSERT_EQ(dms::DMSPTR(ws.iw, "MSTORED", 0), 161);
  const std::vector<int32_t> mcm(ws.iw.data(), ws.iw.data() + 96);
  UnitCapture out;
  int32_t status = 0;
  dms::DMSSET(ws.iw, c.number, c.length, c.w, 0, status);
  EXPECT_EQ(status, -1);
  EXPECT_EQ(dms::DMSSTA(ws.iw), -1);
  ws.iw(3) = 0;
  EXPECT_EQ(std::vector<int32_t>(ws.iw.data(), ws.iw.data() + 96), mcm);
  const Lines lines = out.lines();
  ASSERT_EQ(lines.size(), 4 + c.message.size());
  EXPECT_EQ(Lines(lines.begin() + 4, lines.end()), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DmsSet,
    testing::Values(SetCase{11,
                            2,
                            11,
                            {"     Illegal number of words per element ( =  11 )",
                             "     specified for array number   11"}},
                    SetCase{11,
                            2,
                            0,
                            {"     Illegal number of words per element ( =   0 )",
                             "     specified for array number   11"}},
                    SetCase{10, 2, 1, {"     Illegal data array number ( =    10 ) specified"}},
                    SetCase{33, 2, 1, {"     Illegal data array number ( =    33 ) specified"}},
                    SetCase{11, -1, 1, {"     Negative dimension specified for array number   11"}},
                    SetCase{12,
                            5,
                            1,
                            {"     Attempt to redefine an array ( no.   12 ) for which",
                             "     primary storage is already reserved"}}),
    [](const auto& info) {
      const SetCase& c = info.param;
      return test_support::case_name("Array", c.number, "Length", c.length, "Words", c.w);
    });

TEST(DmsDefine, GivenNumbers) {
  WorkSpace ws(1000);
  dms_test::open_named_store(ws.iw, -53, 0, kUnit);
  dms::DMSDEF(ws.iw, "MSTRU", 11, 20, 1, 0);
  dms::DMSDEF(ws.iw, "TFLE", 30, 6, 2, 0);
  EXPECT_EQ(dms::DMSNUM(ws.iw, "TFLE", 0), 30);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterHighestNamed), 30);
  EXPECT_EQ(dms::DMSINQ(ws.iw, "TFLE", dms::kInquireLength), 6);

  // Redefinition while there is no storage, under its own or a new name.
  dms::DMSDEF(ws.iw, "MSTRU", 11, 25, 1, 0);
  EXPECT_EQ(dms::DMSINQ(ws.iw, "MSTRU", dms::kInquireLength), 25);
  dms::DMSDEF(ws.iw, "MNEW", 11, 2, 3, 0);
  EXPECT_EQ(dms::DMSNUM(ws.iw, "MNEW", 0), 11);
  EXPECT_EQ(dms::DMSNUM(ws.iw, "MSTRU", 0), 0);

  // A number defined without a name above the named range gets its name found.
  int32_t status = 0;
  dms::DMSSET(ws.iw, 40, 1, 1, 0, status);
  dms::DMSDEF(ws.iw, "MLATE", 40, 1, 1, 0);
  EXPECT_EQ(dms::DMSNUM(ws.iw, "MLATE", 0), 40);
  EXPECT_EQ(dms::DMSSTA(ws.iw), 0);
}

TEST(DmsDefine, NameHeldByAnotherNumber) {
  WorkSpace ws(1000);
  dms_test::open_named_store(ws.iw, -53, 0, kUnit);
  dms::DMSDEF(ws.iw, "TFLE", 30, 6, 2, 0);
  dms::DMSDEF(ws.iw, "MSTRU", 11, 6, 2, 0);
  for (const int32_t number : {31, 11}) {  // a new number, and a defined one
    UnitCapture out;
    dms::DMSDEF(ws.iw, "TFLE", number, 3, 1, 4);
    EXPECT_EQ(out.lines(),
              (Lines{"", "", "", kError, "     Array  TFLE  cannot be defined/redefined",
                     "     The array name already exists (for array no.   30)",
                     "     Detected by a DMS-routine called with label     4"}));
  }
  EXPECT_EQ(dms::DMSSTA(ws.iw), -2);
  EXPECT_EQ(dms::DMSINQ(ws.iw, "MSTRU", dms::kInquireLength), 6);
  EXPECT_EQ(ws.iw(53 + 31), 0);  // number 31 stays undefined
}

struct DefineErrorCase {
  int32_t numbering_mode;
  int32_t number;
  std::string detail;  // the record after "cannot be defined/redefined"
};

class DmsDefineErrors : public testing::TestWithParam<DefineErrorCase> {};

TEST_P(DmsDefineErrors, Refused) {
  const DefineErrorCase c = GetParam();
  WorkSpace ws(1000);
  dms_test::open_named_store(ws.iw, -53, c.numbering_mode, kUnit);
  ws.iw(53 + 45) = -1;  // a corrupt words-per-element word at number 45
  UnitCapture out;
  dms::DMSDEF(ws.iw, "MX", c.number, 1, 1, 0);
  const Lines lines = out.lines();
  ASSERT_EQ(lines.size(), 7U);
  EXPECT_EQ(lines[4], "     Array  MX  cannot be defined/redefined");
  EXPECT_EQ(lines[5], c.detail);
  EXPECT_EQ(dms::DMSSTA(ws.iw), -1);
  EXPECT_EQ(dms::DMSNUM(ws.iw, "MX", 0), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DmsDefineErrors,
    testing::Values(
        DefineErrorCase{0, 0, "     Implicit numbering is requested, but not specified"},
        DefineErrorCase{1, 20, "     Explicit numbering is requested, but not specified"},
        DefineErrorCase{0, 10, "     Illegal array number ( =   10 ) requested"},
        DefineErrorCase{0, 54, "     Illegal array number ( =   54 ) requested"},
        DefineErrorCase{0, 45, "     The DMS \"book-keeping-system\" is corrupt"}),
    [](const auto& info) {
      return test_support::case_name("Mode", info.param.numbering_mode, "Array", info.param.number);
    });

TEST(DmsDefine, NumbersPickedByTheStore) {
  WorkSpace ws(1000);
  dms_test::open_named_store(ws.iw, -12, dms::kImplicitNumbering, kUnit);
  dms::DMSDEF(ws.iw, "NUMRAF", 0, 20, 1, 0);
  dms::DMSDEF(ws.iw, "KEYRAF", 0, 40, 1, 0);
  EXPECT_EQ(dms::DMSNUM(ws.iw, "NUMRAF", 0), 11);
  EXPECT_EQ(dms::DMSNUM(ws.iw, "KEYRAF", 0), 12);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterNextNumber), 13);
  EXPECT_EQ(dms::DMSSTA(ws.iw), 0);
  UnitCapture out;
  dms::DMSDEF(ws.iw, "IARRNM", 0, 2, 1, 0);
  EXPECT_EQ(out.lines()[5], "     Maximum number of data arrays ( =  12 ) has alreadybeen defined");
  EXPECT_EQ(dms::DMSSTA(ws.iw), -1);
}

TEST(DmsDefine, EmptyOrMalformedNameIsRefused) {
  for (const std::string name : {"", "A B", "ABCDEFGHI"}) {
    WorkSpace ws(1000);
    dms_test::open_named_store(ws.iw, -53, 0, kUnit);
    UnitCapture out;
    dms::DMSDEF(ws.iw, name, 11, 1, 1, 0);
    EXPECT_EQ(out.lines().back(), "     Occured for array  " + name);
    EXPECT_EQ(dms::DMSSTA(ws.iw), -1) << name;
    EXPECT_EQ(ws.iw(53 + 11), 0) << name;
  }
}

TEST(DmsFill, SetsOnlyTheRequestedIntegers) {
  std::vector<int32_t> block(10, 7);
  dms::IFILL(dms::Vec1<int32_t>(block.data(), 8), 2, 3, -4);
  EXPECT_EQ(block, (std::vector<int32_t>{-4, -4, -4, -4, -4, -4, 7, 7, 7, 7}));
  dms::IFILL(dms::Vec1<int32_t>(block.data(), 8), 3, 0, 1);
  dms::IFILL(dms::Vec1<int32_t>(block.data(), 8), -2, 3, 1);
  EXPECT_EQ(block[0], -4);
  dms::IFILL(dms::Vec1<int32_t>(block.data(), 8), 5, 5, 9);  // clipped to the view
  EXPECT_EQ(block, (std::vector<int32_t>{9, 9, 9, 9, 9, 9, 9, 9, 7, 7}));
}

}  // namespace
