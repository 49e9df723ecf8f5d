// The in-core store set up for one RAF file: INIDMS opens the store afresh
// over the work array, ARINI1 builds the catalogue and merges the file's own
// (keys 101 to 103) into it.
//
// The file's catalogue is read into MSCRA, booked for the set-up and
// released again: first its KEYRAF (R x M words), then its IARRNM (2 x M).
// Its record length R must be the in-core one, and R and its highest number
// M must give a catalogue that can be booked at all; a file that says
// otherwise is refused before anything is read into the store.
#include <array>
#include <limits>
#include <span>

#include "dms/dms.h"
#include "recall/recall.h"
#include "recall/recall_detail.h"
#include "textio/textio.h"

namespace recall {
namespace {

using detail::Frame;
using detail::Text;

constexpr std::string_view kScratchName = "MSCRA";

std::optional<dms::Vec1<int32_t>> find_array(dms::IntView iw, std::string_view name, int32_t unit,
                                             int32_t& local) {
  int32_t pointer = 0;
  const int32_t before = local;
  ARPOIN(iw, name, pointer, unit, local);
  if (local != before) return std::nullopt;
  return detail::array_view(iw, name, pointer);
}

// The steps of ARINI1; the outcome is left in `frame`.
void build_catalogue(dms::IntView iw, ArrayNameTable names, int32_t longest_name, int32_t narr,
                     int32_t raf_unit, MessageControl message_control, Frame& frame) {
  const int32_t unit = message_control.size() >= 1 ? message_control(1) : 0;
  std::array<int32_t, numraf::kLength> header{};
  int32_t local = 0;

  ARINIT(iw, names, longest_name, narr, 0, message_control, local);
  if (local != 0) return frame.error(-1);

  GTARAF(std::as_writable_bytes(std::span(header)), numraf::kLength, kNumrafKey,
         static_cast<int32_t>(DataType::kInteger), 0, raf_unit, message_control, local);
  if (local != 0) return frame.error(-1);

  auto word = [&](int64_t k) { return header[static_cast<std::size_t>(k - 1)]; };
  const int64_t r = word(numraf::kRecordLength);
  const int64_t m = word(numraf::kHighestNumber);
  if (word(numraf::kKeyBase) != kKeyBase) return frame.error(-1);
  // The merge copies records of the file's length into in-core records of
  // 10 words; any other length would run past them.
  if (r != kRecordLength) {
    return frame.error(-1, {detail::text(Text::kIllegalRecordLength), textio::int_field(r, 12)});
  }
  const int64_t scratch_length = (r + 2) * m;
  if (m < 1 || scratch_length > std::numeric_limits<int32_t>::max()) {
    return frame.error(-1, {detail::text(Text::kIllegalHighestNumber), textio::int_field(m, 12)});
  }

  const auto numraf = find_array(iw, kNumrafName, unit, local);
  if (!numraf || numraf->size() < numraf::kLength) return frame.error(-1);
  for (const int64_t k : {numraf::kStructureSize, numraf::kResultSize, numraf::kRestartSize}) {
    (*numraf)(k) = word(k);
  }

  int32_t pointer = 0;
  ARBOOK(iw, kScratchName, pointer, static_cast<int32_t>(scratch_length), store_word::kSkip,
         data_word::kInteger, message_control, local);
  if (local != 0) return frame.error(-1);
  const auto scratch = detail::array_view(iw, kScratchName, pointer);
  if (!scratch || scratch->size() != scratch_length) return frame.error(-1);
  const dms::Vec1<int32_t> file_keyraf = scratch->sub(1, r * m);
  const dms::Vec1<int32_t> file_iarrnm = scratch->sub(r * m + 1, 2 * m);
  auto bytes = [](dms::Vec1<int32_t> v) {
    return std::as_writable_bytes(std::span(v.data(), static_cast<std::size_t>(v.size())));
  };
  GTARAF(bytes(file_keyraf), static_cast<int32_t>(r * m), kKeyrafKey,
         static_cast<int32_t>(DataType::kInteger), 0, raf_unit, message_control, local);
  if (local == 0) {
    GTARAF(bytes(file_iarrnm), static_cast<int32_t>(2 * m), kIarrnmKey,
           static_cast<int32_t>(DataType::kInteger), 0, raf_unit, message_control, local);
  }
  if (local != 0) return frame.error(-1);

  const auto keyraf = find_array(iw, kKeyrafName, unit, local);
  const auto iarrnm = find_array(iw, kIarrnmName, unit, local);
  if (!keyraf || !iarrnm) return frame.error(-1);
  ARMERG(file_iarrnm, file_keyraf, static_cast<int32_t>(m), static_cast<int32_t>(r), *iarrnm,
         *keyraf, narr);

  ARFREE(iw, kScratchName, "NOCLEAN", unit, local);
  if (local != 0) frame.error(-1);
}

}  // namespace

void ARINI1(dms::IntView iw, ArrayNameTable names, int32_t longest_name, int32_t narr,
            int32_t raf_unit, MessageControl message_control, int32_t& error_counter) {
  Frame frame("ARINI1");
  build_catalogue(iw, names, longest_name, narr, raf_unit, message_control, frame);
  if (frame.status() < 0) error_counter = -1;
  frame.hand_over(message_control, error_counter);
}

void INIDMS(dms::IntView iw, int32_t nwiwa, ArrayNameTable names, int32_t narr,
            int32_t longest_name, int32_t raf_unit, MessageControl message_control,
            int32_t& status) {
  Frame frame("INIDMS");
  const int32_t unit = message_control.size() >= 1 ? message_control(1) : 0;
  int32_t local = 0;
  const int64_t numbers = static_cast<int64_t>(narr) + 3;
  if (narr < 0 || numbers > std::numeric_limits<int32_t>::max()) {
    local = -1;
  } else {
    dms::DMSOPN_32(iw, nwiwa, static_cast<int32_t>(-numbers), 0, unit, local);
  }
  if (local == 0) ARINI1(iw, names, longest_name, narr, raf_unit, message_control, local);
  if (local != 0) {
    status = -1;
    frame.error(-1);
    frame.hand_over(message_control, status);
  }
}

}  // namespace recall
