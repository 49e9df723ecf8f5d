// The element result record: what the result-step pass keeps for every
// element in its file's result block, and what the report reads back.  A
// record holds kValues reals; value k of element j lies at (j - 1) * kValues
// + k of the block.  The pass writes values 1 to 3 and 6 to 8 together,
// whenever an end's utilisation governs; values 4, 5, 9 and 10 stay 0.
#pragma once

#include <cstdint>

namespace check::result_record {

/// Values in one record.
inline constexpr int32_t kValues = 10;

/// The governing pancake utilisation over the checked steps and both ends.
inline constexpr int32_t kUtilisation = 1;
/// The element end (1.0 or 2.0) where it occurred.
inline constexpr int32_t kEnd = 2;
/// The result step number where it occurred.
inline constexpr int32_t kStep = 3;
/// Values 4 and 5: not set.
inline constexpr int32_t kFirstUnset = 4;
inline constexpr int32_t kLastUnset = 5;
/// The step value of that step: time, or load level (TGLRES word 1).
inline constexpr int32_t kStepValue = 6;
/// The global displacement at that step (TGLRES word 3).
inline constexpr int32_t kDisplacement = 7;
/// The load case of that step, as a real (MGLRES word 2).
inline constexpr int32_t kLoadCase = 8;

/// The pass writes values 1 to kWritten: a record must be at least that long.
inline constexpr int32_t kWritten = kLoadCase;

}  // namespace check::result_record
