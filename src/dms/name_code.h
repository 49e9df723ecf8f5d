// The name code: how an array name of up to eight characters is kept as two
// integers, in the store's name table, in a RAF file's catalogue (IARRNM) and
// in the name-indexed tables of the structure data.
//
// A code word holds up to four characters as two decimal digits each,
// (character code - 30), from the highest weight down; every printable
// non-blank character gives a pair in 3..96, so the pair 00 ends a name.
// Characters 1-4 make the first word, characters 5-8 the second.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dms/mcm.h"

namespace dms {

/// True for a character that may stand in a name (codes 33..126).
constexpr bool is_name_char(int32_t c) {
  return c >= mcm::kLowestNameChar && c <= mcm::kHighestNameChar;
}

/// The code word of up to four characters; -1 when one of them is not a
/// name character.
constexpr int32_t code_word(std::string_view group) {
  int32_t sum = 0;
  for (std::size_t i = 0; i < group.size() && i < mcm::kCharsPerCodeWord; ++i) {
    const int32_t c = static_cast<unsigned char>(group[i]);
    if (!is_name_char(c)) return -1;
    sum += (c - mcm::kCodeOffset) * mcm::kCodeWeights[i];
  }
  return sum;
}

/// Outcome of forming a name code.
enum class NameCodeResult { kOk, kTooLong, kIllegalCharacter };

/// The name code of `name`; with `fold_case` lower-case letters count as
/// upper case.  On failure both words are 0.
constexpr NameCodeResult encode_name(std::string_view name, bool fold_case, int32_t& first,
                                     int32_t& second) {
  first = 0;
  second = 0;
  if (name.size() > static_cast<std::size_t>(mcm::kMaxNameLength)) return NameCodeResult::kTooLong;
  int32_t code[2] = {0, 0};
  for (std::size_t i = 0; i < name.size(); ++i) {
    int32_t c = static_cast<unsigned char>(name[i]);
    if (!is_name_char(c)) return NameCodeResult::kIllegalCharacter;
    if (fold_case && c >= 'a' && c <= 'z') c -= mcm::kCaseShift;
    code[i / mcm::kCharsPerCodeWord] +=
        (c - mcm::kCodeOffset) * mcm::kCodeWeights[i % mcm::kCharsPerCodeWord];
  }
  first = code[0];
  second = code[1];
  return NameCodeResult::kOk;
}

/// A name code read back: the characters up to the end of the name or up to
/// a digit pair that is no name character (`bad_char`, that pair plus 30;
/// 0 when every pair was one).
struct DecodedName {
  std::string text;
  int32_t bad_char = 0;
};

/// The characters of a name code.  The second word counts only after four
/// characters and when it is positive.
inline DecodedName decode_name(int32_t first, int32_t second) {
  DecodedName name;
  const int32_t words[2] = {first, second};
  for (int part = 0; part < 2; ++part) {
    if (part == 1 && (name.text.size() < mcm::kCharsPerCodeWord || second <= 0)) break;
    int32_t rest = words[part];
    for (const int32_t weight : mcm::kCodeWeights) {
      const int32_t pair = rest / weight;
      if (pair == 0) return name;
      const int32_t c = pair + mcm::kCodeOffset;
      if (!is_name_char(c)) {
        name.bad_char = c;
        return name;
      }
      name.text.push_back(static_cast<char>(c));
      rest -= pair * weight;
    }
  }
  return name;
}

}  // namespace dms
