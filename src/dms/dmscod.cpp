// Name codes: DMSCOD (name to code), DMSDEC (code to name) and DMSFND (code
// to array number).  The code itself is in dms/name_code.h.
#include <algorithm>
#include <cstddef>
#include <string>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/name_code.h"
#include "dms/store.h"

namespace dms {
namespace detail {

bool code_or_report(const Store& store, std::string_view name, int32_t label, int32_t& first,
                    int32_t& second) {
  switch (encode_name(name, store.folds_case(), first, second)) {
    case NameCodeResult::kOk:
      return true;
    case NameCodeResult::kTooLong:
      report(store.iw, NameError::kNameTooLong, name, 0, label);
      return false;
    case NameCodeResult::kIllegalCharacter:
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
  switch (encode_name(name, false, first, second)) {
    case NameCodeResult::kOk:
      break;
    case NameCodeResult::kTooLong:
      detail::report(iw, detail::NameError::kNameTooLong, name, 0, label);
      break;
    case NameCodeResult::kIllegalCharacter:
      detail::report(iw, detail::NameError::kIllegalCharacter, name, 0, label);
      break;
  }
}

void DMSDEC(IntView iw, int32_t first, int32_t second, int32_t label, std::string& text,
            int32_t& count) {
  text.assign(std::max<std::size_t>(text.size(), mcm::kMaxNameLength), ' ');
  const DecodedName decoded = decode_name(first, second);
  count = static_cast<int32_t>(decoded.text.size());
  text.replace(0, decoded.text.size(), decoded.text);
  if (decoded.bad_char != 0) {
    detail::report(iw, detail::NameError::kIllegalCharacterNumber, decoded.text, decoded.bad_char,
                   label);
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
