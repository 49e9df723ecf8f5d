// The checked view of the MCM, the error-count rule and the storage check.
#include <cstdint>
#include <limits>

#include "dms/mcm.h"
#include "dms/store.h"

namespace dms::detail {

void lower_status(int32_t& status) {
  if (status > std::numeric_limits<int32_t>::min()) --status;
}

void count_error(IntView iw) {
  if (iw.size() >= mcm::kStatusWord) lower_status(iw(mcm::kStatusWord));
}

void count_error(IntView iw, int32_t& status) {
  count_error(iw);
  lower_status(status);
}

void report_corrupt(IntView iw, int32_t label) {
  report(iw, NumberError::kCorrupt, 0, 0, 0, label);
  count_error(iw);
}

void report_corrupt(IntView iw, int32_t label, int32_t& status) {
  report(iw, NumberError::kCorrupt, 0, 0, 0, label);
  count_error(iw, status);
}

// Each word that locates something is checked before it is used: NA before
// any section word, the free room and the name table against the work
// array and against each other.  The book-keeping (MCM and name table) lies
// in words 1 .. book length; storage lies between it and the lowest free
// word; the lowest free word may be one past the highest free word.
bool load_store(IntView iw, Store& store) {
  const int64_t size = iw.size();
  if (size < mcm::kControlWords) return false;
  const int64_t na = iw(mcm::kNumberLimitWord);
  const int64_t file_units = iw(mcm::kFileUnitsWord);
  if (na < mcm::kFirstUserNumber || file_units < 0) return false;
  const bool file_option = file_units > 0;
  const int64_t mcm_words = mcm::mcm_words(na, file_option);
  if (mcm_words > size) return false;

  const int64_t book = iw(mcm::kBookLengthWord);
  const int64_t lowest = iw(mcm::lowest_free_word(na));
  const int64_t highest = iw(mcm::highest_free_word(na));
  if (book < mcm_words || highest < 1 || highest > size) return false;
  if (lowest <= book || lowest > highest + 1) return false;

  const int64_t table = iw(mcm::name_table_word(na));
  if (table != 0) {
    const int64_t table_end = table + mcm::kNameTableWordsPerNumber * na - 1;
    if (table <= mcm_words || table_end > book) return false;
  }
  store.iw = iw;
  store.na = na;
  store.file_option = file_option;
  return true;
}

bool load_store_or_report(IntView iw, int32_t label, Store& store) {
  if (load_store(iw, store)) return true;
  report_corrupt(iw, label);
  return false;
}

bool storage_fits(const Store& store, int64_t start, int64_t w, int64_t length) {
  if (w < 1 || w > mcm::kMaxWordsPerElement || length < 0) return false;
  if (start <= store.book_length()) return false;
  return start + storage_words(w, length) <= store.lowest_free();
}

}  // namespace dms::detail
