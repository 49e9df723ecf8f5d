// The error writers DMSERN and DMSERA: exact records and the error count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dms/dms.h"
#include "dms_test_support.h"

namespace {

using dms_test::kUnit;
using dms_test::UnitCapture;
using dms_test::WorkSpace;
using Lines = std::vector<std::string>;

const std::string kError = " *** ERROR return from a  K O R  library routine";
const std::string kWarning = " *** WARNING from a  K O R  library routine";

class DmsErrorWriter : public testing::Test {
 protected:
  void SetUp() override {
    int32_t status = 0;
    dms::DMSOPN_32(ws_.iw, 1000, -53, 0, kUnit, status);
  }
  Lines written_by(void (*write)(dms::IntView)) {
    UnitCapture out;
    write(ws_.iw);
    return out.lines();
  }
  WorkSpace ws_{1000};
};

TEST_F(DmsErrorWriter, NameErrorWithHeadingAndLabel) {
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERN(iw, 24, "TFLE", 0, -3); }),
            (Lines{"", "", "", kError, "     Pointer requested for an undefined array (TFLE)",
                   "     Detected by a DMS-routine called with label    -3"}));
  EXPECT_EQ(dms::DMSSTA(ws_.iw), -1);
}

TEST_F(DmsErrorWriter, DefinitionErrorsNameTheArrayFirst) {
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERN(iw, 17, "TFLE", 30, 0); }),
            (Lines{"", "", "", kError, "     Array  TFLE  cannot be defined/redefined",
                   "     The array name already exists (for array no.   30)",
                   "     Detected by a DMS-routine called with label     0"}));
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERN(iw, 18, "MX", 53, 1); })[5],
            "     Maximum number of data arrays ( =  53 ) has alreadybeen defined");
}

TEST_F(DmsErrorWriter, FollowUpLineStandsAloneAndIsNotCounted) {
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERN(iw, 51, "MSTRU", 0, 9); }),
            (Lines{"     Occured for array  MSTRU"}));
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);
}

TEST_F(DmsErrorWriter, NoLabelLineAfter14And28) {
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERN(iw, 28, "TX", 0, 9); }),
            (Lines{"", "", "", kError, "     Attempt to retrieve an element from a non-existing",
                   "     array (TX)"}));
  EXPECT_EQ(dms::DMSSTA(ws_.iw), -1);
}

TEST_F(DmsErrorWriter, NumberWithoutTextGetsHeadingAndLabelOnly) {
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERN(iw, 30, "MX", 0, 12); }),
            (Lines{"", "", "", kError, "     Detected by a DMS-routine called with label    12"}));
}

TEST_F(DmsErrorWriter, SilentWithoutMessageUnitButStillCounted) {
  ws_.iw(4) = 0;
  EXPECT_TRUE(written_by([](dms::IntView iw) { dms::DMSERN(iw, 12, "A B", 0, 0); }).empty());
  EXPECT_TRUE(written_by([](dms::IntView iw) { dms::DMSERA(iw, 14, 1, 2, 3, 4); }).empty());
  EXPECT_EQ(dms::DMSSTA(ws_.iw), -1);
}

TEST_F(DmsErrorWriter, StorageWarning) {
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERA(iw, 1, 17, 0, 0, 0); }),
            (Lines{"", "", "", kWarning, "     Primary storage requested for an array (no.   17 )",
                   "     already occupying storage  -  old storage used"}));
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);
}

TEST_F(DmsErrorWriter, RoomExceededWithLabel) {
  EXPECT_EQ(
      written_by([](dms::IntView iw) { dms::DMSERA(iw, 14, 60, 5, 11, -1); }),
      (Lines{"", "", "", kError, "     Available primary (\"core\") storage (of      60 words)",
             "     exceeded (by      5 words) for array number   11",
             "     Detected by a DMS-routine called with label    -1"}));
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);  // its callers count
}

TEST_F(DmsErrorWriter, ValuesTooWideFillTheirField) {
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERA(iw, 14, 60, 123456789, 11, 0); })[5],
            "     exceeded (by******* words) for array number   11");
  EXPECT_EQ(written_by([](dms::IntView iw) { dms::DMSERA(iw, 12, 11, 20, 0, 0); }),
            (Lines{"", "", "", kError, "     Illegal number of words per element ( =  11 )",
                   "     specified for array number   20"}));
}

}  // namespace
