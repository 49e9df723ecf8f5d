// Booking and releasing named arrays, with their KEYRAF records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dms/dms.h"
#include "recall/recall.h"
#include "recall_test_support.h"
#include "support/case_name.h"

namespace {

using recall_test::kUnit;
using recall_test::Output;
using recall_test::WorkSpace;
using Words = std::vector<int32_t>;

// After the set-up the catalogue arrays end at word 921.
constexpr int32_t kFirstFree = 922;

// A store-mode control: the failing routine's local status is word 3.
struct StoreControl {
  Words words = [] {
    Words w(400, 0);
    w[0] = -321;
    w[1] = 400;
    w[3] = w[4] = 11;
    return w;
  }();
  recall::MessageControl view() { return {words.data(), 400}; }
};

class Booking : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(recall_test::open_catalogue(ws_.iw), 0); }
  int32_t book(std::string_view name, int32_t length, std::string_view store, std::string_view data,
               int32_t& counter) {
    int32_t pointer = -5;
    recall::ARBOOK(ws_.iw, name, pointer, length, store, data, control_.view(), counter);
    return pointer;
  }
  Words counts() {
    const auto n = recall_test::numraf(ws_.iw);
    return {n(1), n(2), n(3)};
  }
  int32_t inquire(std::string_view name, int32_t code) { return dms::DMSINQ(ws_.iw, name, code); }
  WorkSpace ws_{6000};
  recall_test::DirectControl control_;
};

class Room : public testing::TestWithParam<int32_t> {};

TEST_P(Room, IsTheFreeWordsOfTheStore) {
  WorkSpace ws(kFirstFree - 1 + GetParam());
  ASSERT_EQ(recall_test::open_catalogue(ws.iw), 0);
  StoreControl control;
  int32_t counter = 0;
  int32_t pointer = 0;
  recall::ARBOOK(ws.iw, "MSCRA   ", pointer, 1200, "SKIP", "IN", control.view(), counter);
  if (GetParam() < 1200) {
    EXPECT_EQ(counter, -1);
    EXPECT_EQ(control.words[2], -101);
    const std::string text = "*** ERROR IN ARBOOK ***\nInsufficient space for array MSCRA";
    EXPECT_EQ(std::string(control.words.begin() + 10, control.words.begin() + 10 + 58), text);
  } else {
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(pointer, kFirstFree);
    EXPECT_EQ(recall_test::record(ws.iw, 12), (Words{1, 1, 1200, 0, 0, 0, 0, 0, 0, 9}));
  }
}

INSTANTIATE_TEST_SUITE_P(FreeWords, Room, testing::Values(1199, 1200),
                         testing::PrintToStringParamName());

TEST_F(Booking, TwiceWithTheSameArgumentsGivesOnePointer) {
  int32_t counter = 0;
  EXPECT_EQ(book("MELTYP  ", 14, "STRU", "IN", counter), kFirstFree);
  EXPECT_EQ(counts(), (Words{4, 0, 0}));
  EXPECT_EQ(recall_test::record(ws_.iw, 23), (Words{1, 1, 14, 1, 4, 0, 0, 0, 0, 9}));
  EXPECT_EQ(book("MELTYP  ", 14, "STRU", "IN", counter), kFirstFree);
  EXPECT_EQ(counts(), (Words{4, 0, 0}));
  EXPECT_EQ(dms::DMSPAR(ws_.iw, dms::kParameterLowestFree), kFirstFree + 14);
  EXPECT_EQ(counter, 0);
}

struct Refusal {
  int32_t length;
  std::string store;
  std::string data;
  std::string text;
};

class Rebooking : public Booking, public testing::WithParamInterface<Refusal> {};

TEST_P(Rebooking, RefusesAChangeAndLeavesTheArray) {
  int32_t counter = 0;
  book("MELTYP  ", 14, "STRU", "IN", counter);
  const Words before = recall_test::record(ws_.iw, 23);
  Output out;
  book("MELTYP  ", GetParam().length, GetParam().store, GetParam().data, counter);
  EXPECT_EQ(counter, -1);
  EXPECT_EQ(out.text(), "*** ERROR IN ARBOOK ***" + GetParam().text + "\n");
  EXPECT_EQ(inquire("MELTYP", dms::kInquireLength), 14);
  EXPECT_EQ(inquire("MELTYP", dms::kInquireStart), kFirstFree);
  EXPECT_EQ(recall_test::record(ws_.iw, 23), before);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, Rebooking,
    testing::Values(
        Refusal{15, "STRU", "IN", "\nRe-allocatng with new lengthfor array: MELTYP"},
        Refusal{14, "STRU", "DP", "\nRe-allocatng with new data-type for array: MELTYP"},
        Refusal{14, "POST", "IN", "\nRe-allocatng with new store-type for array: MELTYP"},
        Refusal{14, "ABCD", "IN", ""}),
    [](const auto& info) {
      return test_support::case_name("Length", info.param.length, info.param.store,
                                     info.param.data);
    });

