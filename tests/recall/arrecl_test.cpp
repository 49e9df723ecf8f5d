// Recall of data groups and single arrays from a RAF file written through the
// RAF library.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "dms/dms.h"
#include "raf_writer.h"
#include "recall/recall.h"
#include "recall_test_support.h"
#include "support/case_name.h"

namespace {

using recall_test::kRafUnit;
using recall_test::Output;
using recall_test::RafModel;
using recall_test::RafValues;
using Words = std::vector<int32_t>;
using Reals = std::vector<double>;

constexpr int32_t kSteps = 3;

// One array of every store type the run meets, and of every data type.
RafModel full_model() {
  auto ints = [](Words v) { return RafValues{std::move(v), {}}; };
  auto reals = [](Reals v) { return RafValues{{}, std::move(v)}; };
  auto steps = [](auto make) {
    std::vector<RafValues> v;
    for (int s = 1; s <= kSteps; ++s) v.push_back(make(s));
    return v;
  };
  using recall_test::raf_array;
  RafModel m;
  m.steps = kSteps;
  m.arrays = {
      raf_array("MSTRU", "STRU", "IN", 4, ints({7, 14, 3, 9})),
      raf_array("TCOORD", "STRU", "DP", 3, reals({0.5, -1.25, 3e10})),
      raf_array("MXTRA", "STRU", "IN", 2, ints({5, 6})),
      raf_array("ICTEXT", "CTRL", "IN", 2, ints({41, 42})),
      raf_array("MGLRES", "GLOB", "IN", 3, ints({1, 2, 3})),
      raf_array("TGLRES", "GLOB", "DP", 2, reals({0.25, 0.75})),
      raf_array("TFLE", "POST", "DP", 2, {}, steps([&](int s) {
                  return reals({100.0 * s + 1, -100.0 * s});
                })),
      raf_array("MELGEO", "S+PO", "IN", 2, ints({1, 2}), steps([&](int s) {
                  return ints({10 * s + 1, 10 * s + 2});
                })),
      raf_array("MELMAT", "S+RS", "IN", 1, ints({7}),
                steps([&](int s) { return ints({1000 * s}); })),
      raf_array("MNPC", "REST", "IN", 1, {}, steps([&](int s) { return ints({-s}); })),
      raf_array("MELEX", "STRU", "I8", 3, ints({1, 0, 2, 0, -3, -1})),
      raf_array("MATYP", "STRU", "SP", 2, reals({1.5, -2.0})),
      raf_array("TMAPA", "STRU", "RE", 2, reals({355e6, 0.3})),
      raf_array("MGETYP", "EXCL", "IN", 1, ints({77})),
  };
  return m;
}

class Recall : public testing::Test {
 protected:
  void open(const RafModel& model = full_model()) {
    file_ = std::make_unique<recall_test::RafFile>(model);
    ASSERT_TRUE(file_->ok());
    int32_t status = 0;
    recall::INIDMS(ws_.iw, static_cast<int32_t>(ws_.iw.size()), recall_test::names(), 50, 8,
                   kRafUnit, control_.view(), status);
    ASSERT_EQ(status, 0);
  }
  void recall(std::string_view instruction, int32_t& counter, int32_t step = 1) {
    recall::ARRECL(ws_.iw, ws_.rw, instruction, step, kRafUnit, control_.view(), counter);
  }
  void recall_one(std::string_view name, int32_t step, int32_t& pointer, int32_t& counter) {
    recall::ARREC1(ws_.iw, ws_.rw, name, pointer, step, kRafUnit, control_.view(), counter);
  }
  int32_t start(std::string_view name) { return dms::DMSINQ(ws_.iw, name, dms::kInquireStart); }
  // The words of a stored array (all its words per element).
  Words words(std::string_view name) {
    const int32_t s = start(name);
    const int32_t n = dms::DMSINQ(ws_.iw, name, dms::kInquireLength) *
                      dms::DMSINQ(ws_.iw, name, dms::kInquireWordsPerElement);
    return s > 0 ? Words(&ws_.iw(s), &ws_.iw(s) + n) : Words{};
  }
  Reals reals(std::string_view name) {
    const int32_t s = start(name);
    const int32_t n = dms::DMSINQ(ws_.iw, name, dms::kInquireLength);
    return s > 0 ? Reals(&ws_.rw((s + 1) / 2), &ws_.rw((s + 1) / 2) + n) : Reals{};
  }

