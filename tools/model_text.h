// The plain-text model of mkraf: a frame model and its result history in the
// style of a finite-element input deck, one keyword line per item; and the
// model arrays of a RAF file derived from it.  tools/README.md documents the
// format.
//
// Parsing keeps the external numbers of nodes, elements, geometries and
// materials as written and checks every reference; derive_arrays() numbers
// nodes and elements internally in the order of the text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/model_writer.h"

namespace raf_tools {

inline constexpr int32_t kPipeElementType = 15;
inline constexpr int32_t kPipeGeometryType = 1;

struct ModelNode {
  int32_t number = 0;  ///< external node number
  std::array<double, 3> xyz{};
};

struct ModelElement {
  int32_t number = 0;  ///< external element number (MELEX)
  int32_t type = 0;    ///< element type (MELTYP); 15 is a pipe
  int32_t geometry = 0;
  int32_t material = 0;
  std::vector<int32_t> nodes;  ///< internal node numbers (1-based, order of the text)
  int32_t line = 0;
};

/// Area and the two second moments of area (TGEPA words 1, 3, 4 or their
/// per-end copies).
struct SectionProperties {
  double area = 0;
  double i3 = 0;  ///< paired with bending moment 6
  double i4 = 0;  ///< paired with bending moment 5
};

struct ModelGeometry {
  int32_t number = 0;
  int32_t type = 0;  ///< MGETYP; 1 is a pipe section
  // Pipe sections (type 1):
  double diameter = 0;           ///< outer diameter at end 1
  double thickness = 0;          ///< wall thickness
  double end2_diameter = 0;      ///< outer diameter at end 2 of a cone, else 0
  SectionProperties properties;  ///< given, or computed from diameter and thickness
  std::array<std::optional<SectionProperties>, 2> end_properties;  ///< PIPEEND lines
  // Other sections:
  std::vector<double> words;  ///< TCRGEO words 1, 2, ... as given
  int32_t line = 0;
};

struct ModelMaterial {
  int32_t number = 0;
  int32_t type = 0;  ///< MATYP; only type 1 is checked
  double yield = 0;
  double modulus = 0;
  double poisson = 0;
};

struct ModelForces {
  int32_t element = 0;  ///< internal element number
  std::vector<double> values;
};

struct ModelStep {
  double value = 0;  ///< time or load level (TGLRES word 1)
  int32_t load_case = 1;
  double displacement = 0;  ///< global displacement (TGLRES word 3)
  int32_t stored = 1;       ///< MGLRES word 10
  std::vector<ModelForces> forces;
};

struct Model {
  std::string title;
  bool time_domain = true;  ///< NEWLTY 1; else a static analysis (NEWLTY 2)
  std::vector<ModelNode> nodes;
  std::vector<ModelElement> elements;
  std::vector<ModelGeometry> geometries;
  std::vector<ModelMaterial> materials;
  std::vector<ModelStep> steps;
};

struct ParseError {
  int32_t line = 0;  ///< 1-based line of the text; 0 for the model as a whole
  std::string message;
};

/// Parses a model text.  False, with the first fault in `error`, for an
/// unknown keyword, a wrong number of fields, a field that is not a number,
/// a number given twice, a reference to a node, geometry, material or
/// element that the text does not define, or values out of range.
[[nodiscard]] bool parse_model_text(std::string_view text, Model& model, ParseError& error);

/// Force values of an element of `type` with `nodes` nodes in each step:
/// 12 for a pipe element, 6 per node otherwise.
int32_t force_count(int32_t type, std::size_t nodes);

/// Area and second moment of area of a tube: pi/4 (D^2 - (D-2T)^2) and
/// pi/64 (D^4 - (D-2T)^4).
SectionProperties tube_properties(double diameter, double thickness);

/// Words per column of TCRGEO and TGEPA (MXGEPR), of TMAPA (MXMAPR) and
/// of MGLRES and TGLRES (MXGLPR) in derived models.
inline constexpr int32_t kGeometryWords = 44;
inline constexpr int32_t kMaterialWords = 3;
inline constexpr int32_t kGlobalWords = 10;

struct ArrayOptions {
  std::string real_type = "DP";  ///< data type of the real arrays: "DP" or "RE"
  bool indexed_mstru = false;    ///< MSTRU with its name-indexed table
};

/// The model arrays of a RAF file: MSTRU, MELTYP, MELGEO, MELMAT, MELEX,
/// MGETYP, MNPC, MPMNPC, MNPEX, MPEVEC, TCOORD, TCRGEO, TGEPA, MATYP, TMAPA
/// ("STRU"), ICTEXT ("CTRL", when there is a title), MGLRES and TGLRES
/// ("GLOB") and TFLE ("POST", one set per step).
std::vector<ModelArray> derive_arrays(const Model& model, const ArrayOptions& options);

/// Positions of the structure parameters in the fixed layout of MSTRU.
inline constexpr int32_t kMstruWords = 200;
inline constexpr int32_t kParamNnp = 1;
inline constexpr int32_t kParamNel = 2;
inline constexpr int32_t kParamNma = 9;
inline constexpr int32_t kParamNge = 11;
inline constexpr int32_t kParamMxmapr = 36;
inline constexpr int32_t kParamMxgepr = 37;
inline constexpr int32_t kParamMxglpr = 42;
inline constexpr int32_t kParamLststo = 50;
inline constexpr int32_t kParamNewlty = 97;

}  // namespace raf_tools
