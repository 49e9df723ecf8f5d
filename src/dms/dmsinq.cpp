// Queries of the store: numbers and names (DMSNUM, DMSNAM), array facts
// (DMSINQ), store parameters (DMSSTA, DMSMOD, DMSPAR) and raw section words
// (DMSGTW, DMSPTW).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/name_code.h"
#include "dms/store.h"

namespace dms {
namespace {

using detail::NameError;

/// Word number of word n of section `section`, taken through the section's
/// start word; 0 when the section or the word does not exist.
int64_t section_entry(const detail::Store& store, int32_t section, int32_t n) {
  if (section < mcm::kLengthSection || section > mcm::kFileAddressSection) return 0;
  if (n < 1 || n > store.na) return 0;
  const int64_t first = store.iw(mcm::section_start_word(store.na, section));
  const int64_t word = first + n - 1;
  if (first < 1 || word > store.iw.size()) return 0;
  return word;
}

}  // namespace

int32_t DMSNUM(IntView iw, std::string_view name, int32_t label) {
  detail::Store store;
  if (!detail::load_store_or_report(iw, label, store)) return 0;
  int32_t first = 0;
  int32_t second = 0;
  if (!detail::code_or_report(store, name, label, first, second)) {
    detail::report(iw, NameError::kOccuredFor, name, 0, label);
    return 0;
  }
  return detail::find_number(store, first, second);
}

void DMSNAM(IntView iw, int32_t number, int32_t label, std::string& name, int32_t& count) {
  name.assign(std::max<std::size_t>(name.size(), mcm::kMaxNameLength), ' ');
  count = 0;
  detail::Store store;
  if (!detail::load_store_or_report(iw, label, store)) return;
  // Word 8 limits the numbers that may be asked; the table holds NA of them.
  if (number <= mcm::kReservedNumbers || number > iw(mcm::kNameLimitWord) || number > store.na) {
    detail::report(iw, NameError::kNameOfIllegalNumber, "", number, label);
    return;
  }
  if (!store.has_name_table()) return;
  const IntView names = store.name_table();
  const int32_t before = DMSSTA(iw);
  DMSDEC(iw, names(mcm::name_code_first_word(number)), names(mcm::name_code_second_word(number)),
         label, name, count);
  if (DMSSTA(iw) != before) {
    detail::report(iw, NameError::kOccuredFor,
                   std::string_view(name).substr(0, static_cast<std::size_t>(count)), 0, label);
  }
}

int32_t DMSINQ(IntView iw, std::string_view name, int32_t code) {
  constexpr int32_t kUnknown = -1;
  detail::Store store;
  if (!detail::load_store(iw, store)) return kUnknown;
  int32_t first = 0;
  int32_t second = 0;
  if (encode_name(name, store.folds_case(), first, second) != NameCodeResult::kOk || first == 0) {
    return kUnknown;
  }
  const int32_t n = detail::find_number(store, first, second);
  if (n == 0) return kUnknown;
  switch (code) {
    case kInquireLength:
      return store.length(n);
    case kInquireWordsPerElement:
      return store.words_per_element(n);
    case kInquireStart:
      return store.start(n);
    case kInquireFileUnit:
    case kInquireFileAddress: {
      const bool unit = code == kInquireFileUnit;
      const int64_t enabled_word = unit ? mcm::kFileUnitsWord : mcm::kFileAddressesWord;
      const int32_t section = unit ? mcm::kFileUnitSection : mcm::kFileAddressSection;
      if (iw(enabled_word) == 0 || !store.file_option) return 0;
      return iw(mcm::section_word(store.na, section, n));
    }
    default:
      return 0;
  }
}

int32_t DMSSTA(IntView iw) {
  return iw.size() >= mcm::kStatusWord ? iw(mcm::kStatusWord) : -1;
}

int32_t DMSMOD(IntView iw) {
  detail::Store store;
  if (!detail::load_store_or_report(iw, 0, store)) return 0;
  int32_t mode = kModeNoNames;
  if (store.has_name_table()) {
    const int32_t next = store.name_table()(mcm::kNextNumberWord);
    if (next > mcm::kReservedNumbers) {
      mode = kModeNumberedByStore;
    } else if (next == 0) {
      mode = kModeNumberedByCaller;
    } else {
      detail::report_corrupt(iw, 0);
      return 0;
    }
  }
  return store.file_option ? mode + kModeFileOption : mode;
}

int32_t DMSPAR(IntView iw, int32_t code) {
  detail::Store store;
  if (!detail::load_store_or_report(iw, 0, store)) return 0;
  switch (code) {
    case kParameterNumbers:
      return iw(mcm::kNumberLimitWord);
    case kParameterMessageUnit:
      return iw(mcm::kMessageUnitWord);
    case kParameterMcmOnlyCleared:
      return iw(mcm::kMcmOnlyClearedWord);
    case kParameterLowestFree:
      return store.lowest_free();
    case kParameterHighestFree:
      return store.highest_free();
    case kParameterHighWater:
      return store.high_water();
    case kParameterNextNumber:
      return store.has_name_table() ? store.name_table()(mcm::kNextNumberWord) : 0;
    case kParameterCaseFlag:
      return store.has_name_table() ? store.name_table()(mcm::kCaseFlagWord) : 0;
    case kParameterHighestNamed:
      return store.has_name_table() ? store.name_table()(mcm::kHighestNamedWord) : 0;
    default:
      return 0;
  }
}

int32_t DMSGTW(IntView iw, int32_t section, int32_t n) {
  detail::Store store;
  if (!detail::load_store_or_report(iw, 0, store)) return 0;
  const int64_t word = section_entry(store, section, n);
  if (word == 0) {
    detail::report_corrupt(iw, 0);
    return 0;
  }
  return iw(word);
}

void DMSPTW(IntView iw, int32_t section, int32_t n, int32_t value) {
  detail::Store store;
  if (!detail::load_store_or_report(iw, 0, store)) return;
  const int64_t word = section_entry(store, section, n);
  if (word == 0) {
    detail::report_corrupt(iw, 0);
    return;
  }
  iw(word) = value;
}

}  // namespace dms