  recall_test::WorkSpace ws_{20000};
  recall_test::DirectControl control_;
  std::unique_ptr<recall_test::RafFile> file_;
};

class Groups : public Recall,
               public testing::WithParamInterface<std::pair<std::string_view, const char*>> {};

// Each instruction brings in exactly the arrays of its store types.
TEST_P(Groups, BringInTheirStoreTypes) {
  open();
  int32_t counter = 0;
  recall(GetParam().first, counter);
  EXPECT_EQ(counter, 0);
  std::string stored;
  for (const std::string_view name : recall_test::kNameTable) {
    if (!name.empty() && start(name) > 0) stored.append(name).append(" ");
  }
  EXPECT_EQ(stored, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Instructions, Groups,
                         testing::Values(std::pair{recall::kRecallStructure,
                                                   "MSTRU MATYP MELEX MELGEO MELMAT TCOORD TMAPA "},
                                         std::pair{recall::kRecallControl, "ICTEXT "},
                                         std::pair{recall::kRecallGlobal, "MGLRES TGLRES "},
                                         std::pair{recall::kRecallResult, "MELGEO TFLE "},
                                         std::pair{recall::kRecallRestart, "MELMAT MNPC "},
                                         std::pair{recall::kRecallExclusive, "MGETYP "}),
                         [](const auto& info) {
                           return test_support::case_name(info.param.first);
                         });

TEST_F(Recall, TheRunsFourRecallsReadTheFilesValues) {
  open();
  Output out;
  int32_t counter = 0;
  for (const auto instruction : {recall::kRecallStructure, recall::kRecallControl,
                                 recall::kRecallGlobal, recall::kRecallResult}) {
    recall(instruction, counter);
  }
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(words("MSTRU"), (Words{7, 14, 3, 9}));
  EXPECT_EQ(reals("TCOORD"), (Reals{0.5, -1.25, 3e10}));
  EXPECT_EQ(words("ICTEXT"), (Words{41, 42}));
  EXPECT_EQ(reals("TGLRES"), (Reals{0.25, 0.75}));
  EXPECT_EQ(reals("TFLE"), (Reals{101, -100}));
  // S+PO and S+RS arrays of step 1 come from the step's own blocks.
  EXPECT_EQ(words("MELGEO"), (Words{11, 12}));
  EXPECT_EQ(words("MELMAT"), (Words{1000}));
  // I8: twice its length from word 2 (pointer - 1) + 1.
  const int32_t melex = recall::ARGTIP(ws_.iw, "MELEX", 0, counter);
  EXPECT_EQ(start("MELEX"), 2 * (melex - 1) + 1);
  EXPECT_EQ(words("MELEX"), (Words{1, 0, 2, 0, -3, -1}));
  // SP: 4-byte reals in the integer view; RE: widened into the real view.
  float matyp = 0;
  std::memcpy(&matyp, &ws_.iw(start("MATYP")), 4);
  EXPECT_EQ(matyp, 1.5F);
  EXPECT_EQ(reals("TMAPA"), (Reals{static_cast<double>(355e6F), static_cast<double>(0.3F)}));
  for (const char* name : {"MSCRA", "TSCRA2", "MELECC", "TCRGEO", "MNPC", "MGETYP"}) {
    EXPECT_EQ(start(name), 0) << name;
  }
}

TEST_F(Recall, AnI8ArrayIgnoresTheFilesWordsPerElement) {
  RafModel model = full_model();
  model.arrays[10].catalogue_words_per_element = 5;  // MELEX
  open(model);
  int32_t counter = 0;
  recall(recall::kRecallStructure, counter);
  int32_t pointer = 0;
  recall_one("MELEX", 1, pointer, counter);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(words("MELEX"), (Words{1, 0, 2, 0, -3, -1}));
  EXPECT_EQ(words("MELGEO"), (Words{11, 12}));  // booked right after it
}

TEST_F(Recall, EachStepIsReadIntoTheSameStorageWithoutAllocating) {
  open();
  int32_t counter = 0;
  recall(recall::kRecallResult, counter);
  const int32_t free_words = dms::DMSPAR(ws_.iw, dms::kParameterLowestFree);
  int32_t pointer = 0;
  recall_one("TFLE  ", 1, pointer, counter);
  const int32_t first = pointer;
  for (int32_t step = 1; step <= kSteps; ++step) {
    recall_test::AllocationCounter allocations;
    recall_one("TFLE  ", step, pointer, counter);
    EXPECT_EQ(allocations.count(), 0) << step;
    EXPECT_EQ(pointer, first);
    EXPECT_EQ(ws_.rw(pointer), 100.0 * step + 1);
  }
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(dms::DMSPAR(ws_.iw, dms::kParameterLowestFree), free_words);
  recall_one("MELGEO", 0, pointer, counter);  // step 0: the structure-block copy
  EXPECT_EQ(words("MELGEO"), (Words{1, 2}));
  recall_test::AllocationCounter failing;  // a failing step's message does allocate
  recall_one("TFLE", kSteps + 1, pointer, counter);
  EXPECT_GT(failing.count(), 0);
}

TEST_F(Recall, SingleArrayFailures) {
  open();
  int32_t counter = 0;
  recall(recall::kRecallResult, counter);
  Output out;
  int32_t pointer = 99;
  recall_one("NOSUCH", 1, pointer, counter);  // not known in core: nothing at all
  EXPECT_EQ(pointer, 99);
  EXPECT_EQ(counter, 0);
  recall_one("TCRGEO  ", 1, pointer, counter);         // no record on the file: key 0
  recall_one("TFLE  ", kSteps + 1, pointer, counter);  // a step the file does not hold
  recall_test::int_array(ws_.iw, "KEYRAF")(303) = 5;   // TFLE's length no longer fits
  recall_one("TFLE", 1, pointer, counter);
  EXPECT_EQ(counter, -3);
  EXPECT_EQ(out.text(),
            "*** ERROR IN ARREC1 ***\nError During Recallin Array: TCRGEO\n"
            "*** ERROR IN ARREC1 ***\nError During Recallin Array: TFLE\n"
            "*** ERROR IN ARBOOK ***\nRe-allocatng with new lengthfor array: TFLE\n"
            "*** ERROR IN ARREC1 ***\n");
}

TEST_F(Recall, GroupFailures) {
  RafModel model = full_model();
  model.arrays[10].catalogue_length = 4;  // MELEX: more than the file holds
  open(model);
  Output out;
  int32_t counter = 0;
  recall("**Recall global data    *", counter);  // one blank in place of a star
  // With the counter already negative, a call that adds nothing still hands
  // over its blank buffer: an empty record.
  recall(recall::kRecallControl, counter);
  EXPECT_GT(start("ICTEXT"), 0);
  recall(recall::kRecallStructure, counter);
  EXPECT_EQ(counter, -2);
  EXPECT_EQ(out.text(),
            "*** ERROR IN ARRECL ***\nUnknown Instruction      : **Recall global data    *\n\n"
            "*** ERROR IN ARRECL ***\nOccured during recall  of: MELEX\n");
  // What was read before the failure stays; MELGEO (21) comes after MELEX (20).
  EXPECT_EQ(words("MSTRU"), (Words{7, 14, 3, 9}));
  EXPECT_EQ(start("MELGEO"), 0);
}

class FileLengths : public Recall, public testing::WithParamInterface<int32_t> {};

// Catalogue lengths that no store can take are refused before booking.
TEST_P(FileLengths, AreRefusedAsInsufficientSpace) {
  RafModel model = full_model();
  model.arrays[1].catalogue_length = GetParam();  // TCOORD
  open(model);
  Output out;
  int32_t counter = 0;
  recall(recall::kRecallStructure, counter);
  EXPECT_EQ(counter, -1);
  EXPECT_EQ(
      out.text(),
      "*** ERROR IN ARBOOK ***\nInsufficient space for array TCOORD\n*** ERROR IN ARRECL ***\n");
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "TCOORD", dms::kInquireWordsPerElement), 10);
}

