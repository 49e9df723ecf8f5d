// Name codes: DMSCOD, DMSDEC and DMSFND.
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

struct CodeCase {
  const char* name;
  int32_t first;
  int32_t second;
};

class DmsNameCode : public testing::TestWithParam<CodeCase> {};

TEST_P(DmsNameCode, EncodesAndDecodes) {
  const CodeCase c = GetParam();
  WorkSpace ws(1000);
  dms_test::open_named_store(ws.iw, -53, 0, kUnit);
  int32_t first = -1;
  int32_t second = -1;
  dms::DMSCOD(ws.iw, c.name, 0, first, second);
  EXPECT_EQ(first, c.first);
  EXPECT_EQ(second, c.second);

  std::string text(8, '?');
  int32_t count = -1;
  dms::DMSDEC(ws.iw, c.first, c.second, 0, text, count);
  const std::string name(c.name);
  EXPECT_EQ(count, static_cast<int32_t>(name.size()));
  EXPECT_EQ(text, name + std::string(8 - name.size(), ' '));
  EXPECT_EQ(dms::DMSSTA(ws.iw), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DmsNameCode,
    testing::Values(CodeCase{"MSTRU", 47535452, 55000000}, CodeCase{"A", 35000000, 0},
                    CodeCase{"ABCD", 35363738, 0}, CodeCase{"ABCDEFGH", 35363738, 39404142},
                    CodeCase{"!~", 3960000, 0}, CodeCase{"TGEPA", 54413950, 35000000}),
    [](const auto& info) {
      // A name of punctuation alone is named by its code.
      const std::string name = test_support::case_name(info.param.name);
      return name.empty() ? test_support::case_name("Code", info.param.first) : name;
    });

TEST(DmsNameCode, RefusesLongNamesAndIllegalCharacters) {
  for (const std::string name : {"ABCDEFGHI", "MS TRU", "M\tX", "\xC3\xA9T"}) {
    WorkSpace ws(1000);
    dms_test::open_named_store(ws.iw, -53, 0, 0);
    int32_t first = -1;
    int32_t second = -1;
    dms::DMSCOD(ws.iw, name, 0, first, second);
    EXPECT_EQ(first, 0) << name;
    EXPECT_EQ(second, 0) << name;
    EXPECT_EQ(dms::DMSSTA(ws.iw), -1) << name;
  }
}

TEST(DmsNameCode, CaseFlagFoldsLowerCase) {
  int32_t upper[2];
  int32_t lower[2];
  WorkSpace exact(1000);
  dms_test::open_named_store(exact.iw, -53, 0, 0, 0);
  dms::DMSCOD(exact.iw, "MSTRU", 0, upper[0], upper[1]);
  dms::DMSCOD(exact.iw, "mstru", 0, lower[0], lower[1]);
  EXPECT_NE(lower[0], upper[0]);
  EXPECT_EQ(lower[0], 79858684);

  WorkSpace folding(1000);
  dms_test::open_named_store(folding.iw, -53, 0, 0, 1);
  dms::DMSCOD(folding.iw, "mStRu", 0, lower[0], lower[1]);
  EXPECT_EQ(lower[0], upper[0]);
  EXPECT_EQ(lower[1], upper[1]);
}

TEST(DmsDecode, StopsAtPairZeroAndRejectsBadPairs) {
  WorkSpace ws(1000);
  dms_test::open_named_store(ws.iw, -53, 0, kUnit);
  std::string text;
  int32_t count = 0;
  dms::DMSDEC(ws.iw, 35000036, 0, 0, text, count);  // "A", then 00 ends the name
  EXPECT_EQ(text, "A       ");
  EXPECT_EQ(count, 1);
  dms::DMSDEC(ws.iw, 35000000, 36000000, 0, text, count);  // second word only after four
  EXPECT_EQ(count, 1);
  EXPECT_EQ(dms::DMSSTA(ws.iw), 0);

  UnitCapture out;
  dms::DMSDEC(ws.iw, 35360100, 0, 4, text, count);  // pair 01 gives code 31
  EXPECT_EQ(text, "AB      ");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(dms::DMSSTA(ws.iw), -1);
  const std::vector<std::string> lines = out.lines();
  ASSERT_EQ(lines.size(), 7U);
  EXPECT_EQ(lines[4], "     Illegal \"character number\" ( =        31 ) encountered");
  EXPECT_EQ(lines[5], "     during conversion from numbers to name - corrupt data?");
  EXPECT_EQ(lines[6], "     Detected by a DMS-routine called with label     4");
}

TEST(DmsFind, LowestNumberWithinTheNamedRange) {
  std::vector<int32_t> table(2 * 30, 0);
  const dms::IntView names(table.data(), static_cast<int64_t>(table.size()));
  names(3) = 20;
  const auto put = [&](int n, int32_t a, int32_t b) {
    names(2 * n - 1) = a;
    names(2 * n) = b;
  };
  put(15, 47535452, 55000000);
  put(18, 47535452, 55000000);
  put(16, 47535452, 0);
  put(25, 54413950, 0);  // above table word 3
  EXPECT_EQ(dms::DMSFND(names, 47535452, 55000000), 15);
  EXPECT_EQ(dms::DMSFND(names, 47535452, 0), 16);
  EXPECT_EQ(dms::DMSFND(names, 54413950, 0), 0);
  EXPECT_EQ(dms::DMSFND(names, 0, 0), 0);  // unnamed numbers are not a name
  names(3) = 1000000;                      // corrupt: the scan stops at the table's end
  EXPECT_EQ(dms::DMSFND(names, 54413950, 0), 25);
  EXPECT_EQ(dms::DMSFND(names, 11111111, 0), 0);
}

}  // namespace
