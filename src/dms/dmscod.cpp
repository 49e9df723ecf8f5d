// Name codes: DMSCOD (name to code), DMSDEC (code to name) and DMSFND (code
// to array number).
//
// A code word holds up to four characters as two decimal digits each,
// (character code - 30), from the highest weight down; every printable
// non-blank character gives a pair in 3..96, so the pair 00 ends a name.
#include <algorithm>
#include <cstddef>
#include <string>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/store.h"

namespace dms {
namespace detail {

CodeResult name_code(std::string_view name, bool fold_case, int32_t& first, int32_t& second) {
  first = 0;
  second = 0;
  if (name.size() > static_cast<std::size_t>(mcm::kMaxNameLength)) return CodeResult::kTooLong;
  int32_t code[2] = {0, 0};
  for (std::size_t i = 0; i < name.size(); ++i) {
    int32_t c = static_cast<unsigned char>(name[i]);
    if (c < mcm::kLowestNameChar || c > mcm::kHighestNameChar) {
      return CodeResult::kIllegalCharacter;
    }
    if (fold_case && c >= 'a' && c <= 'z') c -= mcm::kCaseShift;
    code[i / mcm::kCharsPerCodeWord] +=
        (c - mcm::kCodeOffset) * mcm::kCodeWeights[i % mcm::kCharsPerCodeWord];
  }
  first = code[0];
  second = code[1];
  return CodeResult::kOk;
}

bool code_or_report(const Store& store, std::string_view name, int32_t label, int32_t& first,
                    int32_t& second) {
  switch (name_code(name, store.folds_case(), first, second)) {
    case CodeResult::kOk:
      return true;
    case CodeResult::kTooLong:
      report(store.iw, NameError::kNameTooLong, name, 0, label);
      return false;
    case CodeResult::kIllegalCharacter:
      report(store.iw, NameError::kIllegalCharacter, name, 0, label);
      return false;
  }
  return false;
}

int32_t find_number(const Store& store, int32_t first, int32_t second) {
  if (!store.has_name_table()) return 0;
  return DMSFND(store.name_table(), first, second);
}

}  // namespace detail

void DMSCOD(IntView iw, std::string_view name, int32_t label, int32_t& first, int32_t& second) {
  detail::Store store;
  if (detail::load_store(iw, store)) {
    static_cast<void>(detail::code_or_report(store, name, label, first, second));
    return;
  }
  // Without a readable MCM there is no case flag; errors are still reported.
  switch (detail::name_code(name, false, first, second)) {
    case detail::CodeResult::kOk:
      break;
    case detail::CodeResult::kTooLong:
      detail::report(iw, detail::NameError::kNameTooLong, name, 0, label);
      break;
    case detail::CodeResult::kIllegalCharacter:
      detail::report(iw, detail::NameError::kIllegalCharacter, name, 0, label);
      break;
  }
}

void DMSDEC(IntView iw, int32_t first, int32_t second, int32_t label, std::string& text,
            int32_t& count) {
  text.assign(std::max<std::size_t>(text.size(), mcm::kMaxNameLength), ' ');
  count = 0;
  const int32_t words[2] = {first, second};
  for (int part = 0; part < 2; ++part) {
    if (part == 1 && (count < mcm::kCharsPerCodeWord || second <= 0)) return;
    int32_t rest = words[part];
    for (const int32_t weight : mcm::kCodeWeights) {
      const int32_t pair = rest / weight;
      if (pair == 0) return;
      const int32_t c = pair + mcm::kCodeOffset;
      if (c < mcm::kLowestNameChar || c > mcm::kHighestNameChar) {
        detail::report(iw, detail::NameError::kIllegalCharacterNumber,
                       std::string_view(text).substr(0, static_cast<std::size_t>(count)), c, label);
        return;
      }
      text[static_cast<std::size_t>(count)] = static_cast<char>(c);
      ++count;
      rest -= pair * weight;
    }
  }
}

int32_t DMSFND(IntView name_table, int32_t first, int32_t second) {
  if (first == 0 || name_table.size() < mcm::kHighestNamedWord) return 0;
  const int64_t highest = std::min<int64_t>(name_table(mcm::kHighestNamedWord),
                                            name_table.size() / mcm::kNameTableWordsPerNumber);
  // Words 2n-1 and 2n of the table are elements 2n-2 and 2n-1 of the data.
  const int32_t* codes = name_table.data();
  for (int64_t n = mcm::kFirstUserNumber; n <= highest; ++n) {
    if (codes[2 * n - 2] == first && codes[2 * n - 1] == second) return static_cast<int32_t>(n);
  }
  return 0;
}

}  // namespace dms
