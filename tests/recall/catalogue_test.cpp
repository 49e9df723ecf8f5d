// Store types, data types, keys and the catalogue entry of a named array.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "recall/catalogue.h"
#include "recall/recall.h"
#include "recall_test_support.h"
#include "support/case_name.h"

namespace {

using recall::kInvalidKey;
using recall_test::kUnit;
using recall_test::Output;
using Lines = std::vector<std::string>;

struct KeyCase {
  recall::KeyBlocks blocks;
  recall::KeyIndices indices;  // store code, w5, w6, w7
  int32_t step;
  int32_t key;
};

class RafKey : public testing::TestWithParam<KeyCase> {};

TEST_P(RafKey, FollowsTheFileLayout) {
  const KeyCase& c = GetParam();
  EXPECT_EQ(recall::raf_key(c.blocks, c.indices, c.step), c.key);
}

// Structure block 20 keys, result block 6, restart block 4, key base 100.
constexpr recall::KeyBlocks kB{20, 6, 4, 100};
constexpr int32_t kMaxStep = std::numeric_limits<int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Keys, RafKey,
    testing::Values(
        KeyCase{kB, {3, 0, 2, 0}, 1, 122}, KeyCase{kB, {3, 0, 2, 0}, 2, 132},   // POST
        KeyCase{kB, {3, 0, 2, 0}, 0, 0},                                        // POST, step 0
        KeyCase{kB, {4, 7, 0, 3}, 2, 139}, KeyCase{kB, {4, 7, 0, 3}, 0, 107},   // S+RS
        KeyCase{kB, {5, 5, 1, 0}, 1, 121}, KeyCase{kB, {5, 5, 1, 0}, -2, 105},  // S+PO
        KeyCase{kB, {2, 0, 0, 4}, 3, 150}, KeyCase{kB, {2, 0, 0, 4}, 0, 0},     // REST
        KeyCase{kB, {1, 4, 0, 0}, 1, 104}, KeyCase{kB, {1, 4, 0, 0}, 9, 104},   // STRU
        KeyCase{kB, {1, 4, 0, 0}, 0, 104}, KeyCase{kB, {11, 2, 0, 0}, 1, 102},  // CTRL
        KeyCase{kB, {13, 3, 0, 0}, 5, 103}, KeyCase{kB, {50, 6, 0, 0}, 1, 106},
        KeyCase{kB, {51, 1, 0, 0}, 0, 101},  // -AR-
        KeyCase{kB, {0, 1, 1, 1}, 1, 0},     // SKIP and SCRA
        KeyCase{kB, {7, 1, 1, 1}, 1, 0},     // no such code
        KeyCase{{0, 0, 0, 100}, {1, 4, 0, 0}, 1, 0}, KeyCase{{0, 0, 0, 100}, {3, 0, 1, 0}, 2, 0},
        // Numbers that give no key of their array: never a wrapped or foreign key.
        KeyCase{kB, {3, 0, 0, 0}, 1, kInvalidKey}, KeyCase{kB, {3, 0, 7, 0}, 1, kInvalidKey},
        KeyCase{kB, {2, 0, 0, -2}, 2, kInvalidKey}, KeyCase{kB, {1, 21, 0, 0}, 1, kInvalidKey},
        KeyCase{{20, -6, 30, 100}, {1, 4, 0, 0}, 1, kInvalidKey},
        KeyCase{kB, {3, 0, 1, 0}, kMaxStep, kInvalidKey},
        KeyCase{{2'000'000'000, 2'000'000'000, 2'000'000'000, 100}, {2, 0, 0, 1}, 3, kInvalidKey}),
    [](const auto& info) {
      const KeyCase& c = info.param;
      const recall::KeyIndices& i = c.indices;
      const std::string name = test_support::case_name("Code", i.store_type, "Indices", i.structure,
                                                       i.result, i.restart, "Step", c.step);
      const recall::KeyBlocks& b = c.blocks;
      if (b.structure == kB.structure && b.result == kB.result && b.restart == kB.restart &&
          b.base == kB.base) {
        return name;
      }
      return test_support::case_name("Blocks", b.structure, b.result, b.restart, b.base, name);
    });

TEST(TypeWords, DecodeAsWholeWords) {
  const std::vector<std::pair<std::string, int32_t>> store = {
      {"SKIP", 0}, {"SCRA", 0}, {"STRU", 1},  {"REST", 2},  {"POST", 3},  {"S+RS", 4}, {"RS+S", 4},
      {"S+PO", 5}, {"PO+S", 5}, {"CTRL", 11}, {"GLOB", 13}, {"EXCL", 50}, {"-AR-", 51}};
  for (const auto& [word, code] : store) {
    ASSERT_TRUE(recall::decode_store_type(word)) << word;
    EXPECT_EQ(static_cast<int32_t>(recall::decode_store_type(word)->code), code) << word;
    EXPECT_EQ(recall::decode_store_type(word)->scratch, word == "SCRA");
  }
  for (const char* word : {"PIKS", "SR+S", "post", "STR", ""}) {
    EXPECT_FALSE(recall::decode_store_type(word)) << word;
  }
  EXPECT_EQ(recall::store_type_word(4), "S+RS");
  EXPECT_EQ(recall::store_type_word(6), "????");
  for (const char* word : {"XX", "I", "dp"}) EXPECT_FALSE(recall::decode_data_type(word)) << word;
  EXPECT_EQ(recall::decode_data_type("RE")->re_flag, 1);
  EXPECT_EQ(recall::decode_data_type("I8")->words_per_element, 2);
  EXPECT_EQ(recall::data_type_word(3, 1), "RE");
  EXPECT_EQ(recall::data_type_word(3, 0), "DP");
  EXPECT_EQ(recall::data_type_word(5, 0), "??");
}

// An in-core catalogue with TFLE's file record merged in: structure block
// 28 keys, result block 3, restart block 2.
class Entries : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(recall_test::open_catalogue(ws_.iw), 0);
    const auto numraf = recall_test::numraf(ws_.iw);
    numraf(4) = 28;
    numraf(5) = 3;
    numraf(6) = 2;
    recall_test::set_record(ws_.iw, 31, {3, 2, 162, 3, 0, 2, 0, 1, 0, 85});
  }
  recall_test::WorkSpace ws_{2000};
};

TEST_F(Entries, GiveTheRecordAndTheKeyOfTheStep) {
  Output out;
  int32_t counter = 0;
  recall::CatalogueEntry e;
  recall::ARKEYS(ws_.iw, "TFLE    ", 2, e, kUnit, counter);
  EXPECT_EQ((std::vector<int32_t>{e.key, e.data_type, e.words_per_element, e.length, e.store_type,
                                  e.result_index, e.re_flag}),
            (std::vector<int32_t>{135, 3, 2, 162, 3, 2, 1}));
  EXPECT_EQ(e.store_word, "POST");
  EXPECT_EQ(e.data_word, "RE");
  // A predefined name without a file record: no codes and no key.
  recall::ARKEYS(ws_.iw, "MELECC", 1, e, kUnit, counter);
  EXPECT_EQ(e.key, 0);
  EXPECT_EQ(e.data_word, "??");
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(out.text(), "");
}

TEST_F(Entries, FailuresLowerTheCounterOnce) {
  Output out;
  int32_t counter = 0;
  recall::CatalogueEntry e;
  e.key = 777;
  recall::ARKEYS(ws_.iw, "T FLE", 1, e, kUnit, counter);  // the store rejects the name
  EXPECT_EQ(counter, -1);
  recall::ARKEYS(ws_.iw, "NOSUCH", 1, e, kUnit, counter);  // no record 0 is read
  EXPECT_EQ(counter, -2);
  EXPECT_EQ(e.key, 777);
  const Lines lines = out.lines();
  ASSERT_GE(lines.size(), 6U);
  EXPECT_EQ(Lines(lines.end() - 6, lines.end()),
            (Lines{"", "  *** ERROR IN ARNUMB ***", "", "  *** ERROR IN ARKEYS ***", "",
                   "  *** ERROR IN ARKEYS ***"}));
}

}  // namespace
