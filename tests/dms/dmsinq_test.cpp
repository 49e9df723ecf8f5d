// Queries: DMSNUM, DMSNAM, DMSINQ, DMSMOD, DMSPAR, DMSGTW and DMSPTW.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dms/dms.h"
#include "dms/named_view.h"
#include "dms_test_support.h"

namespace {

using dms_test::kUnit;
using dms_test::UnitCapture;
using dms_test::WorkSpace;

/// NA 53, numbers given by the caller; MSTRU (11) has 20 one-word elements
/// and storage, TCOOR (12) 5 two-word elements and none.
class DmsQuery : public testing::Test {
 protected:
  void SetUp() override {
    dms_test::open_named_store(ws_.iw, -53, 0, kUnit);
    dms::DMSDEF(ws_.iw, "MSTRU", 11, 20, 1, 0);
    dms::DMSDEF(ws_.iw, "TCOOR", 12, 5, 2, 0);
    ASSERT_EQ(dms::DMSPTR(ws_.iw, "MSTRU", 0), 266);
    ASSERT_EQ(dms::DMSSTA(ws_.iw), 0);
  }
  WorkSpace ws_{2000};
};

TEST_F(DmsQuery, NamedViewChecksElementSizeAndRange) {
  // MSTRU: 20 one-word elements; TCOOR: 5 two-word elements.
  const dms::IntView iw = ws_.iw;
  const dms::RealView rw = ws_.rw;
  struct Case {
    const char* name;
    bool real;
    int64_t pointer;
    dms::ViewFault fault;
    int32_t words;
  };
  const std::vector<Case> cases = {
      {"MSTRU", false, 266, dms::ViewFault::kNone, 1},
      {"MSTRU", false, iw.size() - 19, dms::ViewFault::kNone, 1},  // ends on the last word
      {"MSTRU", false, iw.size() - 18, dms::ViewFault::kOutside, 1},
      {"MSTRU", false, 0, dms::ViewFault::kOutside, 1},
      {"MSTRU", true, 133, dms::ViewFault::kElementSize, 1},
      {"TCOOR", true, rw.size() - 4, dms::ViewFault::kNone, 2},
      {"TCOOR", true, rw.size() - 3, dms::ViewFault::kOutside, 2},
      {"TCOOR", false, 266, dms::ViewFault::kElementSize, 2},
  };
  const auto check = [&](const Case& c, auto view) {
    SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.pointer));
    const auto v = dms::named_view(iw, view, c.name, c.pointer);
    EXPECT_EQ(v.fault, c.fault);
    EXPECT_EQ(v.words, c.words);
    if (c.fault != dms::ViewFault::kNone) {
      EXPECT_EQ(v.values.size(), 0);
      return;
    }
    EXPECT_EQ(v.values.size(), c.real ? 5 : 20);
    EXPECT_EQ(v.values.data(), &view(c.pointer));
  };
  for (const Case& c : cases) c.real ? check(c, rw) : check(c, iw);
}

TEST_F(DmsQuery, InquiryCodes) {
  const dms::IntView iw = ws_.iw;
  EXPECT_EQ(dms::DMSINQ(iw, "MSTRU", dms::kInquireLength), 20);
  EXPECT_EQ(dms::DMSINQ(iw, "MSTRU", dms::kInquireWordsPerElement), 1);
  EXPECT_EQ(dms::DMSINQ(iw, "MSTRU", dms::kInquireStart), 266);
  EXPECT_EQ(dms::DMSINQ(iw, "TCOOR", dms::kInquireStart), 0);
  EXPECT_EQ(dms::DMSINQ(iw, "TCOOR", dms::kInquireWordsPerElement), 2);
  EXPECT_EQ(dms::DMSINQ(iw, "MSTRU", dms::kInquireFileUnit), 0);  // no file option
  EXPECT_EQ(dms::DMSINQ(iw, "MSTRU", 6), 0);
  EXPECT_EQ(dms::DMSINQ(iw, "MSTRU", 0), 0);
}

TEST_F(DmsQuery, InquiryNeverWritesOrCounts) {
  UnitCapture out;
  for (const char* name : {"MNONE", "", "A B", "TOOLONGNAME", "mstru"}) {
    EXPECT_EQ(dms::DMSINQ(ws_.iw, name, dms::kInquireLength), -1) << name;
  }
  EXPECT_TRUE(out.lines().empty());
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);
  EXPECT_EQ(ws_.iw(4), kUnit);
}

