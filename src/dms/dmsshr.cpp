// Shrinking and release: DMSSHR (shrink an array and compact the storage
// above it), DMSRLS (release the storage of a number) and DMSRLN (release
// by name).
//
// Compaction takes the arrays stored above the freed words in the order of
// their storage starts and moves each down to the lowest word at or above
// the end of the one before that fits its element size.  It stops at the
// first array that is already in place: the arrays from there up keep their
// storage and pointers, and the lowest free word stays where it is.  A gap
// smaller than that array's element size stays below it.
#include <cstdint>
#include <limits>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/store.h"

namespace dms {
namespace {

using detail::NameError;
using detail::NumberError;

bool refuse(const detail::Store& store, NumberError error, int64_t n, int32_t label) {
  detail::report(store.iw, error, n, 0, 0, label);
  detail::count_error(store.iw);
  return false;
}

bool corrupt(const detail::Store& store, int32_t label) {
  detail::report_corrupt(store.iw, label);
  return false;
}

/// True when every array with storage lies, aligned, between the
/// book-keeping and the lowest free word; checked before anything moves.
bool all_storage_fits(const detail::Store& store) {
  for (int64_t k = mcm::kFirstUserNumber; k <= store.na; ++k) {
    const int64_t start = store.start(k);
    if (start == 0) continue;
    const int64_t w = store.words_per_element(k);
    if (!detail::storage_fits(store, start, w, store.length(k)) || (start - 1) % w != 0) {
      return false;
    }
  }
  return true;
}

/// Shrinks array n to `new_length`; with `release` its storage is given up
/// entirely (the caller then clears its start).  Errors are reported and
/// counted in MCM word 3.
bool shrink(const detail::Store& store, int64_t n, int64_t new_length, bool release,
            int32_t label) {
  const IntView iw = store.iw;
  if (!store.is_user_number(n)) return refuse(store, NumberError::kIllegalNumber, n, label);
  if (new_length < 0) return refuse(store, NumberError::kNegativeDimension, n, label);
  const int64_t length = store.length(n);
  const int64_t start = store.start(n);
  if (length < 0 || start < 0) return corrupt(store, label);
  if (new_length > length) return refuse(store, NumberError::kNegativeShrinking, n, label);
  // A release gives back even the one word of an empty array.
  if (new_length == length && !(release && start != 0)) return true;
  if (start == 0) {
    store.length(n) = static_cast<int32_t>(new_length);
    return true;
  }
  if (!all_storage_fits(store)) return corrupt(store, label);

  int64_t highest_defined = 0;
  for (int64_t k = store.na; k >= mcm::kFirstUserNumber; --k) {
    if (store.words_per_element(k) != 0) {
      highest_defined = k;
      break;
    }
  }
  if (highest_defined == 0) return corrupt(store, label);

  const int64_t w = store.words_per_element(n);
  const int64_t old_free = store.lowest_free();
  int64_t next = release ? start : start + detail::storage_words(w, new_length);
  const auto clear_free = [&](int64_t end) {
    if (store.keeps_free_space_zero()) clear_words(iw, next, end - next);
  };

  int64_t lowest_number = mcm::kFirstUserNumber;
  for (;;) {
    // The array stored lowest above `next`; numbers below the first one
    // found lie below `next` and stay there.
    int64_t above = 0;
    int64_t above_start = std::numeric_limits<int64_t>::max();
    int64_t first_above = 0;
    for (int64_t k = lowest_number; k <= highest_defined; ++k) {
      const int64_t t = store.start(k);
      if (t <= next) continue;
      if (first_above == 0) first_above = k;
      if (t < above_start) {
        above = k;
        above_start = t;
      }
    }
    if (above == 0) break;
    const int64_t v = store.words_per_element(above);
    const int64_t elements = store.length(above);
    const int64_t target = (next - 1 + v - 1) / v * v + 1;
    if (target == above_start) {
      clear_free(above_start);
      store.length(n) = static_cast<int32_t>(new_length);
      return true;
    }
    if (above_start < target) return corrupt(store, label);
    store.start(above) = static_cast<int32_t>(target);
    move_words(iw, target, above_start, v * elements);
    next = target + detail::storage_words(v, elements);
    lowest_number = first_above;
  }
  clear_free(old_free);
  store.lowest_free() = static_cast<int32_t>(next);
  store.length(n) = static_cast<int32_t>(new_length);
  return true;
}

}  // namespace

void DMSSHR(IntView iw, int32_t number, int32_t new_length, int32_t label, int32_t& status) {
  detail::Store store;
  if (!detail::load_store(iw, store)) {
    detail::report_corrupt(iw, label, status);
    return;
  }
  if (!shrink(store, number, new_length, false, label)) detail::lower_status(status);
}

void DMSRLS(IntView iw, int32_t number, int32_t label, int32_t& status) {
  detail::Store store;
  if (!detail::load_store(iw, store)) {
    detail::report_corrupt(iw, label, status);
    return;
  }
  const int32_t length = store.is_user_number(number) ? store.length(number) : 0;
  if (!shrink(store, number, 0, true, label)) {
    detail::lower_status(status);
    return;
  }
  store.length(number) = length;
  store.start(number) = 0;
}

void DMSRLN(IntView iw, std::string_view name, int32_t label) {
  const int32_t n = DMSNUM(iw, name, label);
  if (n <= mcm::kReservedNumbers) {
    detail::report(iw, NameError::kReleaseNonExisting, name, 0, label);
    return;
  }
  int32_t status = 0;
  DMSRLS(iw, n, label, status);
  if (status != 0) detail::report(iw, NameError::kOccuredFor, name, 0, label);
}

}  // namespace dms
