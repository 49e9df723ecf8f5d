// Internals shared by the store's routines: the checked view of the MCM,
// the error numbers, the one rule for counting an error, and the pure name
// code.
//
// Every routine that touches the MCM first builds a Store with load_store().
// That check reads only control words that exist and verifies each word that
// locates something (NA, the free room, the name table), so that every
// accessor below stays inside the work array for an array number in
// 11..NA.  Storage ranges are checked where they are used (storage_fits()).
#pragma once

#include <cstdint>
#include <string_view>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/work_array.h"

namespace dms::detail {

/// Errors about a name (written by DMSERN).
enum class NameError : int32_t {
  kNameTooLong = 11,
  kIllegalCharacter = 12,
  kIllegalCharacterNumber = 13,
  kAnnOutOfOrder = 14,
  kBookKeepingTooLarge = 15,
  kImplicitNotSpecified = 16,
  kNameExists = 17,
  kNumbersExhausted = 18,
  kExplicitNotSpecified = 19,
  kDefinitionCorrupt = 20,
  kIllegalDefineNumber = 21,
  kReleaseNonExisting = 22,
  kNameOfIllegalNumber = 23,
  kPointerUndefined = 24,
  kInconsistentInfo = 25,
  kAssignFileNonExisting = 26,
  kTransferNonExisting = 27,
  kRetrieveNonExisting = 28,
  kIntroduceNonExisting = 29,
  kOccuredFor = 51,
};

/// Errors and warnings about a number or storage (written by DMSERA).
enum class NumberError : int32_t {
  kStorageAlreadyGiven = 1,
  kFileUnitDefined = 2,
  kIllegalNumber = 11,
  kIllegalWordsPerElement = 12,
  kCorrupt = 13,
  kRoomExceeded = 14,
  kImplicitIncorrect = 15,
  kAddressWithoutStorage = 16,
  kBadFileUnitOrAddress = 17,
  kUndefinedFileUnit = 18,
  kTransferFailed = 19,
  kBadMcmFromFile = 20,
  kCopySourceMissing = 21,
  kCopyTargetTooSmall = 22,
  kCopyTypesDiffer = 23,
  kAllocateUndefined = 24,
  kAddressOfUndefined = 25,
  kNegativeDimension = 26,
  kNegativeShrinking = 27,
  kTooManyFiles = 28,
  kMergeFiles = 29,
  kRedefineWithStorage = 30,
  kBadReference = 31,
  kIllegalVersion = 32,
  kTransferArrayMissing = 33,
  kTransferRecordMissing = 34,
};

void report(IntView iw, NameError error, std::string_view name, int64_t value, int32_t label);
void report(IntView iw, NumberError error, int64_t a, int64_t b, int64_t c, int32_t label);

/// The one rule for counting an error: a count is lowered by one (it never
/// wraps below the lowest integer).
void lower_status(int32_t& status);
/// Counts one error in MCM word 3 (when the work array has that word).
void count_error(IntView iw);
/// Counts one error in MCM word 3 and in the caller's status.
void count_error(IntView iw, int32_t& status);

/// Reports DMSERA 13 and counts it.
void report_corrupt(IntView iw, int32_t label);
void report_corrupt(IntView iw, int32_t label, int32_t& status);

/// Checked view of an opened MCM.
struct Store {
  IntView iw;
  int64_t na = 0;
  bool file_option = false;

  [[nodiscard]] bool is_user_number(int64_t n) const {
    return n >= mcm::kFirstUserNumber && n <= na;
  }
  int32_t& length(int64_t n) const { return iw(mcm::section_word(na, mcm::kLengthSection, n)); }
  int32_t& words_per_element(int64_t n) const {
    return iw(mcm::section_word(na, mcm::kWordsPerElementSection, n));
  }
  int32_t& start(int64_t n) const { return iw(mcm::section_word(na, mcm::kStartSection, n)); }
  int32_t& lowest_free() const { return iw(mcm::lowest_free_word(na)); }
  int32_t& highest_free() const { return iw(mcm::highest_free_word(na)); }
  int32_t& high_water() const { return iw(mcm::high_water_word(na)); }
  [[nodiscard]] int32_t book_length() const { return iw(mcm::kBookLengthWord); }
  [[nodiscard]] bool keeps_free_space_zero() const { return iw(mcm::kMcmOnlyClearedWord) == 0; }

  [[nodiscard]] bool has_name_table() const { return iw(mcm::name_table_word(na)) != 0; }
  /// The 2*NA words of the name table; only when has_name_table().
  [[nodiscard]] IntView name_table() const {
    return iw.sub(iw(mcm::name_table_word(na)), mcm::kNameTableWordsPerNumber * na);
  }
  /// True when the case flag of the name table is set.
  [[nodiscard]] bool folds_case() const {
    return has_name_table() && name_table()(mcm::kCaseFlagWord) == 1;
  }
};

/// Builds the checked view; false (silently) when the MCM is not usable.
[[nodiscard]] bool load_store(IntView iw, Store& store);
/// As load_store, reporting DMSERA 13 with `label` and counting it.
[[nodiscard]] bool load_store_or_report(IntView iw, int32_t label, Store& store);

/// Words taken by `length` elements of `w` words: at least one word.
constexpr int64_t storage_words(int64_t w, int64_t length) {
  return length == 0 ? 1 : w * length;
}

/// True when an array with storage at `start`, `w` words per element and
/// `length` elements has sane attributes and lies wholly between the
/// book-keeping and the lowest free word.
[[nodiscard]] bool storage_fits(const Store& store, int64_t start, int64_t w, int64_t length);

/// DMSCOD on a checked store: reports and counts errors 11 and 12.
[[nodiscard]] bool code_or_report(const Store& store, std::string_view name, int32_t label,
                                  int32_t& first, int32_t& second);

/// The number holding the name code in the store's name table; 0 without a
/// table.
[[nodiscard]] int32_t find_number(const Store& store, int32_t first, int32_t second);

/// DMSALC on a checked store.  Returns false after an error (already
/// reported and counted in MCM word 3; not in any caller status).
[[nodiscard]] bool allocate(const Store& store, int64_t n, int32_t& pointer, int32_t label);

}  // namespace dms::detail
