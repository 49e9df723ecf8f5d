// Layout of the MCM, the book-keeping area at the start of the work array,
// and of the name table that follows it.
//
// With NA array numbers the MCM holds three sections of NA words (five with
// the file option); section s occupies words (s-1)*NA+1 .. s*NA, and word n
// of every section belongs to array number n.  Numbers 1..10 are the store's
// own: their words hold control data, and numbers 6..10 describe the
// sections themselves as arrays.  User arrays have the numbers 11..NA.
//
//   WORD        CONTENT
//   1           2*NA
//   2           length of the book-keeping in words (MCM plus name table)
//   3           error count: 0 after opening, lowered by one per error
//   4           message unit (messages only when >= 1)
//   5           1 when opened with a negative NLA (only the MCM cleared)
//   6, 7, 8     NA (6: limit of array numbers, 8: limit for asking a name)
//   9, 10       NA with the file option, else 0
//   NA+6..NA+10 1 (words per element of the sections)
//   2NA+1       lowest free word
//   2NA+2       highest free word (NWIWA at opening)
//   2NA+3       high-water mark
//   2NA+5       first word of the name table; 0 while there is none
//   2NA+6..     first words of sections 1..5
//
// Name table (2*NA words): word 1 the next number the store hands out (0 when
// callers give numbers), word 2 the case flag, word 3 the highest number that
// has a name; words 2n-1 and 2n the name code of array n.
#pragma once

#include <cstdint>

namespace dms::mcm {

// ---- array numbers ----------------------------------------------------------

/// Numbers 1..10 belong to the store; user arrays start at 11.
inline constexpr int32_t kReservedNumbers = 10;
inline constexpr int32_t kFirstUserNumber = 11;
/// Largest number of words per element of a user array.
inline constexpr int32_t kMaxWordsPerElement = 10;
/// Longest array name in characters.
inline constexpr int32_t kMaxNameLength = 8;

// ---- sections ---------------------------------------------------------------

/// Section codes: the array number under which each MCM section is kept.
inline constexpr int32_t kLengthSection = 6;           ///< length in elements
inline constexpr int32_t kWordsPerElementSection = 7;  ///< 0 = not defined
inline constexpr int32_t kStartSection = 8;            ///< first word; 0 = no storage
inline constexpr int32_t kFileUnitSection = 9;         ///< file option only
inline constexpr int32_t kFileAddressSection = 10;     ///< file option only

/// Number of sections without and with the file option.
inline constexpr int64_t kBasicSections = 3;
inline constexpr int64_t kFileSections = 5;

/// Word number of word n of the section with code `section` (6..10).
constexpr int64_t section_word(int64_t na, int32_t section, int64_t n) {
  return (section - kLengthSection) * na + n;
}

// ---- control words (absolute word numbers) -------------------------------------

inline constexpr int64_t kTwiceNaWord = 1;
inline constexpr int64_t kBookLengthWord = 2;
inline constexpr int64_t kStatusWord = 3;
inline constexpr int64_t kMessageUnitWord = 4;
inline constexpr int64_t kMcmOnlyClearedWord = 5;
inline constexpr int64_t kNumberLimitWord = 6;
inline constexpr int64_t kNumberCountWord = 7;
inline constexpr int64_t kNameLimitWord = 8;
inline constexpr int64_t kFileUnitsWord = 9;
inline constexpr int64_t kFileAddressesWord = 10;
/// The control words all lie in words 1..kControlWords.
inline constexpr int64_t kControlWords = 10;

/// Control words kept in the storage-start section, as word n of that
/// section (absolute word 2*NA + n).
inline constexpr int64_t kLowestFreeEntry = 1;
inline constexpr int64_t kHighestFreeEntry = 2;
inline constexpr int64_t kHighWaterEntry = 3;
inline constexpr int64_t kNameTableEntry = 5;
/// Word 2*NA + kSectionStartEntry + s holds the first word of section s (1..5).
inline constexpr int64_t kSectionStartEntry = 5;

constexpr int64_t lowest_free_word(int64_t na) {
  return section_word(na, kStartSection, kLowestFreeEntry);
}
constexpr int64_t highest_free_word(int64_t na) {
  return section_word(na, kStartSection, kHighestFreeEntry);
}
constexpr int64_t high_water_word(int64_t na) {
  return section_word(na, kStartSection, kHighWaterEntry);
}
constexpr int64_t name_table_word(int64_t na) {
  return section_word(na, kStartSection, kNameTableEntry);
}
/// Word holding the first word of the section with code `section` (6..10).
constexpr int64_t section_start_word(int64_t na, int32_t section) {
  return section_word(na, kStartSection, section);
}

/// Words of the MCM itself: 3*NA, or 5*NA with the file option.
constexpr int64_t mcm_words(int64_t na, bool file_option) {
  return (file_option ? kFileSections : kBasicSections) * na;
}

// ---- name table -----------------------------------------------------------------

/// The name table takes two words per array number.
inline constexpr int64_t kNameTableWordsPerNumber = 2;
inline constexpr int64_t kNextNumberWord = 1;    ///< > 10: numbering by the store
inline constexpr int64_t kCaseFlagWord = 2;      ///< 1: lower case counts as upper
inline constexpr int64_t kHighestNamedWord = 3;  ///< highest number with a name

/// Table words of the name code of array n: 2n-1 and 2n.
constexpr int64_t name_code_first_word(int64_t n) {
  return kNameTableWordsPerNumber * n - 1;
}
constexpr int64_t name_code_second_word(int64_t n) {
  return kNameTableWordsPerNumber * n;
}

// ---- name code ------------------------------------------------------------------

/// Each character takes two decimal digits: (code - kCodeOffset) times the
/// weight of its position within its group of four.
inline constexpr int32_t kCharsPerCodeWord = 4;
inline constexpr int32_t kCodeOffset = 30;
inline constexpr int32_t kLowestNameChar = 33;
inline constexpr int32_t kHighestNameChar = 126;
inline constexpr int32_t kCaseShift = 'a' - 'A';
inline constexpr int32_t kCodeWeights[kCharsPerCodeWord] = {1000000, 10000, 100, 1};

}  // namespace dms::mcm
