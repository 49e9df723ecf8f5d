// The array recall layer: the message store shared with the other
// subsystems, the in-core catalogue of a RAF file's arrays, booking named
// arrays in the in-core store and reading them from the RAF file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dms/work_array.h"

namespace recall {

/// Message control: word 1 is an output unit (> 0: messages are written at
/// once), -321 for store mode, anything else drops messages; words 2..5 are
/// the store's book-keeping in store mode.  A caller that only wants direct
/// writing passes a view of one integer holding the unit.
using MessageControl = dms::Vec1<int32_t>;

/// Hands a framed message `text` (up to 256 characters, lines separated by
/// line feeds) to the message control: written at once as one record when
/// word 1 is a unit, or stored/fetched in store mode (`mode` "S..." or
/// "F...").  `status` is the status that goes with the message.
void MSGSTO(MessageControl control, int32_t status, std::string& text, std::string_view mode);

/// Recalls one array by name for a step: books it in the in-core store (its
/// storage is re-used when it is already there) and reads its values under
/// the key of `step`.  `pointer` receives the array's pointer (in units of its
/// element size).  A name the store does not know is passed over silently.
/// Failures lower `error_counter` and hand a framed message to the message
/// control.
void ARREC1(dms::IntView iw, dms::RealView rw, std::string_view name, int32_t& pointer,
            int32_t step, int32_t raf_unit, MessageControl message_control,
            int32_t& error_counter);

}  // namespace recall
