// The library state and its start-up: RFRSET, RAFINI, RFCOMP, and the small
// helpers every routine shares.
#include <bit>
#include <cstring>

#include "raflib/raflib.h"
#include "raflib/state.h"
#include "textio/textio.h"

// This computer is type 14, least significant byte first: the decoding of
// files rests on the host having that order.
static_assert(std::endian::native == std::endian::little,
              "RAFLIB runs as computer type 14 (least significant byte first)");

namespace raflib {

RafState& raf_state() {
  static RafState state;
  return state;
}

Slot* current_slot() {
  RafState& st = raf_state();
  if (st.current < 1 || st.current > kSlots) return nullptr;
  return &st.slots[static_cast<std::size_t>(st.current - 1)];
}

platform::LocalTime now() {
  const Clock clock = raf_state().clock;
  return clock != nullptr ? clock() : platform::local_time_now();
}

std::string computer_name(int32_t code) {
  const RafState& st = raf_state();
  if (code >= 1 && code <= format::kComputerTypes) {
    return std::string(textio::trimmed(st.computer_names[static_cast<std::size_t>(code)]));
  }
  // The table has no entry for such a code: say which code it was.
  return "unknown computer type " + std::to_string(code);
}

int32_t page_word(const PageBuffer& buffer, int32_t k) {
  int32_t value = 0;
  std::memcpy(&value, buffer.bytes.data() + static_cast<std::size_t>(k - 1) * 4U, 4U);
  return value;
}

void set_page_word(PageBuffer& buffer, int32_t k, int32_t value) {
  std::memcpy(buffer.bytes.data() + static_cast<std::size_t>(k - 1) * 4U, &value, 4U);
}

void issue(Msg number, std::string_view routine, int32_t& ierr, int32_t ipar,
           std::string_view apar) {
  ierr = static_cast<int32_t>(number);
  RFMESS(ierr, routine, 0, ipar, apar);
}

namespace {

// Access states with their stamps due.
constexpr int32_t kReadDue = kStampsDue + kAccessRead;
constexpr int32_t kWrittenDue = kStampsDue + kAccessWritten;
constexpr int32_t kBothDue = kStampsDue + kAccessBoth;

using AccessTable = std::array<int32_t, kLastAccessState + 1>;

// The state after an access, by the state before it; both accesses are
// taken to have happened for a state outside the table.
int32_t next_access(const AccessTable& after, int32_t state) {
  return state >= kAccessNone && state <= kLastAccessState ? after[static_cast<std::size_t>(state)]
                                                           : kBothDue;
}

}  // namespace

int32_t access_after_read(int32_t state) {
  static constexpr AccessTable kAfterRead = {kReadDue, kReadDue, kBothDue, kBothDue,
                                             kReadDue, kBothDue, kBothDue};
  return next_access(kAfterRead, state);
}

int32_t access_after_write(int32_t state) {
  static constexpr AccessTable kAfterWrite = {kWrittenDue, kBothDue,    kWrittenDue, kBothDue,
                                              kBothDue,    kWrittenDue, kBothDue};
  return next_access(kAfterWrite, state);
}

void RFRSET(int32_t& status) {
  RafState& st = raf_state();
  const Clock clock = st.clock;
  st = RafState{};
  st.clock = clock;
  status = 0;
}

void RFCOMP() {
  RafState& st = raf_state();
  for (std::size_t code = 0; code < st.computer_names.size(); ++code) {
    st.computer_names[code] =
        textio::fixed(format::kComputerNames[code], format::kComputerNameWidth);
  }
  st.own_type = format::kThisComputer;
  st.own_name = st.computer_names[static_cast<std::size_t>(format::kThisComputer)];
  st.own_code = std::string(format::kThisComputerCode);
}

void RAFINI(int32_t iwfile) {
  RafState& st = raf_state();
  for (auto& pair : st.units) pair = {0, 0};
  for (Severity s : {Severity::kWarning, Severity::kError, Severity::kFatal}) {
    st.units[static_cast<std::size_t>(s) - 1][0] = iwfile;
  }
  RFCOMP();
  st.write_counter = 0;
  st.last_flag = kUnknown;
}

void set_clock(platform::LocalTime (*clock)()) {
  raf_state().clock = clock;
}

}  // namespace raflib
