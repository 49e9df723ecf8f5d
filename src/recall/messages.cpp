// The recall layer's framed message buffer, its records written straight to
// a unit, and the checked views of the catalogue arrays.
#include <algorithm>
#include <string>

#include "dms/dms.h"
#include "dms/named_view.h"
#include "platform/units.h"
#include "recall/recall_detail.h"

namespace recall::detail {
namespace {

constexpr std::string_view kErrorStart = "*** ERROR IN ";
constexpr std::string_view kErrorEnd = " ***";
constexpr std::string_view kErrorIndent = "  ";
constexpr std::string_view kDetailIndent = "      ";

}  // namespace

void Frame::append(std::string_view piece) {
  const std::size_t n = std::min(piece.size(), buffer_.size() - used_);
  std::copy_n(piece.begin(), n, buffer_.begin() + static_cast<std::ptrdiff_t>(used_));
  used_ += n;
}

void Frame::error(int32_t status, std::initializer_list<std::string_view> detail) {
  status_ = status;
  buffer_.fill(' ');
  used_ = 0;
  append(kErrorStart);
  append(routine_);
  append(kErrorEnd);
  if (detail.size() != 0) add_line(detail);
}

void Frame::add_line(std::initializer_list<std::string_view> line) {
  append("\n");
  for (const std::string_view piece : line) append(piece);
}

void Frame::hand_over(MessageControl control, int32_t counter) const {
  if (counter >= 0) return;
  std::string text(kMessageLength, ' ');
  std::copy_n(buffer_.begin(), used_, text.begin());
  MSGSTO(control, status_, text, "Store");
}

void write(int32_t unit, std::string_view record) {
  if (unit >= 1) platform::write_record(unit, record);
}

void write_error_record(int32_t unit, std::string_view routine) {
  if (unit < 1) return;
  std::string record(kErrorIndent);
  record.append(kErrorStart).append(routine).append(kErrorEnd);
  write(unit, "");
  write(unit, record);
}

void write_detail(int32_t unit, std::initializer_list<std::string_view> pieces) {
  if (unit < 1) return;
  std::string record(kDetailIndent);
  for (const std::string_view piece : pieces) record.append(piece);
  write(unit, record);
}

std::optional<dms::Vec1<int32_t>> array_view(dms::IntView iw, std::string_view name,
                                             int32_t pointer) {
  const dms::NamedView<int32_t> view = dms::named_view(iw, iw, name, pointer);
  if (!view.ok()) return std::nullopt;
  return view.values;
}

std::optional<Catalogue> find_catalogue(dms::IntView iw, int32_t message_unit, int32_t& counter,
                                        std::string_view& missing) {
  missing = kNumrafName;
  int32_t local = 0;
  int32_t numraf_pointer = 0;
  ARPOIN(iw, kNumrafName, numraf_pointer, message_unit, local);
  if (local != 0) {
    lower(counter);
    return std::nullopt;
  }
  const auto numraf = array_view(iw, kNumrafName, numraf_pointer);
  if (!numraf || numraf->size() < numraf::kLength ||
      (*numraf)(numraf::kRecordLength) != kRecordLength || (*numraf)(numraf::kHighestNumber) < 0) {
    return std::nullopt;
  }
  missing = kKeyrafName;
  int32_t keyraf_pointer = 0;
  ARPOIN(iw, kKeyrafName, keyraf_pointer, message_unit, local);
  if (local != 0) {
    lower(counter);
    return std::nullopt;
  }
  const auto keyraf = array_view(iw, kKeyrafName, keyraf_pointer);
  const int32_t highest = (*numraf)(numraf::kHighestNumber);
  if (!keyraf || keyraf->size() < static_cast<int64_t>(kRecordLength) * highest) {
    return std::nullopt;
  }
  missing = {};
  return Catalogue{*numraf, *keyraf, highest};
}

std::optional<dms::Vec1<int32_t>> keyraf_record(dms::Vec1<int32_t> keyraf, int32_t record_length,
                                                int32_t number) {
  if (record_length < kRecordLength || number < 1) return std::nullopt;
  const int64_t first = static_cast<int64_t>(record_length) * (number - 1) + 1;
  if (first - 1 + kRecordLength > keyraf.size()) return std::nullopt;
  return keyraf.sub(first, kRecordLength);
}

}  // namespace recall::detail
