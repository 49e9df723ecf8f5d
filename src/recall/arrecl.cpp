// Recall of data groups (ARRECL) and of single arrays (ARREC1): each array is
// looked up in the catalogue, booked in the in-core store and read from the
// RAF file under its key for the step.
//
// ARREC1 runs once per result step; on success it allocates nothing and does
// a fixed number of lookups in the store's name table.
#include <array>
#include <string>

#include "dms/dms.h"
#include "recall/recall.h"
#include "recall/recall_detail.h"
#include "textio/textio.h"

namespace recall {
namespace {

using detail::Frame;
using detail::Text;

struct Instruction {
  std::string_view text;
  std::array<StoreType, 3> codes;
  int count;
};

constexpr std::array<Instruction, 6> kInstructions = {{
    {kRecallStructure,
     {StoreType::kStructure, StoreType::kStructureRestart, StoreType::kStructureResult},
     3},
    {kRecallControl, {StoreType::kControl}, 1},
    {kRecallGlobal, {StoreType::kGlobal}, 1},
    {kRecallExclusive, {StoreType::kExclusive}, 1},
    {kRecallResult, {StoreType::kResult, StoreType::kStructureResult}, 2},
    {kRecallRestart, {StoreType::kRestart, StoreType::kStructureRestart}, 2},
}};

// The instruction's 25 characters (blank-padded when it is shorter) equal
// `text`.
bool same_instruction(std::string_view instruction, std::string_view text) {
  for (std::size_t k = 0; k < kInstructionLength; ++k) {
    const char c = k < instruction.size() ? instruction[k] : ' ';
    if (c != text[k]) return false;
  }
  return true;
}

const Instruction* find_instruction(std::string_view instruction) {
  for (const Instruction& i : kInstructions) {
    if (same_instruction(instruction, i.text)) return &i;
  }
  return nullptr;
}

bool brings_in(const Instruction& instruction, int32_t code) {
  for (int k = 0; k < instruction.count; ++k) {
    if (static_cast<int32_t>(instruction.codes[static_cast<std::size_t>(k)]) == code) return true;
  }
  return false;
}

// Words per element an array is booked with, from its data type word.
int32_t booked_words(std::string_view data_word) {
  const auto data = decode_data_type(data_word);
  return data ? data->words_per_element : 0;
}

int32_t unit_of(MessageControl control) {
  return control.size() >= 1 ? control(1) : 0;
}

// The steps of ARRECL; the outcome is left in `frame`.
void recall_group(dms::IntView iw, dms::RealView rw, std::string_view instruction, int32_t step,
                  int32_t raf_unit, MessageControl message_control, Frame& frame) {
  const int32_t unit = unit_of(message_control);
  int32_t local = 0;
  std::string_view missing;
  const auto catalogue = detail::find_catalogue(iw, unit, local, missing);
  if (!catalogue) {
    frame.error(-1, {detail::text(Text::kOccuredDuringRecall), textio::fixed(missing, 8)});
    return;
  }
  const Instruction* found = find_instruction(instruction);
  if (found == nullptr) {
    frame.error(-1, {detail::text(Text::kUnknownInstruction),
                     textio::fixed(instruction, kInstructionLength)});
    return;
  }
  std::string name(kMaxNameLength, ' ');
  for (int32_t n = kFirstUserNumber; n <= catalogue->highest; ++n) {
    const int32_t code = catalogue->record(n)(keyraf::kStoreType);
    if (code == static_cast<int32_t>(StoreType::kCatalogue) || !brings_in(*found, code)) continue;
    name.assign(kMaxNameLength, ' ');
    int32_t count = 0;
    dms::DMSNAM(iw, n, 0, name, count);
    if (count <= 0) continue;
    const std::string_view array = std::string_view(name).substr(0, kMaxNameLength);

    CatalogueEntry entry;
    int32_t failed = 0;
    ARKEYS(iw, array, step, entry, unit, failed);
    if (failed != 0) {
      frame.error(-1);
      return;
    }
    if (entry.key == 0) continue;
    if (entry.key < 0) {
      frame.error(-1, {detail::text(Text::kOccuredDuringRecall), array});
      return;
    }
    int32_t pointer = 0;
    ARBOOK(iw, array, pointer, entry.length, entry.store_word, entry.data_word, message_control,
           failed);
    if (failed != 0) {
      frame.error(-1);
      return;
    }
    if (!detail::read_array(iw, rw, pointer, entry.length, booked_words(entry.data_word),
                            entry.data_type, entry.re_flag, entry.key, raf_unit)) {
      frame.error(-1, {detail::text(Text::kOccuredDuringRecall), array});
      return;
    }
  }
}

// The steps of ARREC1; the outcome is left in `frame`.
void recall_one(dms::IntView iw, dms::RealView rw, std::string_view name, int32_t& pointer,
                int32_t step, int32_t raf_unit, MessageControl message_control, Frame& frame) {
  const int32_t unit = unit_of(message_control);
  if (dms::DMSNUM(iw, textio::trimmed(name), 0) <= 0) return;
  CatalogueEntry entry;
  int32_t failed = 0;
  ARKEYS(iw, name, step, entry, unit, failed);
  if (failed != 0) {
    frame.error(-1);
    return;
  }
  if (entry.key <= 0) {
    frame.error(-1, {detail::text(Text::kErrorDuringRecallin), name});
    return;
  }
  ARBOOK(iw, name, pointer, entry.length, entry.store_word, entry.data_word, message_control,
         failed);
  if (failed != 0) {
    frame.error(-1);
    return;
  }
  if (!detail::read_array(iw, rw, pointer, entry.length, booked_words(entry.data_word),
                          entry.data_type, entry.re_flag, entry.key, raf_unit)) {
    frame.error(-1, {detail::text(Text::kErrorDuringRecallin), name});
  }
}

}  // namespace

void ARRECL(dms::IntView iw, dms::RealView rw, std::string_view instruction, int32_t step,
            int32_t raf_unit, MessageControl message_control, int32_t& error_counter) {
  Frame frame("ARRECL");
  recall_group(iw, rw, instruction, step, raf_unit, message_control, frame);
  if (frame.status() < 0) detail::lower(error_counter);
  frame.hand_over(message_control, error_counter);
}

void ARREC1(dms::IntView iw, dms::RealView rw, std::string_view name, int32_t& pointer,
            int32_t step, int32_t raf_unit, MessageControl message_control,
            int32_t& error_counter) {
  Frame frame("ARREC1");
  recall_one(iw, rw, name, pointer, step, raf_unit, message_control, frame);
  if (frame.status() < 0) detail::lower(error_counter);
  frame.hand_over(message_control, error_counter);
}

}  // namespace recall
