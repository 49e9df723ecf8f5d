// Array booking: ARBOOK defines or re-uses a named array in the in-core
// store and keeps its KEYRAF record; ARINFO writes a new record, ARUPDA
// refreshes one, ARZERO clears an array's storage.
#include <algorithm>
#include <limits>
#include <string>

#include "dms/dms.h"
#include "recall/recall.h"
#include "recall/recall_detail.h"
#include "textio/textio.h"

namespace recall {
namespace {

using detail::Frame;
using detail::Text;

/// Words per element of an array the set-up predefined but never booked.
constexpr int32_t kPredefinedWords = 10;

/// The first `n` characters of `word` (fewer when it is shorter).
std::string_view head(std::string_view word, std::size_t n) {
  return word.substr(0, std::min(n, word.size()));
}

// The report of a record routine on an unknown word, straight to the unit:
// the error record, the text and word, the leaving line, three empty records.
void report_unknown_word(int32_t unit, std::string_view routine, Text unknown,
                         std::string_view word, Text leaving) {
  detail::write_error_record(unit, routine);
  detail::write_detail(unit, {detail::text(unknown), word});
  detail::write_detail(unit, {detail::text(leaving)});
  for (int k = 0; k < 3; ++k) detail::write(unit, "");
}

struct DecodedWords {
  StoreTypeInfo store;
  DataTypeInfo data;
};

// Both words of a record routine decoded; an unknown one is reported.
std::optional<DecodedWords> decode_words(std::string_view routine, Text leaving,
                                         std::string_view store_word, std::string_view data_word,
                                         int32_t unit) {
  const auto data = decode_data_type(data_word);
  if (!data) {
    report_unknown_word(unit, routine, Text::kUnknownArrayType, head(data_word, 2), leaving);
    return std::nullopt;
  }
  const auto store = decode_store_type(store_word);
  if (!store) {
    report_unknown_word(unit, routine, Text::kUnknownStoreInfo, head(store_word, 4), leaving);
    return std::nullopt;
  }
  return DecodedWords{*store, *data};
}

// KEYRAF word 10: the pointer divided by NUMRAF word 11 (a divisor below 1
// counts as 1).
int32_t scaled_pointer(dms::Vec1<int32_t> numraf, int32_t pointer) {
  return pointer / std::max(numraf(numraf::kPointerDivisor), 1);
}

// True when NUMRAF holds the words the record routines read.
bool numraf_usable(dms::Vec1<int32_t> numraf) {
  return numraf.size() >= numraf::kPointerDivisor;
}

void raise(dms::Vec1<int32_t> numraf, int64_t word) {
  if (numraf(word) < std::numeric_limits<int32_t>::max()) ++numraf(word);
}

struct BookingCatalogue {
  detail::Catalogue catalogue;
  dms::Vec1<int32_t> iarrnm;
};

std::optional<BookingCatalogue> find_booking_catalogue(dms::IntView iw, int32_t unit) {
  int32_t local = 0;
  std::string_view missing;
  const auto catalogue = detail::find_catalogue(iw, unit, local, missing);
  if (!catalogue) return std::nullopt;
  int32_t pointer = 0;
  ARPOIN(iw, kIarrnmName, pointer, unit, local);
  if (local != 0) return std::nullopt;
  const auto iarrnm = detail::array_view(iw, kIarrnmName, pointer);
  if (!iarrnm || iarrnm->size() < 2 * static_cast<int64_t>(catalogue->highest)) {
    return std::nullopt;
  }
  return BookingCatalogue{*catalogue, *iarrnm};
}

// The numbering of the store, from its naming mode.
enum class Numbering : int { kNone = 0, kByStore = 1, kGiven = 2 };

Numbering numbering_of(int32_t mode) {
  switch (mode) {
    case dms::kModeNumberedByStore:
    case dms::kModeNumberedByStore + dms::kModeFileOption:
      return Numbering::kByStore;
    case dms::kModeNumberedByCaller:
    case dms::kModeNumberedByCaller + dms::kModeFileOption:
      return Numbering::kGiven;
    default:
      return Numbering::kNone;
  }
}

// What the store already holds of the array.
enum class Held : int { kNew = 0, kStored = 1, kReleased = 2 };

// One request of ARBOOK, with what the booking needs to know of the store.
struct Booking {
  dms::IntView iw;
  std::string_view name;     ///< as given
  std::string_view trimmed;  ///< without trailing blanks
  int32_t length = 0;        ///< elements asked for
  std::string_view store_word;
  std::string_view data_word;
  int32_t words_per_element = 0;  ///< of the data type word
  Numbering numbering = Numbering::kNone;
  BookingCatalogue found;
  int32_t unit = 0;
  [[nodiscard]] const detail::Catalogue& catalogue() const { return found.catalogue; }
};

// The store's catalogue, the words per element and the numbering of a
// request; each refusal is left in `frame`.
std::optional<Booking> start_booking(dms::IntView iw, std::string_view name, int32_t length,
                                     std::string_view store_word, std::string_view data_word,
                                     int32_t unit, Frame& frame) {
  const auto found = find_booking_catalogue(iw, unit);
  if (!found) {
    frame.error(-1);
    return std::nullopt;
  }
  // Words per element come from the data type word alone; an unknown word
  // gives no element size, so nothing is booked for it.
  const auto data = decode_data_type(data_word);
  if (!data) {
    frame.error(-1, {detail::text(Text::kUnknownArrayType), head(data_word, 2)});
    return std::nullopt;
  }
  const Numbering numbering = numbering_of(dms::DMSMOD(iw));
  if (numbering == Numbering::kNone) {
    frame.error(-1, {detail::text(Text::kNotPreparedForNames)});
    frame.add_line({detail::text(Text::kOccuredDuringBooking), name});
    return std::nullopt;
  }
  return Booking{iw,         name,      textio::trimmed(name),   length,
                 store_word, data_word, data->words_per_element, numbering,
                 *found,     unit};
}

// Re-uses an array that has storage: only with unchanged words per element,
// length and store type.
void reuse(const Booking& bk, int32_t held_length, int32_t held_words, int32_t& pointer,
           Frame& frame) {
  if (held_words != bk.words_per_element) {
    frame.error(-1, {detail::text(Text::kNewDataType), bk.name});
    return;
  }
  if (held_length != bk.length) {
    frame.error(-1, {detail::text(Text::kNewLength), bk.name});
    return;
  }
  int32_t unknown = 0;
  const int32_t number = dms::DMSNUM(bk.iw, bk.trimmed, 0);
  const int32_t differs = ArKeyChk1(bk.catalogue().keyraf, number, bk.store_word,
                                    bk.catalogue().numraf(numraf::kRecordLength), bk.unit, unknown);
  if (unknown != 0) {
    frame.error(-1);
    return;
  }
  if (differs != 0) {
    frame.error(-1, {detail::text(Text::kNewStoreType), bk.name});
    return;
  }
  const int32_t before = dms::DMSSTA(bk.iw);
  pointer = dms::DMSPTR(bk.iw, bk.trimmed, 0);
  if (dms::DMSSTA(bk.iw) < before || pointer == 0) frame.error(-1);
}

// What the store holds of the array and the words per element it keeps for
// it (0 for a new array).
struct HeldArray {
  Held held = Held::kNew;
  int32_t words = 0;
};

// Finds what the store holds of the array.  An array with storage is
// re-used (or refused) here: nothing is then left to book.
std::optional<HeldArray> find_held(const Booking& bk, int32_t& pointer, Frame& frame) {
  const int32_t held_length = dms::DMSINQ(bk.iw, bk.trimmed, dms::kInquireLength);
  HeldArray held{Held::kStored, dms::DMSINQ(bk.iw, bk.trimmed, dms::kInquireWordsPerElement)};
  if (bk.numbering == Numbering::kByStore) {
    if (held_length == -1 && held.words == -1) held.held = Held::kNew;
  } else {
    const int32_t start = dms::DMSINQ(bk.iw, bk.trimmed, dms::kInquireStart);
    pointer = start;
    if (start <= 0 && held_length == 0 && held.words == kPredefinedWords) held.held = Held::kNew;
  }
  if (held.held != Held::kNew && held.words <= 0) held.held = Held::kNew;
  if (held.held == Held::kNew) return HeldArray{Held::kNew, 0};

  const int32_t start = dms::DMSINQ(bk.iw, bk.trimmed, dms::kInquireStart);
  pointer = start;
  if (start > 0) {
    reuse(bk, held_length, held.words, pointer, frame);
    return std::nullopt;
  }
  if (static_cast<int64_t>(held.words) * bk.words_per_element > 0 &&
      held.words != bk.words_per_element) {
    frame.error(-1, {detail::text(Text::kNewDataType), bk.name});
    return std::nullopt;
  }
  frame.set_status(1);
  return HeldArray{Held::kReleased, held.words};
}

// Creates the record of an array booked for the first time: its name code
// (numbering by the store), its counts in NUMRAF, ARINFO, and the clearing
// of its storage while the store keeps free space zero.
bool create_record(const Booking& bk, int32_t number, int32_t pointer) {
  const dms::Vec1<int32_t> numraf = bk.catalogue().numraf;
  if (bk.numbering == Numbering::kByStore) {
    int32_t first = 0;
    int32_t second = 0;
    dms::DMSCOD(bk.iw, bk.trimmed, 0, first, second);
    bk.found.iarrnm(2 * static_cast<int64_t>(number) - 1) = first;
    bk.found.iarrnm(2 * static_cast<int64_t>(number)) = second;
  }
  if (const auto type = decode_store_type(bk.store_word)) {
    const auto code = static_cast<int32_t>(type->code);
    if (in_structure_block(code)) raise(numraf, numraf::kStructureCount);
    if (in_result_block(code)) raise(numraf, numraf::kResultCount);
    if (in_restart_block(code)) raise(numraf, numraf::kRestartCount);
  }
  int32_t failed = 0;
  ARINFO(bk.catalogue().keyraf, number, bk.store_word, bk.data_word, bk.length,
         bk.words_per_element, numraf(numraf::kRecordLength), numraf, pointer, bk.unit, failed);
  if (failed != 0) return false;
  if (dms::DMSPAR(bk.iw, dms::kParameterMcmOnlyCleared) == 0) {
    ARZERO(bk.iw, bk.name, bk.unit, failed);
  }
  return failed == 0;
}

// Defines the array in the store and writes or refreshes its record.
void define_and_record(const Booking& bk, const HeldArray& held, int32_t& pointer, Frame& frame) {
  const int32_t before = dms::DMSSTA(bk.iw);
  int32_t number = 0;
  if (bk.numbering == Numbering::kByStore && held.held == Held::kNew) {
    dms::DMSDEF(bk.iw, bk.trimmed, 0, bk.length, bk.words_per_element, 0);
    number = dms::DMSNUM(bk.iw, bk.trimmed, 0);
  } else {
    number = dms::DMSNUM(bk.iw, bk.trimmed, 0);
    dms::DMSDEF(bk.iw, bk.trimmed, number, bk.length, bk.words_per_element, 0);
  }
  pointer = dms::DMSPTR(bk.iw, bk.trimmed, 0);
  const detail::Catalogue& catalogue = bk.catalogue();
  if (dms::DMSSTA(bk.iw) < before || pointer == 0 || !catalogue.has_record(number)) {
    frame.error(-1);
    return;
  }
  const dms::Vec1<int32_t> record = catalogue.record(number);
  const dms::Vec1<int32_t> numraf = catalogue.numraf;
  int32_t failed = 0;
  if (held.words != 0 || record(keyraf::kDataType) != 0) {
    ARUPDA(catalogue.keyraf, number, bk.store_word, bk.data_word, bk.length, bk.words_per_element,
           numraf, numraf(numraf::kRecordLength), pointer, bk.unit, failed);
    if (failed != 0) frame.error(-1);
    return;
  }
  if (!create_record(bk, number, pointer)) frame.error(-1);
}

// The steps of ARBOOK; the outcome is left in `frame`.
void book(dms::IntView iw, std::string_view name, int32_t& pointer, int32_t length,
          std::string_view store_word, std::string_view data_word, int32_t unit, Frame& frame) {
  const auto bk = start_booking(iw, name, length, store_word, data_word, unit, frame);
  if (!bk) return;
  const auto held = find_held(*bk, pointer, frame);
  if (!held) return;
  // The room: words per element x length in 64 bits.  A negative length
  // passes on to the store, which refuses it with its own report.
  const int64_t needed = static_cast<int64_t>(bk->words_per_element) * length;
  const int64_t room = static_cast<int64_t>(dms::DMSPAR(iw, dms::kParameterHighestFree)) -
                       dms::DMSPAR(iw, dms::kParameterLowestFree) + 1;
  if (needed > room) {
    frame.error(detail::kNoRoomStatus, {detail::text(Text::kInsufficientSpace), name});
    return;
  }
  define_and_record(*bk, *held, pointer, frame);
}

}  // namespace

void ARBOOK(dms::IntView iw, std::string_view name, int32_t& pointer, int32_t length,
            std::string_view store_word, std::string_view data_word, MessageControl message_control,
            int32_t& error_counter) {
  Frame frame("ARBOOK");
  const int32_t unit = message_control.size() >= 1 ? message_control(1) : 0;
  book(iw, name, pointer, length, store_word, data_word, unit, frame);
  if (frame.status() < 0) detail::lower(error_counter);
  frame.hand_over(message_control, error_counter);
}

void ARINFO(dms::Vec1<int32_t> keyraf, int32_t number, std::string_view store_word,
            std::string_view data_word, int32_t length, int32_t words_per_element,
            int32_t record_length, dms::Vec1<int32_t> numraf, int32_t pointer, int32_t message_unit,
            int32_t& error_counter) {
  const auto words =
      decode_words("ARINFO", Text::kLeavingArinfo, store_word, data_word, message_unit);
  const auto record = detail::keyraf_record(keyraf, record_length, number);
  if (words && (!record || !numraf_usable(numraf))) {
    detail::write_error_record(message_unit, "ARINFO");
  }
  if (!words || !record || !numraf_usable(numraf)) {
    detail::lower(error_counter);
    return;
  }
  const dms::Vec1<int32_t> r = *record;
  const auto code = static_cast<int32_t>(words->store.code);
  r(keyraf::kDataType) = static_cast<int32_t>(words->data.code);
  r(keyraf::kWordsPerElement) = words_per_element;
  r(keyraf::kLength) = length;
  r(keyraf::kStoreType) = code;
  if (code != 0) {
    r(keyraf::kStructureIndex) = numraf(numraf::kStructureCount);
    r(keyraf::kResultIndex) = numraf(numraf::kResultCount);
    r(keyraf::kRestartIndex) = numraf(numraf::kRestartCount);
  }
  r(keyraf::kReFlag) = words->data.re_flag;
  if (!words->store.scratch) r(keyraf::kPointer) = scaled_pointer(numraf, pointer);
}

void ARUPDA(dms::Vec1<int32_t> keyraf, int32_t number, std::string_view store_word,
            std::string_view data_word, int32_t length, int32_t words_per_element,
            dms::Vec1<int32_t> numraf, int32_t record_length, int32_t pointer, int32_t message_unit,
            int32_t& error_counter) {
  const auto words =
      decode_words("ARUPDA", Text::kLeavingArupda, store_word, data_word, message_unit);
  const auto record = detail::keyraf_record(keyraf, record_length, number);
  if (words && (!record || !numraf_usable(numraf))) {
    detail::write_error_record(message_unit, "ARUPDA");
  }
  if (!words || !record || !numraf_usable(numraf)) {
    detail::lower(error_counter);
    return;
  }
  const dms::Vec1<int32_t> r = *record;
  if (words->store.code != StoreType::kSkip) {
    // The key-block indices taken over from the file's catalogue stay.
    r(keyraf::kLength) = length;
    r(keyraf::kPointer) = scaled_pointer(numraf, pointer);
    return;
  }
  r(keyraf::kDataType) = static_cast<int32_t>(words->data.code);
  r(keyraf::kWordsPerElement) = words_per_element;
  r(keyraf::kLength) = length;
  r(keyraf::kStoreType) = 0;
  r(keyraf::kReFlag) = words->data.re_flag;
  if (!words->store.scratch) r(keyraf::kPointer) = scaled_pointer(numraf, pointer);
}

void ARZERO(dms::IntView iw, std::string_view name, int32_t message_unit, int32_t& error_counter) {
  const std::string_view trimmed = textio::trimmed(name);
  const int32_t before = dms::DMSSTA(iw);
  const int32_t number = dms::DMSNUM(iw, trimmed, 0);
  const int64_t length = dms::DMSINQ(iw, trimmed, dms::kInquireLength);
  const int64_t words = dms::DMSINQ(iw, trimmed, dms::kInquireWordsPerElement);
  const int64_t start = dms::DMSINQ(iw, trimmed, dms::kInquireStart);
  bool failed = dms::DMSSTA(iw) < before;
  if (!failed && start != 0) {
    // Storage that the store's facts do not place inside the work array is
    // never cleared.
    const int64_t count = length * words;
    if (number <= 0 || start < 1 || length < 0 || words < 1 || start - 1 + count > iw.size()) {
      failed = true;
    } else {
      dms::clear_words(iw, start, count);
      failed = dms::DMSSTA(iw) < before;
    }
  }
  if (failed) {
    detail::write_error_record(message_unit, "ARZERO");
    detail::lower(error_counter);
  }
}

}  // namespace recall
