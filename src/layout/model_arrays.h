// Which word of a column of the model arrays means what.  TCRGEO and TGEPA
// hold a column per geometry (MXGEPR words each), TMAPA one per material
// (MXMAPR words), MGLRES and TGLRES one per stored step (MXGLPR words); word
// k of column c lies at (c - 1) * L + k.  The files' writer (mkraf and the
// benchmark and test models), the check and rafinfo all name the words
// through this header; it includes nothing of the project, so every layer may
// use it.
#pragma once

#include <cstdint>

namespace layout {

/// TCRGEO: the cross-section of a pipe section (geometry type 1).
namespace tcrgeo {
inline constexpr int32_t kInnerDiameter = 1;   ///< outer diameter - 2 x thickness
inline constexpr int32_t kDiameter = 2;        ///< outer diameter (at end 1 of a cone)
inline constexpr int32_t kThickness = 3;       ///< wall thickness
inline constexpr int32_t kDiameterAtEnd2 = 6;  ///< outer diameter at end 2 of a cone, else 0
/// The words a pipe section's dimensions take (1 to 6).
inline constexpr int32_t kPipeWords = 6;
}  // namespace tcrgeo

/// TGEPA: the section properties of a geometry.  With the per-end flag set,
/// end 1 and end 2 have their own area and second moments in the words
/// after kEnd1Offset and kEnd2Offset, in the section's order.
namespace tgepa {
inline constexpr int32_t kArea = 1;
inline constexpr int32_t kInertia3 = 3;     ///< second moment paired with bending moment 6
inline constexpr int32_t kInertia4 = 4;     ///< second moment paired with bending moment 5
inline constexpr int32_t kPerEndFlag = 20;  ///< 1: per-end properties follow
inline constexpr int32_t kEnd1Offset = 20;  ///< end 1's area is word kEnd1Offset + kArea
inline constexpr int32_t kEnd2Offset = 40;  ///< end 2's area is word kEnd2Offset + kArea
/// The offset of end `end`'s (1 or 2) own properties.
constexpr int32_t end_offset(int32_t end) {
  return end == 1 ? kEnd1Offset : kEnd2Offset;
}
}  // namespace tgepa

/// TMAPA: the parameters of a material.
namespace tmapa {
inline constexpr int32_t kModulus = 1;
inline constexpr int32_t kPoisson = 2;
inline constexpr int32_t kYieldStrength = 3;
}  // namespace tmapa

/// MGLRES: the integer global results of a step.
namespace mglres {
inline constexpr int32_t kStep = 1;      ///< the step's number
inline constexpr int32_t kLoadCase = 2;  ///< its load case
inline constexpr int32_t kStored = 10;   ///< 1 when results were stored for it
}  // namespace mglres

/// TGLRES: the real global results of a step.
namespace tglres {
inline constexpr int32_t kStepValue = 1;     ///< time, or load level
inline constexpr int32_t kDisplacement = 3;  ///< the global displacement
}  // namespace tglres

}  // namespace layout
