// Array lookup by name (ARGTIP, ARPOIN, ARNUMB): the store's inquiries, with
// the two cases in which a known array has no storage reported apart.  A
// lookup never gives an array storage: the checks come before DMSPTR.
#include "dms/dms.h"
#include "recall/recall.h"
#include "recall/recall_detail.h"
#include "textio/textio.h"

namespace recall {
namespace {

using detail::Text;

/// Words per element of an array the set-up predefined but never booked.
constexpr int32_t kPredefinedWords = 10;

enum class Found : int { kPointer = 0, kNotAllocated = 1, kReleased = 2, kStoreError = 3 };

Found look_up(dms::IntView iw, std::string_view name, int32_t& pointer) {
  const int32_t length = dms::DMSINQ(iw, name, dms::kInquireLength);
  const int32_t words = dms::DMSINQ(iw, name, dms::kInquireWordsPerElement);
  const int32_t start = dms::DMSINQ(iw, name, dms::kInquireStart);
  if (length == 0 && words == kPredefinedWords) return Found::kNotAllocated;
  if (start == 0) return Found::kReleased;
  const int32_t before = dms::DMSSTA(iw);
  pointer = dms::DMSPTR(iw, name, 0);
  return dms::DMSSTA(iw) < before || pointer == 0 ? Found::kStoreError : Found::kPointer;
}

// The error record, and for a missing storage the detail: an empty record,
// the text indented two blanks with the name after it, two empty records.
void report(int32_t unit, std::string_view routine, Found found, std::string_view name) {
  detail::write_error_record(unit, routine);
  if (found == Found::kStoreError || unit < 1) return;
  std::string record("  ");
  record.append(detail::text(found == Found::kNotAllocated ? Text::kNotAllocated : Text::kReleased))
      .append(name);
  detail::write(unit, "");
  detail::write(unit, record);
  detail::write(unit, "");
  detail::write(unit, "");
}

/// ARGTIP writes only to units above the console's (5 keyboard, 6 screen).
constexpr int32_t kLastConsoleUnit = 6;

}  // namespace

int32_t ARGTIP(dms::IntView iw, std::string_view name, int32_t message_unit,
               int32_t& error_counter) {
  const std::string_view trimmed = textio::trimmed(name);
  int32_t pointer = 0;
  const Found found = look_up(iw, trimmed, pointer);
  if (found == Found::kPointer) return pointer;
  if (message_unit > kLastConsoleUnit) report(message_unit, "ARGTIP", found, trimmed);
  detail::lower(error_counter);
  return 0;
}

void ARPOIN(dms::IntView iw, std::string_view name, int32_t& pointer, int32_t message_unit,
            int32_t& error_counter) {
  const std::string_view trimmed = textio::trimmed(name);
  int32_t found_pointer = pointer;
  const Found found = look_up(iw, trimmed, found_pointer);
  if (found == Found::kPointer || found == Found::kStoreError) pointer = found_pointer;
  if (found == Found::kPointer) return;
  report(message_unit, "ARPOIN", found, trimmed);
  detail::lower(error_counter);
}

void ARNUMB(dms::IntView iw, std::string_view name, int32_t& number, int32_t message_unit,
            int32_t& error_counter) {
  const int32_t before = dms::DMSSTA(iw);
  number = dms::DMSNUM(iw, textio::trimmed(name), 0);
  if (dms::DMSSTA(iw) < before) {
    detail::write_error_record(message_unit, "ARNUMB");
    detail::lower(error_counter);
  }
}

}  // namespace recall