INSTANTIATE_TEST_SUITE_P(Lengths, FileLengths, testing::Values(1'000'000, 1'073'741'824),
                         testing::PrintToStringParamName());

// A negative catalogue length reaches the store, which refuses it.
TEST_F(Recall, NegativeFileLengthIsRefusedByTheStore) {
  RafModel model = full_model();
  model.arrays[1].catalogue_length = -3;  // TCOORD
  open(model);
  Output out;
  int32_t counter = 0;
  recall(recall::kRecallStructure, counter);
  EXPECT_EQ(counter, -1);
  EXPECT_EQ(out.text(),
            "\n\n\n *** ERROR return from a  K O R  library routine\n"
            "     Negative dimension specified for array number   29\n"
            "     Occured for array  TCOORD\n*** ERROR IN ARBOOK ***\n*** ERROR IN ARRECL ***\n");
  EXPECT_EQ(dms::DMSINQ(ws_.iw, "TCOORD", dms::kInquireWordsPerElement), 10);
}

TEST_F(Recall, KeysOutsideTheirBlocksAreRefused) {
  open();
  recall_test::numraf(ws_.iw)(5) = 1;  // the result block no longer holds MELGEO's index 2
  Output out;
  int32_t counter = 0;
  recall(recall::kRecallResult, counter);
  EXPECT_EQ(counter, -1);
  EXPECT_EQ(out.text(), "*** ERROR IN ARRECL ***\nOccured during recall  of: MELGEO\n");
}

}  // namespace
