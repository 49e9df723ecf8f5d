// The catalogue of a fresh store (ARINIT), the merge of a file's catalogue
// (ARMERG) and the lookup of arrays by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dms/dms.h"
#include "recall/recall.h"
#include "recall_test_support.h"

namespace {

using recall_test::kUnit;
using recall_test::Output;
using recall_test::WorkSpace;
using Lines = std::vector<std::string>;
using Words = std::vector<int32_t>;

TEST(Arinit, CreatesTheCatalogueArraysAndPredefinesTheNames) {
  WorkSpace ws(2000);
  ASSERT_EQ(recall_test::open_catalogue(ws.iw), 0);
  const auto numraf = recall_test::numraf(ws.iw);
  EXPECT_EQ(Words(numraf.data(), numraf.data() + 12),
            (Words{3, 0, 0, 0, 0, 0, 10, 53, 8, 100, 100, 0}));
  // Storage right after the MCM (1..159) and the name table (160..265).
  EXPECT_EQ(recall_test::record(ws.iw, 51), (Words{1, 1, 20, 51, 1, 0, 0, 0, 0, 266 / 100}));
  EXPECT_EQ(recall_test::record(ws.iw, 52), (Words{1, 1, 530, 51, 2, 0, 0, 0, 0, 286 / 100}));
  EXPECT_EQ(recall_test::record(ws.iw, 53), (Words{1, 1, 106, 51, 3, 0, 0, 0, 0, 816 / 100}));
  const auto iarrnm = recall_test::int_array(ws.iw, "IARRNM");
  for (int32_t n = 11; n <= 53; ++n) {
    const std::string_view expected = n <= 50
                                          ? recall_test::kNameTable[static_cast<std::size_t>(n - 1)]
                                          : std::string_view(n == 51   ? "NUMRAF"
                                                             : n == 52 ? "KEYRAF"
                                                                       : "IARRNM");
    std::string name(8, ' ');
    int32_t count = 0;
    dms::DMSNAM(ws.iw, n, 0, name, count);
    EXPECT_EQ(name.substr(0, static_cast<std::size_t>(count)), expected) << n;
    int32_t code[2] = {0, 0};
    if (!expected.empty()) dms::DMSCOD(ws.iw, expected, 0, code[0], code[1]);
    EXPECT_EQ((Words{iarrnm(2 * n - 1), iarrnm(2 * n)}), (Words{code[0], code[1]})) << n;
  }
  EXPECT_EQ(dms::DMSINQ(ws.iw, "MSTRU", dms::kInquireWordsPerElement), 10);
  EXPECT_EQ(dms::DMSINQ(ws.iw, "MSTRU", dms::kInquireStart), 0);
}

TEST(Arinit, TooFewArrayNumbers) {
  WorkSpace ws(2000);
  Output out;
  int32_t status = 0;
  dms::DMSOPN_32(ws.iw, 2000, -52, 0, kUnit, status);
  recall_test::DirectControl control;
  recall::ARINIT(ws.iw, recall_test::names(), 8, 50, 0, control.view(), status);
  EXPECT_EQ(status, -1);
  // The records at once, then the blank hand-over on the way out.
  EXPECT_EQ(out.lines(), (Lines{"", "  *** ERROR IN ARINIT ***", "",
                                "      DMS initiated with too few array_numbers ",
                                "      Required :       53", "      Available:       52", ""}));
}

class Merge : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(recall_test::open_catalogue(ws_.iw), 0); }
  // File array number j named `name`, with record `record`.
  void add(int32_t j, std::string_view name, const Words& record) {
    dms::DMSCOD(ws_.iw, name, 0, iarrnm_[2 * j - 2], iarrnm_[2 * j - 1]);
    std::copy(record.begin(), record.end(), keyraf_.begin() + 10 * (j - 1));
  }
  void merge(int64_t keyraf_words = 400) {
    recall::ARMERG({iarrnm_.data(), 80}, {keyraf_.data(), keyraf_words}, 40, 10,
                   recall_test::int_array(ws_.iw, "IARRNM"),
                   recall_test::int_array(ws_.iw, "KEYRAF"), 50);
  }
  WorkSpace ws_{2000};
  Words keyraf_ = Words(400, 0);
  Words iarrnm_ = Words(80, 0);
};

