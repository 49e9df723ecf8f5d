// Internals shared by the recall layer's routines: the message texts, the
// framed message buffer with its update rule, the records written straight
// to a unit, and the checked views of the catalogue arrays.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "dms/work_array.h"
#include "recall/recall.h"
#include "textio/message_table.h"

namespace recall::detail {

// ---- texts --------------------------------------------------------------------

enum class Text : int {
  kOccuredDuringRecall,
  kUnknownInstruction,
  kErrorDuringRecallin,
  kNotPreparedForNames,
  kOccuredDuringBooking,
  kNewDataType,
  kNewLength,
  kNewStoreType,
  kInsufficientSpace,
  kUnknownArrayType,
  kUnknownStoreInfo,
  kLeavingArinfo,
  kLeavingArupda,
  kTooFewNumbers,
  kRequired,
  kAvailable,
  kIllegalRelease,
  kIllegalRafNumber,
  kNotAllocated,
  kReleased,
  kIllegalRecordLength,
  kIllegalHighestNumber,
};

inline constexpr std::array<textio::Message<Text>, 22> kTexts = {{
    {Text::kOccuredDuringRecall, "Occured during recall  of: "},
    {Text::kUnknownInstruction, "Unknown Instruction      : "},
    {Text::kErrorDuringRecallin, "Error During Recallin Array: "},
    {Text::kNotPreparedForNames, "DMS not prepared for Name Option  "},
    {Text::kOccuredDuringBooking, "Occured during booking of: "},
    {Text::kNewDataType, "Re-allocatng with new data-type for array: "},
    {Text::kNewLength, "Re-allocatng with new lengthfor array: "},
    {Text::kNewStoreType, "Re-allocatng with new store-type for array: "},
    {Text::kInsufficientSpace, "Insufficient space for array "},
    {Text::kUnknownArrayType, "UNKNOWN ARRAY-TYPE:"},
    {Text::kUnknownStoreInfo, "UNKNOWN STORE-INFO:"},
    {Text::kLeavingArinfo, "LEAVING ARINFO"},
    {Text::kLeavingArupda, "LEAVING ARUPDA"},
    {Text::kTooFewNumbers, "DMS initiated with too few array_numbers "},
    {Text::kRequired, "Required : "},
    {Text::kAvailable, "Available: "},
    {Text::kIllegalRelease, "Illegal release message for array :"},
    {Text::kIllegalRafNumber, "Illegal raf - number for array :"},
    {Text::kNotAllocated, "*** Array not allocated : "},
    {Text::kReleased, "*** Array is released   : "},
    {Text::kIllegalRecordLength, "Illegal record length in catalogue:"},
    {Text::kIllegalHighestNumber, "Illegal highest array number      :"},
}};
static_assert(textio::has_every_code_once(kTexts));

constexpr std::string_view text(Text t) {
  return textio::message_text(kTexts, t);
}

/// Length of the framed message buffer.
inline constexpr std::size_t kMessageLength = 256;

/// Local status of ARBOOK when the room is too small.
inline constexpr int32_t kNoRoomStatus = -101;

/// Lowers a caller's error counter by one.
inline void lower(int32_t& counter) {
  if (counter > INT32_MIN) --counter;
}

// ---- framed messages ----------------------------------------------------------

/// The message buffer and local status of a routine that frames its message:
/// blank and 0 on entry; an error fills it with "*** ERROR IN <routine> ***"
/// and detail lines joined by line feeds, cut to 256 characters.  Nothing is
/// allocated until the text is handed over.
class Frame {
 public:
  explicit Frame(std::string_view routine) : routine_(routine) {}

  /// Sets the local status and the buffer to the error line followed by one
  /// detail line made of `detail` (no detail line when it is empty).
  void error(int32_t status, std::initializer_list<std::string_view> detail = {});

  /// Appends one more detail line.
  void add_line(std::initializer_list<std::string_view> line);

