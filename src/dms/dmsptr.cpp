// Pointers and storage: DMSPTR (pointer of a named array, giving it storage
// when it has none) and DMSALC (storage for an array number).
//
// Storage is handed out upward from the lowest free word.  An array of w
// words per element starts at a word w*m + 1, so that its pointer m + 1
// indexes the work array seen as elements of w words (for w = 2 the real
// view).  DMSPTR is called for every array a result step reads: it forms the
// name code, scans the name table once and reads three MCM words, without
// allocating anything.
#include <cstdint>
#include <limits>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/store.h"

namespace dms {
namespace detail {

bool allocate(const Store& store, int64_t n, int32_t& pointer, int32_t label) {
  const IntView iw = store.iw;
  pointer = 0;
  if (!store.is_user_number(n)) {
    report(iw, NumberError::kIllegalNumber, n, 0, 0, label);
    count_error(iw);
    return false;
  }
  const int64_t w = store.words_per_element(n);
  const int64_t start = store.start(n);
  const int64_t length = store.length(n);
  if (length < 0 || w < 0 || start < 0) {
    report_corrupt(iw, label);
    return false;
  }
  if (w == 0) {
    report(iw, NumberError::kAllocateUndefined, n, 0, 0, label);
    count_error(iw);
    return false;
  }
  if (start != 0) {
    // Storage already given: the old storage is used.  Only handed out if it
    // really lies where storage can lie.
    if (!storage_fits(store, start, w, length) || (start - 1) % w != 0) {
      report_corrupt(iw, label);
      return false;
    }
    report(iw, NumberError::kStorageAlreadyGiven, n, 0, 0, label);
    pointer = static_cast<int32_t>((start - 1) / w + 1);
    return true;
  }
  if (w > mcm::kMaxWordsPerElement) {
    report_corrupt(iw, label);
    return false;
  }

  const int64_t lowest = store.lowest_free();
  const int64_t highest = store.highest_free();
  const int64_t m = (lowest - 1 + w - 1) / w;
  const int64_t first = w * m + 1;
  const int64_t next_free = first + storage_words(w, length);
  if (next_free > highest + 1 || next_free > std::numeric_limits<int32_t>::max()) {
    // The array stays without storage, so no pointer into missing room can
    // be handed out later.
    report(iw, NumberError::kRoomExceeded, highest, next_free - highest - 1, n, label);
    count_error(iw);
    return false;
  }
  store.start(n) = static_cast<int32_t>(first);
  store.lowest_free() = static_cast<int32_t>(next_free);
  if (store.high_water() < next_free - 1) store.high_water() = static_cast<int32_t>(next_free - 1);
  pointer = static_cast<int32_t>(m + 1);
  return true;
}

}  // namespace detail

void DMSALC(IntView iw, int32_t number, int32_t& pointer, int32_t label, int32_t& status) {
  pointer = 0;
  detail::Store store;
  if (!detail::load_store(iw, store)) {
    detail::report_corrupt(iw, label, status);
    return;
  }
  if (!detail::allocate(store, number, pointer, label)) detail::lower_status(status);
}

int32_t DMSPTR(IntView iw, std::string_view name, int32_t label) {
  using detail::NameError;
  detail::Store store;
  int32_t first = 0;
  int32_t second = 0;
  if (!detail::load_store(iw, store)) {
    detail::report_corrupt(iw, label);
    detail::report(iw, NameError::kOccuredFor, name, 0, label);
    return 0;
  }
  if (!detail::code_or_report(store, name, label, first, second)) {
    detail::report(iw, NameError::kOccuredFor, name, 0, label);
    return 0;
  }
  const int32_t n = detail::find_number(store, first, second);
  if (n == 0) {
    detail::report(iw, NameError::kPointerUndefined, name, 0, label);
    return 0;
  }
  const int64_t w = store.words_per_element(n);
  const int64_t start = store.start(n);
  if (w == 0) {
    detail::report(iw, NameError::kPointerUndefined, name, 0, label);
    return 0;
  }
  if (start == 0) {
    int32_t pointer = 0;
    if (!detail::allocate(store, n, pointer, label)) {
      detail::report(iw, NameError::kOccuredFor, name, 0, label);
      return 0;
    }
    return pointer;
  }
  if (!detail::storage_fits(store, start, w, store.length(n))) {
    detail::report_corrupt(iw, label);
    detail::report(iw, NameError::kOccuredFor, name, 0, label);
    return 0;
  }
  if ((start - 1) % w != 0) {
    detail::report(iw, NameError::kInconsistentInfo, name, 0, label);
    return 0;
  }
  return static_cast<int32_t>((start - 1) / w + 1);
}

}  // namespace dms
