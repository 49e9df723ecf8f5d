// Structure parameters from MSTRU in both layouts, and the name-indexed search.
#include "driver/structure.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/unit_capture.h"

namespace {

using driver::GTSTRU;
using driver::IDXIST;
using test_support::UnitCapture;

constexpr int kUnit = 42;
constexpr int kTableUnit = 43;

const std::string kMissingNel =
    "\n  *** ERROR IN GTSTRU ***\n      PARAMETER NOT FOUND:NEL     \n"
    "      LEAVING GTSTRU\n\n\n\n";

dms::Vec1<int32_t> view(std::vector<int32_t>& v) {
  return {v.data(), static_cast<int64_t>(v.size())};
}

// Fixed layout: word k holds 1000 + k.
std::vector<int32_t> fixed_mstru(int32_t words) {
  std::vector<int32_t> m(static_cast<std::size_t>(words));
  for (int32_t k = 1; k <= words; ++k) m[static_cast<std::size_t>(k - 1)] = 1000 + k;
  return m;
}

TEST(Gtstru, FixedLayoutReadsTheWordOfTheBuiltInPosition) {
  std::vector<int32_t> mstru = fixed_mstru(200);
  struct Case {
    const char* name;
    int32_t value;
  };
  const Case cases[] = {
      {"NEL     ", 1002},
      {"NEWLTY  ", 1097},
      {"MXGLPR  ", 1042},
      {"MXGEPR  ", 1037},
      {"MXMAPR  ", 1036},
      {"LSTSTO  ", 1050},
      {"NNP     ", 1001},
      {"MXSTRU  ", 1110},
      {"INPUFO  ", 1116},
      {"NAMD    ", 1132},
      {"NEWLTYXY", 1097},  // only the first six characters
                           // count
      {"MXGLPRZ ", 1042},
      {"nel     ", 0},  // case-sensitive
      {"FOOBAR  ", 0},
      {"NEL70   ", 1129},
  };
  UnitCapture out(kUnit);
  int32_t status = 0;
  for (const Case& c : cases)
    EXPECT_EQ(GTSTRU(view(mstru), c.name, kUnit, status), c.value) << c.name;
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.text(), "");  // unknown names are silent in the fixed layout
}

TEST(Gtstru, PositionBeyondAShortMstruIsAMissingParameter) {
  std::vector<int32_t> mstru = fixed_mstru(50);
  UnitCapture out(kUnit);
  int32_t status = -2;
  EXPECT_EQ(GTSTRU(view(mstru), "LSTSTO  ", kUnit, status), 1050);
  EXPECT_EQ(GTSTRU(view(mstru), "NEWLTY  ", kUnit, status), 0);
  EXPECT_EQ(status, -3);
  std::vector<int32_t> empty;
  EXPECT_EQ(GTSTRU(view(empty), "NEL     ", kUnit, status), 0);
  EXPECT_EQ(status, -4);
  EXPECT_EQ(out.text(),
            "\n  *** ERROR IN GTSTRU ***\n      PARAMETER NOT FOUND:NEWLTY  \n"
            "      LEAVING GTSTRU\n\n\n\n" +
                kMissingNel);
}

// Indexed layout: the table starts at word 11 (offset 10) and names the
// words 1..4 of MSTRU: FLAG, OFFSET, NEL (= 14), NEWLTY (= 1).
std::vector<int32_t> indexed_mstru(int32_t upper, int32_t missing_ok) {
  std::vector<int32_t> m(10, 0);
  m[0] = -1;
  m[1] = 10;
  m[2] = 14;
  m[3] = 1;
  const int32_t header[5] = {6, kTableUnit, 4, upper, missing_ok};
  m.insert(m.end(), std::begin(header), std::end(header));
  // Name codes written out: two digits (code - 30) per character.
  const int32_t codes[8] = {
      40463541, 0,         // FLAG
      49404053, 39540000,  // OFFSET
      48394600, 0,         // NEL
      48395746, 54590000,  // NEWLTY
  };
  m.insert(m.end(), std::begin(codes), std::end(codes));
  m.resize(m.size() + 4, 0);  // room for two more names
  return m;
}