  [[nodiscard]] int32_t status() const { return status_; }
  /// Sets the local status alone (a non-error outcome); the buffer stays.
  void set_status(int32_t status) { status_ = status; }

  /// The hand-over on the way out: when `counter` is negative, the buffer
  /// and the local status go to MSGSTO with "Store" (a blank buffer too).
  void hand_over(MessageControl control, int32_t counter) const;

 private:
  void append(std::string_view piece);

  std::string_view routine_;
  std::array<char, kMessageLength> buffer_{};
  std::size_t used_ = 0;
  int32_t status_ = 0;
};

// ---- records written straight to a unit ---------------------------------------

/// Writes one record to `unit` when it is 1 or more.
void write(int32_t unit, std::string_view record);

/// An empty record and "  *** ERROR IN <routine> ***".
void write_error_record(int32_t unit, std::string_view routine);

/// A record of `pieces` indented six blanks.
void write_detail(int32_t unit, std::initializer_list<std::string_view> pieces);

// ---- the catalogue arrays -----------------------------------------------------

/// A catalogue array of the in-core store as a view over its storage.
/// Nothing when it has no storage that lies inside the work array.
std::optional<dms::Vec1<int32_t>> array_view(dms::IntView iw, std::string_view name,
                                             int32_t pointer);

/// NUMRAF and KEYRAF, checked: NUMRAF has its 20 words, its record length is
/// 10 and KEYRAF holds the records of every array number up to NUMRAF word 8.
struct Catalogue {
  dms::Vec1<int32_t> numraf;
  dms::Vec1<int32_t> keyraf;
  int32_t highest = 0;  ///< NUMRAF word 8

  /// Record n of KEYRAF (10 words) for 1 <= n <= highest.
  [[nodiscard]] dms::Vec1<int32_t> record(int32_t n) const {
    return keyraf.sub(static_cast<int64_t>(kRecordLength) * (n - 1) + 1, kRecordLength);
  }
  [[nodiscard]] bool has_record(int32_t n) const { return n >= 1 && n <= highest; }
};

/// Finds NUMRAF and KEYRAF through ARPOIN (whose messages go to
/// `message_unit` and lower `counter`).  Nothing when either is missing or
/// does not have the layout above; `missing` then names the one at fault.
std::optional<Catalogue> find_catalogue(dms::IntView iw, int32_t message_unit, int32_t& counter,
                                        std::string_view& missing);

/// The KEYRAF record `number` of `keyraf` with `record_length` words apart,
/// when the record length is at least 10 and the record's 10 words lie in
/// `keyraf`.
std::optional<dms::Vec1<int32_t>> keyraf_record(dms::Vec1<int32_t> keyraf, int32_t record_length,
                                                int32_t number);

// ---- reading ------------------------------------------------------------------

/// Reads the values of a booked array under `key`: its storage is `length`
/// elements of `words_per_element` words (as booked) from `pointer`, in the
/// real view for two-word elements of code 3 and in the integer view
/// otherwise.  Code 4 is read as length x 2 integer words.  A code outside
/// 1..4 reads nothing.  The byte range handed to the RAF library is exactly
/// that storage, checked against the work array.  Returns false on a read
/// failure or a range outside the work array.
[[nodiscard]] bool read_array(dms::IntView iw, dms::RealView rw, int32_t pointer, int32_t length,
                              int32_t words_per_element, int32_t data_type, int32_t re_flag,
                              int32_t key, int32_t raf_unit);

/// The RAF library's read for `data_type`/`re_flag` of `count` values into
/// `target`, which must hold them.  Returns the library's error value (< 0:
/// failure), or -1 when `target` is too small; code outside 1..3 reads
/// nothing and returns 0.
[[nodiscard]] int32_t read_key(std::span<std::byte> target, int64_t count, int32_t key,
                               int32_t data_type, int32_t re_flag, int32_t raf_unit);

}  // namespace recall::detail