TEST_F(Booking, APredefinedArrayKeepsTheFileRecordsIndices) {
  recall_test::set_record(ws_.iw, 31, {3, 2, 162, 3, 0, 2, 0, 0, 0, 85});
  int32_t counter = 0;
  const int32_t pointer = book("TFLE", 162, "POST", "DP", counter);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(pointer, kFirstFree / 2 + 1);  // real view, aligned upward
  EXPECT_EQ(inquire("TFLE", dms::kInquireStart), 2 * pointer - 1);
  EXPECT_EQ(recall_test::record(ws_.iw, 31), (Words{3, 2, 162, 3, 0, 2, 0, 0, 0, pointer / 100}));
  EXPECT_EQ(counts(), (Words{3, 0, 0}));
}

TEST_F(Booking, ScratchRecordsHaveNoPointerSkipRecordsDo) {
  int32_t counter = 0;
  const int32_t skip = book("MSCRA", 5, "SKIP", "IN", counter);
  book("TSCRA2", 10, "SCRA", "RE", counter);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(recall_test::record(ws_.iw, 12), (Words{1, 1, 5, 0, 0, 0, 0, 0, 0, skip / 100}));
  EXPECT_EQ(recall_test::record(ws_.iw, 13), (Words{3, 2, 10, 0, 0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(counts(), (Words{3, 0, 0}));
}

// A negative length is the store's to refuse: its report, then the frame
// alone, and the array keeps what it had.
TEST_F(Booking, NegativeLengthIsRefusedByTheStore) {
  Output out;
  int32_t counter = 0;
  book("TFLE    ", -1, "POST", "IN", counter);
  EXPECT_EQ(counter, -1);
  EXPECT_EQ(out.text(),
            "\n\n\n *** ERROR return from a  K O R  library routine\n"
            "     Negative dimension specified for array number   31\n"
            "     Occured for array  TFLE\n*** ERROR IN ARBOOK ***\n");
  EXPECT_EQ(inquire("TFLE", dms::kInquireWordsPerElement), 10);
}

// Word counts past 32 bits find no room.
class NoRoom : public Booking,
               public testing::WithParamInterface<std::pair<int32_t, const char*>> {};

TEST_P(NoRoom, IsReportedAsInsufficientSpace) {
  Output out;
  int32_t counter = 0;
  book("TFLE    ", GetParam().first, "POST", GetParam().second, counter);
  EXPECT_EQ(counter, -1);
  EXPECT_EQ(out.text(), "*** ERROR IN ARBOOK ***\nInsufficient space for array TFLE\n");
  EXPECT_EQ(inquire("TFLE", dms::kInquireWordsPerElement), 10);
}

INSTANTIATE_TEST_SUITE_P(Lengths, NoRoom,
                         testing::Values(std::pair{1'500'000'000, "DP"},
                                         std::pair{2'147'483'647, "I8"}),
                         [](const auto& info) {
                           return test_support::case_name(info.param.second, info.param.first);
                         });

TEST_F(Booking, UnknownWords) {
  Output out;
  int32_t counter = 0;
  book("TFLE", 10, "POST", "??", counter);  // refused before the store is touched
  EXPECT_EQ(inquire("TFLE", dms::kInquireWordsPerElement), 10);
  book("MELTYP", 4, "XXXX", "IN", counter);  // found by the record routine
  EXPECT_EQ(counter, -2);
  EXPECT_EQ(out.text(),
            "*** ERROR IN ARBOOK ***\nUNKNOWN ARRAY-TYPE:??\n\n  *** ERROR IN ARINFO ***\n"
            "      UNKNOWN STORE-INFO:XXXX\n      LEAVING ARINFO\n\n\n\n*** ERROR IN ARBOOK ***\n");
}

TEST_F(Booking, NumberingByTheStoreGivesNamesAndBlockIndices) {
  int32_t status = 0;
  dms::DMSOPN_32(ws_.iw, static_cast<int32_t>(ws_.iw.size()), -53, 0, kUnit, status);
  recall::ARINIT(ws_.iw, recall_test::names(), 8, 50, 1, control_.view(), status);
  ASSERT_EQ(dms::DMSNUM(ws_.iw, "IARRNM", 0), 13);
  int32_t counter = 0;
  book("TDISP", 84, "S+PO", "DP", counter);
  book("TRES", 6, "POST", "DP", counter);
  book("MREST", 3, "RS+S", "IN", counter);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(counts(), (Words{5, 2, 1}));
  auto indices = [&](int32_t n) {
    const Words r = recall_test::record(ws_.iw, n);
    return Words(r.begin(), r.begin() + 7);
  };
  EXPECT_EQ(indices(14), (Words{3, 2, 84, 5, 4, 1, 0}));
  EXPECT_EQ(indices(15), (Words{3, 2, 6, 3, 4, 2, 0}));
  EXPECT_EQ(indices(16), (Words{1, 1, 3, 4, 5, 2, 1}));
  int32_t first = 0;
  int32_t second = 0;
  dms::DMSCOD(ws_.iw, "TDISP", 0, first, second);
  EXPECT_EQ(recall_test::int_array(ws_.iw, "IARRNM")(27), first);
  EXPECT_EQ(recall_test::int_array(ws_.iw, "IARRNM")(28), second);
}

TEST_F(Booking, ReleaseEmptiesSkipRecordsAndMovesTheArraysAbove) {
  recall_test::set_record(ws_.iw, 31, {3, 2, 10, 3, 0, 2, 0, 0, 0, 0});
  int32_t counter = 0;
  book("MSCRA", 6, "SKIP", "IN", counter);
  const int32_t tfle = book("TFLE", 10, "POST", "DP", counter);
  const int32_t meltyp = book("MELTYP", 4, "STRU", "IN", counter);
  for (int32_t k = 0; k < 4; ++k) ws_.iw(meltyp + k) = 77;
  const Words tfle_record = recall_test::record(ws_.iw, 31);
  recall::ARFREE(ws_.iw, "TFLE    ", "CLEAN", kUnit, counter);
  EXPECT_EQ(recall_test::record(ws_.iw, 31), tfle_record);
  const int32_t moved = recall::ARGTIP(ws_.iw, "MELTYP", kUnit, counter);
  EXPECT_EQ(moved, 2 * tfle - 1);
  EXPECT_EQ(Words(&ws_.iw(moved), &ws_.iw(moved) + 4), Words(4, 77));
  recall::ARFREE(ws_.iw, "MSCRA", "NOCLEAN", kUnit, counter);
  EXPECT_EQ(recall_test::record(ws_.iw, 12), Words(10, 0));
  EXPECT_EQ(inquire("MSCRA", dms::kInquireLength), 6);
  EXPECT_EQ(counter, 0);
  // Booked again under its number; with other words per element refused.
  EXPECT_EQ(book("MSCRA", 40, "SKIP", "IN", counter), kFirstFree + 4);
  EXPECT_EQ(recall_test::record(ws_.iw, 12)[2], 40);
  recall::ARFREE(ws_.iw, "MSCRA", "NOCLEAN", kUnit, counter);
  Output out;
  book("MSCRA", 40, "SKIP", "DP", counter);
  EXPECT_EQ(counter, -1);
  EXPECT_EQ(out.text(),
            "*** ERROR IN ARBOOK ***\nRe-allocatng with new data-type for array: MSCRA\n");
}

TEST_F(Booking, ReleaseFailures) {
  int32_t counter = 0;
  book("MSCRA", 8, "SKIP", "IN", counter);
  Output out;
  int32_t status = 0;
  recall::ARFREE(ws_.iw, "MSCRA   ", "FREE", kUnit, status);
  recall::ARFREE(ws_.iw, "MSCRA   ", "FREE", 5, status);  // nothing to the console
  recall_test::int_array(ws_.iw, "KEYRAF")(116) = 3;      // MSCRA, result index
  recall::ARFREE(ws_.iw, "MSCRA", "NOCLEAN", kUnit, status);
  EXPECT_EQ(status, -3);
  EXPECT_EQ(out.text(),
            "\n  *** ERROR IN ARFREE ***\n      Illegal release message for array :MSCRA   \n\n"
            "\n  *** ERROR IN ARFREE ***\n      Illegal raf - number for array :MSCRA\n\n");
  EXPECT_EQ(inquire("MSCRA", dms::kInquireStart), kFirstFree);
  EXPECT_EQ(recall_test::record(ws_.iw, 12)[5], 3);
}

}  // namespace