TEST(Gtstru, IndexedLayoutFindsNamesThroughItsTable) {
  UnitCapture out(kUnit);
  UnitCapture table_out(kTableUnit);
  int32_t status = 0;
  std::vector<int32_t> upper = indexed_mstru(1, 0);
  EXPECT_EQ(GTSTRU(view(upper), "NEL     ", kUnit, status), 14);
  EXPECT_EQ(GTSTRU(view(upper), "nel     ", kUnit, status), 14);
  EXPECT_EQ(GTSTRU(view(upper), "NewLty  ", kUnit, status), 1);
  EXPECT_EQ(status, 0);

  std::vector<int32_t> exact = indexed_mstru(0, 0);
  EXPECT_EQ(GTSTRU(view(exact), "NEWLTY  ", kUnit, status), 1);
  EXPECT_EQ(GTSTRU(view(exact), "nel     ", kUnit, status), 0);
  EXPECT_EQ(status, -1);

  std::vector<int32_t> tolerant = indexed_mstru(0, 1);
  EXPECT_EQ(GTSTRU(view(tolerant), "nel     ", kUnit, status), 0);
  EXPECT_EQ(status, -1);  // word 5 set: a missing name is not an error

  EXPECT_EQ(out.text(),
            "\n  *** ERROR IN GTSTRU ***\n      PARAMETER NOT FOUND:nel     \n"
            "      LEAVING GTSTRU\n\n\n\n");
  EXPECT_EQ(table_out.text(), "");
}

TEST(Gtstru, IndexedTableReachingBeyondMstruIsAMissingParameter) {
  struct Case {
    const char* what;
    int64_t word;  // 1-based word of MSTRU to change
    int32_t value;
    std::size_t length;  // MSTRU cut to this many words (0: kept)
  };
  const Case cases[] = {
      {"negative offset", 2, -3, 0}, {"offset beyond", 2, 40, 0},
      {"header cut", 0, 0, 13},      {"more names held than stored", 13, 9, 0},
      {"names cut", 0, 0, 22},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> mstru = indexed_mstru(1, 1);  // word 5 would hide a missing name
    if (c.word > 0) mstru[static_cast<std::size_t>(c.word - 1)] = c.value;
    if (c.length > 0) mstru.resize(c.length);
    UnitCapture out(kUnit);
    int32_t status = 0;
    EXPECT_EQ(GTSTRU(view(mstru), "NEL     ", kUnit, status), 0) << c.what;
    EXPECT_EQ(status, -1) << c.what;
    EXPECT_EQ(out.text(), kMissingNel) << c.what;
  }
}

TEST(Idxist, InvalidNamesWriteTheIdentifierMessage) {
  std::vector<int32_t> mstru = indexed_mstru(0, 0);
  const dms::Vec1<int32_t> table = view(mstru).sub(11, static_cast<int64_t>(mstru.size()) - 10);
  struct Case {
    std::string_view name;
    const char* shown;
  };
  const Case cases[] = {
      {" NEWLTYAB", " NEWLTYAB"},  // last non-blank in position 9
      {"        ", ""},
      {"N EL    ", "N EL"},        // a blank inside the name
      {"NEL\x7f    ", "NEL\x7f"},  // outside 33..126
      {"NEWLT\xc3\xa9", "NEWLT\xc3\xa9"},
  };
  for (const Case& c : cases) {
    UnitCapture out(kTableUnit);
    EXPECT_EQ(IDXIST(table, c.name), 0) << c.shown;
    EXPECT_EQ(out.text(), std::string("\n  *** ERROR IN IDXIST  ***\n\n"
                                      "    Identifier length = 0 or > 8: ") +
                              c.shown + "\n");
  }
  UnitCapture out(kTableUnit);
  EXPECT_EQ(IDXIST(table, "  NEL   "), 3);  // leading blanks within 8 are dropped
  EXPECT_EQ(IDXIST(table, "OFFSET"), 2);
  EXPECT_EQ(IDXIST(table, "OFFSETX "), 0);
  // Only the names inside the view are searched.
  EXPECT_EQ(IDXIST(table.sub(1, 12), "NEWLTY  "), 0);
  EXPECT_EQ(IDXIST(table.sub(1, 13), "NEWLTY  "), 4);
  EXPECT_EQ(out.text(), "");
}

TEST(Idxist, NameCodeMarksABadCharacterPerGroup) {
  int32_t first = 0;
  int32_t second = 0;
  driver::index_name_code("NEWLTY", first, second);
  EXPECT_EQ(first, 48395746);
  EXPECT_EQ(second, 54590000);
  driver::index_name_code("nel", first, second);
  EXPECT_EQ(first, 80717800);  // no case folding
  EXPECT_EQ(second, 0);
  driver::index_name_code("AB D", first, second);
  EXPECT_EQ(first, -1);
  EXPECT_EQ(second, 0);
  driver::index_name_code("ABCDEF\tH", first, second);
  EXPECT_EQ(first, 35363738);
  EXPECT_EQ(second, -1);
}

}  // namespace
