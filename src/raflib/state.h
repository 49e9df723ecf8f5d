// The library-wide state of the RAF library: the file table with its key
// copies and MFP page buffers, the current slot and current MFP entry, the
// message units, the computer table and the write counter.
//
// There is one instance, reached through raf_state().  RFRSET returns it to
// its initial value (keeping only the clock hook); RAFINI sets the message
// units, the computer table and the write counter.  Internal to raflib and
// its tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/local_time.h"
#include "raflib/chkey.h"
#include "raflib/format.h"
#include "raflib/messages.h"

namespace raflib {

inline constexpr int32_t kSlots = 10;
inline constexpr int32_t kPageBuffers = 10;

/// Marker for "no integer parameter", shown as "<UNKNOWN>".
inline constexpr int32_t kUnknown = -12345;
/// Character parameter of messages without one.
inline constexpr std::string_view kDummy = "*DUMMY*";

/// "Computer's error flag" of a key field that is not a number.
inline constexpr int32_t kStatusBadNumber = 5100;

/// Lock states: kFirstFlagClear when the key's first lock flag is 0, plus
/// kSecondFlagClear when its second one is.
inline constexpr int32_t kFirstFlagClear = 1;
inline constexpr int32_t kSecondFlagClear = 2;
/// Lock state in which arrays cannot be read (first flag set, second not)
/// and the one in which this library does not write them (the reverse).
inline constexpr int32_t kReadLockedState = kSecondFlagClear;
inline constexpr int32_t kWriteLockedState = kFirstFlagClear;
/// Both flags clear: a file this library creates.
inline constexpr int32_t kUnlockedState = kFirstFlagClear + kSecondFlagClear;

/// Access states: the accesses a file has had since it was opened, plus
/// kStampsDue while the key's time stamps of them are still to be written.
inline constexpr int32_t kAccessNone = 0;
inline constexpr int32_t kAccessRead = 1;
inline constexpr int32_t kAccessWritten = 2;
inline constexpr int32_t kAccessBoth = 3;
inline constexpr int32_t kStampsDue = 3;
/// The highest access state.
inline constexpr int32_t kLastAccessState = kStampsDue + kAccessBoth;
constexpr bool read_stamp_due(int32_t state) {
  return state == kStampsDue + kAccessRead || state == kStampsDue + kAccessBoth;
}
constexpr bool write_stamp_due(int32_t state) {
  return state == kStampsDue + kAccessWritten || state == kStampsDue + kAccessBoth;
}

/// One MFP page held in memory, already in this computer's byte order.
struct PageBuffer {
  std::array<std::byte, format::kPageBytes> bytes{};
  int32_t page = 0;    ///< page held, 0 = none
  int32_t age = 0;     ///< 1 = most recently used .. 10 = least
  bool dirty = false;  ///< changed in memory, not yet written
};

constexpr std::array<char, format::kStampWidth> blank_stamp() {
  std::array<char, format::kStampWidth> s{};
  for (char& c : s) c = ' ';
  return s;
}

/// One entry of the file table.
struct Slot {
  int32_t unit = 0;                    ///< 0 free, -u opened, +u open and initialised
  int32_t lock_state = 0;              ///< from the lock flags of CHKEY (kUnlockedState ...)
  int32_t access_state = kAccessNone;  ///< kAccessNone .. kLastAccessState
  /// Computer type code of the file (its byte order is settled once, here).
  int32_t computer_type = 0;
  /// Write-backs and data writes done on this file since it was opened;
  /// RAFCLS writes the key and pages back only when it is non-zero.
  int64_t writes = 0;
  std::array<char, format::kStampWidth> stamp = blank_stamp();  ///< time the file was opened
  Chkey key{};                                                  ///< copy of CHKEY
  KeyValues values{};                                           ///< decoded numeric block
  std::array<PageBuffer, kPageBuffers> pages{};
};

/// The MFP entry last looked up (filled by RFMFPB).
struct CurrentEntry {
  int32_t page = 0;
  int32_t buffer = 0;
  int32_t array = 0;
  int32_t index = 0;  ///< entry in its page, 1..64
  int32_t address = 0;
  int32_t type = 0;
  int32_t allocated = 0;
  int32_t used = 0;
};

/// Source of the local time for stamps and message dates.
using Clock = platform::LocalTime (*)();

struct RafState {
  std::array<Slot, kSlots> slots{};
  int32_t current = 0;  ///< current slot 1..10, 0 = none
  CurrentEntry entry{};

  /// Message units: two per severity, 0 = none.
  std::array<std::array<int32_t, 2>, 4> units{};

  /// This computer, filled by RFCOMP.
  int32_t own_type = 0;
  std::string own_name;
  std::string own_code;
  std::array<std::string, format::kComputerTypes + 1> computer_names{};

  /// Raised by every key write-back, page write-back, completed RFPMFP,
  /// completed conversion, file creation and data write.
  int64_t write_counter = 0;

  /// "Computer's error flag" of the last failed transfer turned into a
  /// message (kUnknown when none).
  int32_t last_flag = kUnknown;

  /// Test hook for the local time; kept by RFRSET.  nullptr = the real clock.
  Clock clock = nullptr;
};

/// The one state of the library.
RafState& raf_state();

/// The current slot, or nullptr when none is current.
Slot* current_slot();

/// Local time through the clock hook.
platform::LocalTime now();

/// Name of a computer type code for messages.
std::string computer_name(int32_t code);

/// Word k (1-based) of a page buffer, and its update.
int32_t page_word(const PageBuffer& buffer, int32_t k);
void set_page_word(PageBuffer& buffer, int32_t k, int32_t value);

/// Issues message `number` from `routine` (label 0) and sets `ierr` to the
/// signed number.
void issue(Msg number, std::string_view routine, int32_t& ierr, int32_t ipar = kUnknown,
           std::string_view apar = kDummy);

/// FFILE's write for a buffer the caller does not let us change.
void ffile_write(int32_t iunit, int32_t& iadr, std::span<const std::byte> buf, int64_t nwords,
                 int32_t& ierr);

/// New access state after a read or after a write.
int32_t access_after_read(int32_t state);
int32_t access_after_write(int32_t state);

}  // namespace raflib
