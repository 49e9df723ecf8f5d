// Definition of arrays: DMSSET (length and words per element of a number)
// and DMSDEF (a named array under a given number or the next free one).
#include <cstdint>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/store.h"

namespace dms {
namespace {

using detail::NameError;
using detail::NumberError;

/// DMSSET on a checked store; errors are reported and counted in MCM word 3.
bool set_attributes(const detail::Store& store, int64_t n, int32_t length,
                    int32_t words_per_element, int32_t label) {
  const IntView iw = store.iw;
  NumberError error{};
  int64_t a = n;
  int64_t b = 0;
  if (!store.is_user_number(n)) {
    error = NumberError::kIllegalNumber;
  } else if (words_per_element < 1 || words_per_element > mcm::kMaxWordsPerElement) {
    error = NumberError::kIllegalWordsPerElement;
    a = words_per_element;
    b = n;
  } else if (length < 0) {
    error = NumberError::kNegativeDimension;
  } else if (store.start(n) != 0) {
    error = NumberError::kRedefineWithStorage;
  } else {
    store.length(n) = length;
    store.words_per_element(n) = words_per_element;
    return true;
  }
  detail::report(iw, error, a, b, 0, label);
  detail::count_error(iw);
  return false;
}

/// Stores the name code of array n and makes sure the name is found.
void store_name(const detail::Store& store, int64_t n, int32_t first, int32_t second) {
  const IntView names = store.name_table();
  names(mcm::name_code_first_word(n)) = first;
  names(mcm::name_code_second_word(n)) = second;
  int32_t& highest = names(mcm::kHighestNamedWord);
  if (highest < n) highest = static_cast<int32_t>(n);
}

}  // namespace

void DMSSET(IntView iw, int32_t number, int32_t length, int32_t words_per_element, int32_t label,
            int32_t& status) {
  detail::Store store;
  if (!detail::load_store(iw, store)) {
    detail::report_corrupt(iw, label, status);
    return;
  }
  if (!set_attributes(store, number, length, words_per_element, label)) {
    detail::lower_status(status);
  }
}

void DMSDEF(IntView iw, std::string_view name, int32_t number, int32_t length,
            int32_t words_per_element, int32_t label) {
  detail::Store store;
  if (!detail::load_store_or_report(iw, label, store)) return;
  int32_t first = 0;
  int32_t second = 0;
  if (!detail::code_or_report(store, name, label, first, second)) {
    detail::report(iw, NameError::kOccuredFor, name, 0, label);
    return;
  }
  if (first == 0) {
    // An empty name codes as "no name" and cannot be given to an array.
    detail::report(iw, NameError::kIllegalCharacter, name, 0, label);
    detail::report(iw, NameError::kOccuredFor, name, 0, label);
    return;
  }
  const auto refuse = [&](NameError error, int64_t value) {
    detail::report(iw, error, name, value, label);
  };
  if (!store.has_name_table()) {
    refuse(NameError::kDefinitionCorrupt, 0);
    return;
  }
  const IntView names = store.name_table();
  const int32_t holder = detail::find_number(store, first, second);

  if (number != 0) {
    if (!store.is_user_number(number)) {
      refuse(NameError::kIllegalDefineNumber, number);
      return;
    }
    const int32_t w = store.words_per_element(number);
    if (w >= 1) {
      // Redefinition: under its own name or a name no other array has.
      if (holder != 0 && holder != number) {
        refuse(NameError::kNameExists, holder);
        return;
      }
    } else if (w < 0) {
      refuse(NameError::kDefinitionCorrupt, 0);
      return;
    } else if (names(mcm::kNextNumberWord) != 0) {
      refuse(NameError::kExplicitNotSpecified, 0);
      return;
    } else if (holder != 0) {
      refuse(NameError::kNameExists, holder);
      return;
    }
    if (!set_attributes(store, number, length, words_per_element, label)) {
      detail::report(iw, NameError::kOccuredFor, name, 0, label);
      return;
    }
    store_name(store, number, first, second);
    return;
  }

  // Numbering by the store: the next number of the table.
  const int32_t next = names(mcm::kNextNumberWord);
  if (next <= mcm::kReservedNumbers) {
    refuse(NameError::kImplicitNotSpecified, 0);
    return;
  }
  if (next > store.na) {
    refuse(NameError::kNumbersExhausted, store.na);
    return;
  }
  if (holder != 0) {
    refuse(NameError::kNameExists, holder);
    return;
  }
  if (!set_attributes(store, next, length, words_per_element, label)) return;
  store_name(store, next, first, second);
  names(mcm::kNextNumberWord) = next + 1;
}

}  // namespace dms
