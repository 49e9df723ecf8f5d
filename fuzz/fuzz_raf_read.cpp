// Fuzz target: an arbitrary byte string opened as a RAF file.
//
// The file is opened through the RAF library (key record, byte order,
// version conversion), then its arrays are read three ways:
//   - every MFP entry (up to a bound), with the read routine of the entry's
//     own data type and its used count;
//   - every array the file's own catalogue (keys 101 to 103) names, under
//     its key for the structure copy and the first steps, with the read its
//     catalogue data type asks for;
//   - through the recall layer, as the program does it: the in-core store
//     set up over a small work array, every recall instruction, and the
//     forces "TFLE" recalled step by step.
// Whatever the bytes, nothing may read or write outside a buffer, overflow,
// leak or hang.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dms/work_array.h"
#include "fuzz_support.h"
#include "platform/units.h"
#include "raflib/raflib.h"
#include "recall/catalogue.h"
#include "recall/recall.h"

namespace {

using vemrask_fuzz::kLogUnit;
using vemrask_fuzz::kOutputUnit;
using vemrask_fuzz::kRafUnit;

/// MFP entries and catalogue records looked at, at most.
constexpr int32_t kMaxKeys = 2048;
/// Steps read of the arrays that have a key per step.
constexpr int32_t kSteps = 6;
/// Words of the work array of the recall layer.
constexpr int32_t kWorkWords = 1 << 20;

std::span<std::byte> buffer() {
  static std::vector<std::byte> b(std::size_t{1} << 20);
  return b;
}

// Reads `count` elements of MFP data type `type` under `key`.  A request
// the buffer cannot hold is the library's to refuse.
void read_key(int32_t key, int32_t type, int32_t count) {
  int32_t ierr = 0;
  switch (type) {
    case 2:
      raflib::RAFGRE(buffer(), count, key, kRafUnit, ierr);
      raflib::RAFGRD(buffer(), count, key, kRafUnit, ierr);
      break;
    case 3:
      raflib::RAFGDP(buffer(), count, key, kRafUnit, ierr);
      break;
    default:
      raflib::RAFGIN(buffer(), count, key, kRafUnit, ierr);
      break;
  }
}

void read_every_entry() {
  const std::optional<int32_t> highest = raflib::highest_array(kRafUnit);
  if (!highest) return;
  const int32_t last = std::min(*highest, kMaxKeys);
  for (int32_t key = 0; key <= last + 1; ++key) {
    int32_t ierr = 0;
    raflib::RFFNFP(kRafUnit, key, 0, 0, raflib::kModeNoChecks, ierr);
    if (ierr < 0) continue;
    const raflib::EntryCounts e = raflib::last_entry();
    read_key(key, e.type, e.used);
    read_key(key, e.type, e.allocated);
  }
}

// The file's catalogue read with the library alone, and every array it
// names read under the keys the recall layer would compute.
void read_catalogue() {
  std::array<int32_t, recall::numraf::kLength> numraf{};
  int32_t ierr = 0;
  raflib::RAFGIN(std::span(numraf), recall::numraf::kLength, recall::kNumrafKey, kRafUnit, ierr);
  if (ierr < 0) return;
  auto word = [&](int64_t k) { return numraf[static_cast<std::size_t>(k - 1)]; };
  const int64_t r = word(recall::numraf::kRecordLength);
  const int64_t m = std::min<int64_t>(word(recall::numraf::kHighestNumber), kMaxKeys);
  if (r < recall::kRecordLength || r > 64 || m < 1) return;
  std::vector<int32_t> keyraf(static_cast<std::size_t>(r * m));
  raflib::RAFGIN(std::span(keyraf), static_cast<int32_t>(r * m), recall::kKeyrafKey, kRafUnit,
                 ierr);
  if (ierr < 0) return;
  const recall::KeyBlocks blocks{
      word(recall::numraf::kStructureSize), word(recall::numraf::kResultSize),
      word(recall::numraf::kRestartSize), word(recall::numraf::kKeyBase)};
  for (int64_t j = 1; j <= m; ++j) {
    auto w = [&](int64_t k) { return keyraf[static_cast<std::size_t>(r * (j - 1) + k - 1)]; };
    const recall::KeyIndices indices{
        w(recall::keyraf::kStoreType), w(recall::keyraf::kStructureIndex),
        w(recall::keyraf::kResultIndex), w(recall::keyraf::kRestartIndex)};
    const int32_t code = w(recall::keyraf::kDataType);
    const int32_t length = w(recall::keyraf::kLength);
    for (int32_t step = 0; step <= kSteps; ++step) {
      const int32_t key = recall::raf_key(blocks, indices, step);
      if (key <= 0) continue;
      switch (code) {
        case 2:
          read_key(key, 2, length);
          break;
        case 3:
          read_key(key, w(recall::keyraf::kReFlag) == 1 ? 2 : 3, length);
          break;
        case 4:
          read_key(key, 1, static_cast<int32_t>(std::min<int64_t>(2 * int64_t{length}, INT32_MAX)));
          break;
        default:
          read_key(key, 1, length);
          break;
      }
    }
  }
}

void recall_everything() {
  static dms::WorkArray work(kWorkWords);
  const dms::IntView iw = dms::int_view(work.bytes(), kWorkWords);
  const dms::RealView rw = dms::real_view(work.bytes(), kWorkWords);
  int32_t unit = kOutputUnit;
  const recall::MessageControl messages(&unit, 1);
  int32_t status = 0;
  recall::INIDMS(iw, kWorkWords, recall::ArrayNameTable(recall::kProgramArrayNames),
                 recall::kProgramArrayNumbers, recall::kMaxNameLength, kRafUnit, messages, status);
  if (status != 0) return;
  for (const std::string_view instruction :
       {recall::kRecallStructure, recall::kRecallControl, recall::kRecallGlobal,
        recall::kRecallExclusive, recall::kRecallResult, recall::kRecallRestart}) {
    int32_t counter = 0;
    recall::ARRECL(iw, rw, instruction, 1, kRafUnit, messages, counter);
  }
  for (int32_t step = 1; step <= kSteps; ++step) {
    int32_t pointer = 0;
    int32_t counter = 0;
    recall::ARREC1(iw, rw, "TFLE  ", pointer, step, kRafUnit, messages, counter);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  vemrask_fuzz::silence_screen();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string name = vemrask_fuzz::write_input("input.raf", data, size);
  vemrask_fuzz::open_message_units();
  int32_t ierr = 0;
  raflib::RFRSET(ierr);
  raflib::RAFINI(kLogUnit);
  raflib::RAFOLD(kRafUnit, name, ierr);
  if (raflib::highest_array(kRafUnit)) {
    read_every_entry();
    read_catalogue();
    recall_everything();
    raflib::RAFCLS(kRafUnit, ierr);
  }
  platform::close_all_units();
  return 0;
}
