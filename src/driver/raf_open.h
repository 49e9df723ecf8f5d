// Attaching a RAF file to the RAF library for the file loop, and setting up
// the in-core store over it.
#pragma once

#include <cstdint>
#include <string_view>

#include "dms/work_array.h"

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

/// Starts the in-core store over the first `nwiwa` words of `iw` with the
/// program's array names, for the RAF file open on `raf_unit`.  Failure
/// (status set to -1): an empty record and "  *** ERROR IN VemRask_IniDMS
/// ***" on `output_unit`, where the store's own messages go as well.
void VemRask_IniDMS(dms::IntView iw, int32_t nwiwa, int32_t raf_unit, int32_t output_unit,
                    int32_t& status);

/// What the file loop does with a RAF file once it is open, before its
/// arrays are looked up: VemRask_IniDMS, then the recall of the structure,
/// control, global and result data of step 1 (messages on `output_unit`).
/// False, with `status` lowered, when either fails; the recall is not tried
/// when the store could not be started.
bool recall_first_step(dms::IntView iw, dms::RealView rw, int32_t nwiwa, int32_t raf_unit,
                       int32_t output_unit, int32_t& status);

}  // namespace driver
