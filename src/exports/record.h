// One file's share of the outputs as bytes: what a worker process hands the
// parent of a --jobs run, and what a part file carries to `vemrask merge`,
// so that both feed the collector exactly what the file gave it in a
// sequential run.
//
// All integers are little-endian, whatever the computer; a real is the 64
// bits of its double.  A count is a U8 followed by that many items.
//
// Contribution (the FileResult of one file):
//   1       U1  flags: 1 checked, 2 time domain, 4 the history could not be
//               read back
//   4       I4  position in the list
//   8+n     U8  byte count, the name
//   4       I4  steps checked
//   count   ends rows: I4 element, I4 end, R8 x 6 (d/t, thickness ratio,
//               d, t, d2, t2)
//   count   element results: I4 index, I4 element, I4 end, R8
//               utilisation, I4 step, R8 step value, R8 global
//               displacement, I4 load case
//   count   checked ends: I4 index, I4 element, I4 end, R8 peak
//   count   steps, I4 each
//   count   step values, R8 each
//   count   displacements, R8 each
//   count   histories: I4 index, I4 element, I4 end, R8 peak, then a
//               count of utilisations, R8 each
//
// Frame (the drawing's model of a checked file):
//   count   nodes, R8 x 3 each
//   count   elements: I4 element, then a count of nodes, I4 each
//   count   checked ends: I4 index, I4 element, I4 end, R8 peak
//
// Decoding checks every count against the bytes left before it allocates
// anything, and refuses trailing bytes: damaged bytes are refused with a
// reason, never read past.
#pragma once

#include <string>
#include <string_view>

#include "exports/exports.h"

namespace exports {

std::string encode(const Contribution& contribution);
[[nodiscard]] bool decode(std::string_view bytes, Contribution& contribution, std::string& error);

std::string encode(const FrameModel& frame);
[[nodiscard]] bool decode(std::string_view bytes, FrameModel& frame, std::string& error);

}  // namespace exports
