// Reading under a RAF key: GTARAF for the set-up's catalogue keys, and the
// read of a booked array into its storage in the work array.  Every read
// hands the RAF library a byte range that lies inside the storage it fills.
#include <limits>

#include "raflib/raflib.h"
#include "recall/recall.h"
#include "recall/recall_detail.h"

namespace recall {
namespace detail {
namespace {

/// Bytes a value of `data_type`/`re_flag` takes in the target: 4 for "IN"
/// and "SP", 8 for "RE" (widened on reading) and "DP"; 0 for other codes.
int64_t value_bytes(int32_t data_type) {
  switch (static_cast<DataType>(data_type)) {
    case DataType::kInteger:
    case DataType::kSingle:
      return 4;
    case DataType::kDouble:
      return 8;
    default:
      return 0;
  }
}

}  // namespace

int32_t read_key(std::span<std::byte> target, int64_t count, int32_t key, int32_t data_type,
                 int32_t re_flag, int32_t raf_unit) {
  const int64_t bytes = value_bytes(data_type);
  if (bytes == 0) return 0;
  if (count < 0 || count > std::numeric_limits<int32_t>::max() ||
      count * bytes > static_cast<int64_t>(target.size())) {
    return -1;
  }
  const auto nel = static_cast<int32_t>(count);
  const std::span<std::byte> values = target.first(static_cast<std::size_t>(count * bytes));
  int32_t ierr = 0;
  switch (static_cast<DataType>(data_type)) {
    case DataType::kInteger:
      raflib::RAFGIN(values, nel, key, raf_unit, ierr);
      break;
    case DataType::kSingle:
      raflib::RAFGRE(values, nel, key, raf_unit, ierr);
      break;
    default:
      if (re_flag == 1) {
        raflib::RAFGRD(values, nel, key, raf_unit, ierr);
      } else {
        raflib::RAFGDP(values, nel, key, raf_unit, ierr);
      }
      break;
  }
  return ierr;
}

bool read_array(dms::IntView iw, dms::RealView rw, int32_t pointer, int32_t length,
                int32_t words_per_element, int32_t data_type, int32_t re_flag, int32_t key,
                int32_t raf_unit) {
  const auto type = static_cast<DataType>(data_type);
  if (type != DataType::kInteger && type != DataType::kSingle && type != DataType::kDouble &&
      type != DataType::kInteger8) {
    return true;
  }
  if (pointer < 1 || length < 0 || words_per_element < 1) return false;
  const int64_t w = words_per_element;
  const int64_t words = w * length;
  std::byte* first = nullptr;
  if (type == DataType::kDouble) {
    // Two-word reals: the pointer indexes the real view.
    if (w != 2 || pointer - 1 + static_cast<int64_t>(length) > rw.size()) return false;
    first = reinterpret_cast<std::byte*>(rw.data() + (pointer - 1));
  } else {
    const int64_t first_word = (static_cast<int64_t>(pointer) - 1) * w + 1;
    if (first_word - 1 + words > iw.size()) return false;
    first = dms::word_address(iw, first_word);
  }
  const std::span<std::byte> storage(first, static_cast<std::size_t>(words * 4));
  // "I8" arrays are read as their pairs of integer words.
  const int64_t count = type == DataType::kInteger8 ? words : length;
  const int32_t read_type =
      type == DataType::kInteger8 ? static_cast<int32_t>(DataType::kInteger) : data_type;
  return read_key(storage, count, key, read_type, re_flag, raf_unit) >= 0;
}

}  // namespace detail

void GTARAF(std::span<std::byte> target, int32_t count, int32_t key, int32_t data_type,
            int32_t re_flag, int32_t raf_unit, MessageControl message_control, int32_t& status) {
  detail::Frame frame("GTARAF");
  if (detail::read_key(target, count, key, data_type, re_flag, raf_unit) < 0) {
    frame.error(-1);
    status = -1;
  }
  frame.hand_over(message_control, status);
}

}  // namespace recall