TEST_F(Merge, TakesOverTheRecordsOfKnownNamesOnly) {
  const Words tfle{3, 2, 162, 3, 0, 2, 0, 0, 0, 85};
  add(40, "TFLE", tfle);
  add(19, "MSTRU", {1, 1, 140, 1, 13});
  add(39, "MSTRU", Words(10, 9));  // a later number of the same name
  add(23, "MXTRA", {1, 1, 17, 1, 6});
  add(36, "NUMRAF", {1, 1, 20, 51, 1});
  for (int k = 0; k < 10; ++k) keyraf_[160 + k] = 5;  // number 17 without a name
  const Words numraf = recall_test::record(ws_.iw, 51);
  merge();
  for (int32_t n = 1; n <= 51; ++n) {
    const Words expected = n == 31   ? tfle
                           : n == 11 ? Words{1, 1, 140, 1, 13, 0, 0, 0, 0, 0}
                           : n == 51 ? numraf
                                     : Words(10, 0);
    EXPECT_EQ(recall_test::record(ws_.iw, n), expected) << n;
  }
}

TEST_F(Merge, ARecordPastTheFilesKeyrafIsNotCopied) {
  add(40, "TFLE", {3, 2, 162, 3, 0, 2});
  merge(395);
  EXPECT_EQ(recall_test::record(ws_.iw, 31), Words(10, 0));
}

TEST(Lookup, ReportsArraysWithoutStorage) {
  WorkSpace ws(2000);
  ASSERT_EQ(recall_test::open_catalogue(ws.iw), 0);
  recall_test::DirectControl control;
  int32_t counter = 0;
  int32_t pointer = 0;
  recall::ARBOOK(ws.iw, "MSCRA", pointer, 30, "SKIP", "IN", control.view(), counter);
  recall::ARFREE(ws.iw, "MSCRA", "NOCLEAN", kUnit, counter);
  ASSERT_EQ(counter, 0);
  Output out;
  EXPECT_EQ(recall::ARGTIP(ws.iw, "KEYRAF  ", kUnit, counter), 286);
  recall::ARGTIP(ws.iw, "TCRGEO  ", kUnit, counter);
  testing::internal::CaptureStdout();
  recall::ARGTIP(ws.iw, "TCRGEO  ", platform::kScreen, counter);  // counted, not written
  platform::flush_all_units();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  pointer = 4711;
  recall::ARPOIN(ws.iw, "MSCRA   ", pointer, kUnit, counter);
  EXPECT_EQ(pointer, 4711);
  EXPECT_EQ(counter, -3);
  EXPECT_EQ(
      out.lines(),
      (Lines{"", "  *** ERROR IN ARGTIP ***", "", "  *** Array not allocated : TCRGEO", "", "", "",
             "  *** ERROR IN ARPOIN ***", "", "  *** Array is released   : MSCRA", "", ""}));
  // The lookups gave nothing storage.
  EXPECT_EQ(dms::DMSINQ(ws.iw, "TCRGEO", dms::kInquireStart), 0);
  EXPECT_EQ(dms::DMSPAR(ws.iw, dms::kParameterLowestFree), 922);
}

TEST(Lookup, UnknownAndRejectedNames) {
  WorkSpace ws(2000);
  ASSERT_EQ(recall_test::open_catalogue(ws.iw), 0);
  Output out;
  int32_t counter = 0;
  int32_t number = -1;
  recall::ARNUMB(ws.iw, "TGEPA   ", number, kUnit, counter);
  EXPECT_EQ(number, 33);
  recall::ARNUMB(ws.iw, "NOSUCH", number, kUnit, counter);
  EXPECT_EQ(number, 0);
  EXPECT_EQ(counter, 0);
  recall::ARNUMB(ws.iw, "TOOLONGNAME", number, kUnit, counter);
  recall::ARGTIP(ws.iw, "NOSUCH", kUnit, counter);  // a store error: the record alone
  EXPECT_EQ(counter, -2);
  const std::string text = out.text();
  EXPECT_NE(text.find("\n\n  *** ERROR IN ARNUMB ***\n"), std::string::npos);
  EXPECT_NE(text.find("Pointer requested for an undefined array (NOSUCH)"), std::string::npos);
  const std::string record = "\n  *** ERROR IN ARGTIP ***\n";
  EXPECT_EQ(text.substr(text.size() - record.size()), record);
}

}  // namespace
