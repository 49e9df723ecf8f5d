// Benchmark models: large frame models of pipe strings with a long result
// history, of the size real analyses leave, written as RAF files through the
// model writer library without ever holding the whole history in memory.
//
// A model is a lattice of brace joints (10 x 10 joints per level, 20 m apart,
// levels 15 m apart) with a pipe string along every lattice edge, level after
// level, until the element count is reached.  A string has 10 elements from
// joint to joint.  At a joint three or more strings meet, so the string ends
// there are never in line with anything.  Every string has a kink at its
// middle node: a gentle one (the elements stay in line).
//
//   kRealistic      each string has a thicker can at both ends: the tube
//                   element next to a can has a thickness transition at the
//                   can, 2 ends of the string's 20 (one end in ten).  One
//                   string in fifty is a beam of another section (no pipe),
//                   and one in seven has a sharp kink (not in line).
//   kEveryJoint     the wall thickens from element to element along each
//                   string, so at every in-line joint the thinner element's
//                   end is a transition: 9 of a string's 20 ends.  At a joint
//                   of two in-line pipes only the thinner one's end can be a
//                   transition, so no model has more than one end in two;
//                   this is the most the strings allow (the worst case of
//                   the check).
//
// Forces vary from step to step and element to element (sines of the step
// with a phase per element); steps are time steps of load case 1, all stored.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/model_text.h"

namespace bench {

enum class Layout : int { kRealistic = 0, kEveryJoint = 1 };

struct ModelPlan {
  int32_t elements = 10000;
  int32_t steps = 1000;
  Layout layout = Layout::kRealistic;
};

/// Elements of a pipe string.
inline constexpr int32_t kStringElements = 10;

/// Per element, what the forces are made of.
struct ForceShape {
  double axial = 0.0;   ///< amplitude of the axial force
  double moment = 0.0;  ///< amplitude of the bending moments
  double phase = 0.0;
  double rate = 0.0;  ///< radians per step
};

struct BenchModel {
  ModelPlan plan;
  raf_tools::Model model;          ///< nodes, elements, sections, materials; no steps
  std::vector<ForceShape> shapes;  ///< per element, in element order
};

/// The model of `plan` (its structure; the steps are made by step_forces and
/// global_arrays).  elements >= 1, steps >= 0.
BenchModel make_model(const ModelPlan& plan);

/// TFLE of step `step` (1-based): 12 values per element, element after
/// element.  `tfle` is resized to 12 x elements.
void step_forces(const BenchModel& m, int32_t step, std::vector<double>& tfle);

/// The structure, control and global arrays of the RAF file (everything but
/// TFLE), MSTRU and MGLRES/TGLRES for plan.steps steps.
std::vector<raf_tools::ModelArray> structure_arrays(const BenchModel& m);

/// Writes the RAF file of `m`; false with `error` on failure.
[[nodiscard]] bool write_model_file(const BenchModel& m, const std::filesystem::path& file,
                                    std::string& error);

}  // namespace bench
