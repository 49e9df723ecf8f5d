// Set-up of the store: DMSOPN_32 lays out the MCM over the work array and
// DMSANN adds the name table directly after it.
#include <cstdint>
#include <string>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/store.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace dms {
namespace {

void report_open_failure(IntView iw, int32_t nwiwa, int32_t nla, int32_t message_unit,
                         int32_t& status) {
  constexpr int kValueWidth = 8;
  detail::count_error(iw, status);
  if (message_unit < 1) return;
  for (int k = 0; k < 3; ++k) platform::write_record(message_unit, "");
  platform::write_record(message_unit, " *** ERROR RETURN - K O R LIBRARY ROUTINE DMSOPN_32 **");
  std::string record = "     ILLEGAL PARAMETER(S) : NWIWA, NLA  =";
  textio::put_int(record, nwiwa, kValueWidth);
  textio::put_int(record, nla, kValueWidth);
  platform::write_record(message_unit, record);
}

}  // namespace

void DMSOPN_32(IntView iw, int32_t nwiwa, int32_t nla, int32_t file_option, int32_t message_unit,
               int32_t& status) {
  const int64_t na = nla < 0 ? -static_cast<int64_t>(nla) : nla;
  const bool files = file_option != 0;
  const int64_t first_free = mcm::mcm_words(na, files) + 1;  // E
  // The store may only lay itself over words the caller really lent it.
  if (na <= mcm::kReservedNumbers || nwiwa < first_free || nwiwa > iw.size()) {
    report_open_failure(iw, nwiwa, nla, message_unit, status);
    return;
  }

  clear_words(iw, 1, nla > 0 ? nwiwa : first_free);
  const auto na32 = static_cast<int32_t>(na);
  iw(mcm::kTwiceNaWord) = 2 * na32;
  iw(mcm::kBookLengthWord) = static_cast<int32_t>(first_free - 1);
  iw(mcm::kMessageUnitWord) = message_unit;
  iw(mcm::kMcmOnlyClearedWord) = nla < 0 ? 1 : 0;

  const int32_t last_section = files ? mcm::kFileAddressSection : mcm::kStartSection;
  for (int32_t s = mcm::kLengthSection; s <= last_section; ++s) {
    // Sections describe themselves as arrays of NA one-word elements.
    iw(mcm::section_word(na, mcm::kLengthSection, s)) = na32;
    iw(mcm::section_word(na, mcm::kWordsPerElementSection, s)) = 1;
    iw(mcm::section_start_word(na, s)) = static_cast<int32_t>((s - mcm::kLengthSection) * na + 1);
  }
  iw(mcm::lowest_free_word(na)) = static_cast<int32_t>(first_free);
  iw(mcm::highest_free_word(na)) = nwiwa;
  iw(mcm::high_water_word(na)) = static_cast<int32_t>(first_free);
}

void DMSANN(IntView iw, int32_t numbering_mode, int32_t case_flag, int32_t label) {
  using detail::NameError;
  detail::Store store;
  if (!detail::load_store(iw, store) || iw(mcm::kTwiceNaWord) != 2 * store.na ||
      store.has_name_table()) {
    detail::report(iw, NameError::kAnnOutOfOrder, "", 0, label);
    return;
  }
  const int64_t na = store.na;
  // The table must come straight after the bare MCM, before any storage.
  const int64_t table = store.lowest_free();
  if (table != mcm::mcm_words(na, store.file_option) + 1 || table != store.book_length() + 1) {
    detail::report(iw, NameError::kAnnOutOfOrder, "", 0, label);
    return;
  }
  const int64_t table_words = mcm::kNameTableWordsPerNumber * na;
  const int64_t table_end = table + table_words - 1;
  if (table_end > store.highest_free()) {
    detail::report(iw, NameError::kBookKeepingTooLarge, "", table_end - store.highest_free(),
                   label);
    return;
  }

  // Cleared in any case: free words are zero only while the store keeps them so.
  clear_words(iw, table, table_words);
  iw(mcm::name_table_word(na)) = static_cast<int32_t>(table);
  store.lowest_free() = static_cast<int32_t>(table_end + 1);
  const IntView names = store.name_table();
  if (numbering_mode == kImplicitNumbering) names(mcm::kNextNumberWord) = mcm::kFirstUserNumber;
  names(mcm::kCaseFlagWord) = case_flag;
  names(mcm::kHighestNamedWord) = mcm::kReservedNumbers;
  iw(mcm::kBookLengthWord) = static_cast<int32_t>(table_end);
}

}  // namespace dms