TEST_F(DmsQuery, NumberOfAName) {
  EXPECT_EQ(dms::DMSNUM(ws_.iw, "TCOOR", 0), 12);
  EXPECT_EQ(dms::DMSNUM(ws_.iw, "TNONE", 0), 0);
  EXPECT_EQ(dms::DMSNUM(ws_.iw, "", 0), 0);  // unnamed numbers do not match
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);
  UnitCapture out;
  EXPECT_EQ(dms::DMSNUM(ws_.iw, "A B", 2), 0);
  const std::vector<std::string> lines = out.lines();
  ASSERT_EQ(lines.size(), 7U);
  EXPECT_EQ(lines[4], "     Illegal character encountered in array name  A B");
  EXPECT_EQ(lines[6], "     Occured for array  A B");
  EXPECT_EQ(dms::DMSSTA(ws_.iw), -1);
}

TEST_F(DmsQuery, NameOfANumber) {
  std::string name;
  int32_t count = -1;
  dms::DMSNAM(ws_.iw, 12, 0, name, count);
  EXPECT_EQ(name, "TCOOR   ");
  EXPECT_EQ(count, 5);
  dms::DMSNAM(ws_.iw, 20, 0, name, count);
  EXPECT_EQ(name, "        ");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(dms::DMSSTA(ws_.iw), 0);

  for (const int32_t number : {10, 54}) {
    UnitCapture out;
    dms::DMSNAM(ws_.iw, number, 0, name, count);
    const std::vector<std::string> lines = out.lines();
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(lines[4], "     Name requested for an illegal array number (=" +
                            std::string(number < 54 ? "   10" : "   54") + ")");
    EXPECT_EQ(count, 0);
  }
  EXPECT_EQ(dms::DMSSTA(ws_.iw), -2);
}

TEST_F(DmsQuery, Parameters) {
  const dms::IntView iw = ws_.iw;
  const std::vector<int32_t> expected = {0, 53, kUnit, 1, 286, 2000, 285, 0, 0, 12, 0};
  for (int32_t code = 0; code <= 10; ++code) {
    EXPECT_EQ(dms::DMSPAR(iw, code), expected[static_cast<std::size_t>(code)]) << code;
  }
}

TEST_F(DmsQuery, SectionWords) {
  const dms::IntView iw = ws_.iw;
  EXPECT_EQ(dms::DMSGTW(iw, 8, 11), 266);
  EXPECT_EQ(dms::DMSGTW(iw, 6, 12), 5);
  dms::DMSPTW(iw, 6, 12, 7);
  EXPECT_EQ(dms::DMSINQ(iw, "TCOOR", dms::kInquireLength), 7);
  EXPECT_EQ(dms::DMSSTA(iw), 0);
  // Sections 9 and 10 exist only with the file option; 5 is no section.
  EXPECT_EQ(dms::DMSGTW(iw, 9, 11), 0);
  EXPECT_EQ(dms::DMSGTW(iw, 5, 1), 0);
  EXPECT_EQ(dms::DMSGTW(iw, 6, 54), 0);
  dms::DMSPTW(iw, 10, 11, 1);
  EXPECT_EQ(dms::DMSSTA(iw), -4);
}

TEST(DmsMode, NamingModes) {
  WorkSpace caller(1000);
  dms_test::open_named_store(caller.iw, -53, 0);
  EXPECT_EQ(dms::DMSMOD(caller.iw), dms::kModeNumberedByCaller);
  WorkSpace store(1000);
  dms_test::open_named_store(store.iw, -53, dms::kImplicitNumbering);
  EXPECT_EQ(dms::DMSMOD(store.iw), dms::kModeNumberedByStore);

  WorkSpace files(1000);
  int32_t status = 0;
  dms::DMSOPN_32(files.iw, 1000, -53, 1, 0, status);
  dms::DMSANN(files.iw, 0, 0, 0);
  EXPECT_EQ(dms::DMSMOD(files.iw), dms::kModeNumberedByCaller + dms::kModeFileOption);
  dms::DMSDEF(files.iw, "MFILE", 11, 3, 1, 0);
  dms::DMSPTW(files.iw, 9, 11, 31);
  EXPECT_EQ(dms::DMSINQ(files.iw, "MFILE", dms::kInquireFileUnit), 31);
  EXPECT_EQ(dms::DMSINQ(files.iw, "MFILE", dms::kInquireFileAddress), 0);

  caller.iw(266 - 2 * 53) = 5;  // table word 1 from 1 to 10: corrupt
  EXPECT_EQ(dms::DMSMOD(caller.iw), 0);
  EXPECT_EQ(dms::DMSSTA(caller.iw), -1);
}

}  // namespace
