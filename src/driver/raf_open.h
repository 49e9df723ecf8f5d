// Attaching a RAF file to the RAF library for the file loop.
#pragma once

#include <cstdint>
#include <string_view>

namespace driver {

/// Resets the RAF library, sets its message unit to `log_unit` and opens the
/// RAF file `file_name` (256 characters, blank-padded) on `raf_unit`: an
/// existing file when `mode` begins with "OLD", else a new file with room
/// for `array_capacity` arrays.  `screen_unit` is not used.
/// Failure (status lowered by one): an empty record and "  *** ERROR IN
/// INIRAF_0 ***" in the log, followed (when a name was given) by the record
/// "      Error opening raf_file         :" with the name and an empty
/// record; the RAF library writes its own messages to the log as well.
/// `raf_error`, when given, receives the library's (negative) message
/// number of the refusal, 0 when it gave none.
void INIRAF_0(std::string_view mode, std::string_view file_name, int32_t array_capacity,
              int32_t raf_unit, int32_t screen_unit, int32_t log_unit, int32_t& status,
              int32_t* raf_error = nullptr);

}  // namespace driver
