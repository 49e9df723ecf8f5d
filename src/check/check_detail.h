// Internals shared by the files of the pancake check: the model arrays as one
// bundle of views, the two ways of finding the elements at a node (scanning
// the element list, or the per-file node-to-element table), the end
// geometry of one element end, the checks of the model arrays and the texts
// the check writes.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/check.h"
#include "check/result_record.h"
#include "dms/work_array.h"
#include "textio/message_table.h"

namespace check::detail {

// ---- texts ----------------------------------------------------------------

enum class Text : int {
  kAngleError,        ///< MSC_0119 could not compute the joint angle
  kEndGeometryError,  ///< MSC_0127's own line (kept, never shown)
  kGeometryPassError,
  kStepPassError,
  kBannerStart,
  kBannerEnd,
  kHeadingStart,
  kHeadingEnd,
  kCheckingUpTo,
};

inline constexpr std::array<textio::Message<Text>, 9> kTexts = {{
    {Text::kAngleError, "*** ERROR IN MSC_0119 ***"},
    {Text::kEndGeometryError, "*** ERROR IN MSC_0127 ***"},
    {Text::kGeometryPassError, "*** ERROR IN VemRask_04 ***"},
    {Text::kStepPassError, "*** ERROR IN VemRask_01  ***"},
    {Text::kBannerStart, "     ----      P a n C a k e    C h e c k i n g         "},
    {Text::kBannerEnd, "              -----"},
    {Text::kHeadingStart, " Element_ID  End     D/T    ThickRatio  "},
    {Text::kHeadingEnd, "Diam      Thick      D2        T2 "},
    {Text::kCheckingUpTo, " Checking up to step : "},
}};
static_assert(textio::has_every_code_once(kTexts));

constexpr std::string_view text(Text t) {
  return textio::message_text(kTexts, t);
}

/// Length of the message buffers handed to the message store.
inline constexpr std::size_t kMessageLength = 256;

/// Writes "*** ERROR IN MSC_0119 ***" to `output_unit` through the message
/// store, from `buffer` (kMessageLength characters, rewritten here).
void write_angle_error(int32_t output_unit, std::string& buffer);

/// Writes a framed error: an empty line, the error line indented two blanks
/// and, when `detail` is not empty, the detail indented six blanks.
void write_framed(int32_t output_unit, Text heading, std::string_view detail);

// ---- the model --------------------------------------------------------------

/// The arrays that decide the geometry of the element ends.
struct PipeModel {
  int32_t nel = 0;
  IntVec meltyp;
  IntVec melgeo;
  IntVec mgetyp;
  IntVec mnpc;
  IntVec mpmnpc;
  dms::Mat1<double> tcoord;  ///< leading dimension 3
  dms::Mat1<double> tcrgeo;  ///< leading dimension MXGEPR
};

/// The pipe model of the model arrays; views a caller does not need may be
/// left empty.
inline PipeModel pipe_model(int32_t nel, IntVec meltyp, IntVec melgeo, IntVec mgetyp, IntVec mnpc,
                            IntVec mpmnpc, RealVec tcoord, RealVec tcrgeo, int32_t mxgepr) {
  PipeModel m;
  m.nel = nel;
  m.meltyp = meltyp;
  m.melgeo = melgeo;
  m.mgetyp = mgetyp;
  m.mnpc = mnpc;
  m.mpmnpc = mpmnpc;
  m.tcoord = dms::Mat1<double>(tcoord, 3);
  m.tcrgeo = dms::Mat1<double>(tcrgeo, mxgepr);
  return m;
}

/// True when element `e` is a pipe element (beam element with a pipe section).
inline bool is_pipe(const PipeModel& m, int32_t e) {
  return m.meltyp(e) == kBeamElement && m.mgetyp(m.melgeo(e)) == kPipeSection;
}

/// Number of whole TCOORD columns (nodes).
inline int64_t node_count(const PipeModel& m) {
  return m.tcoord.size() / 3;
}

/// Finds the elements of one type at a node, as ELATND reports them.
class ElementsAtNode {
 public:
  virtual ~ElementsAtNode() = default;
  virtual void find(int32_t node, int32_t element_type, int32_t& count,
                    ElementList& list) const = 0;
};

/// By scanning every element (ELATND itself).
class ScanElements final : public ElementsAtNode {
 public:
  explicit ScanElements(const PipeModel& model) : model_(model) {}
  void find(int32_t node, int32_t element_type, int32_t& count, ElementList& list) const override;

 private:
  const PipeModel& model_;
};

/// By a table of the beam elements at every node, built once: the elements
/// in ascending order, an element listing a node twice entered twice.  Other
/// element types are found by scanning.  Needs node numbers of beam elements
/// inside TCOORD.
class NodeElementTable final : public ElementsAtNode {
 public:
  explicit NodeElementTable(const PipeModel& model);
  void find(int32_t node, int32_t element_type, int32_t& count, ElementList& list) const override;

 private:
  ScanElements scan_;
  std::vector<int64_t> first_;     ///< first_[n-1] .. first_[n]-1: entries of node n
  std::vector<int32_t> elements_;  ///< element numbers, node after node
};

/// Geometry of one element end, as MSC_0127 gives it.
struct EndGeometry {
  double d = 0.0;
  double t = 0.0;
  double d2 = 0.0;
  double t2 = 0.0;
  int32_t tapered = 0;
  bool angle_failed = false;  ///< the joint angle could not be computed
};

/// The neighbour of element `e` at node `n` (NBELEM).
int32_t neighbour(const ElementsAtNode& finder, int32_t e, int32_t n, int32_t element_type);

/// The joint angle (MSC_0119) without its message: `failed` is set when the
/// angle cannot be computed.
double joint_angle(const ElementsAtNode& finder, const PipeModel& m, int32_t e, int32_t n,
                   bool& failed);

/// The end geometry (MSC_0127) of end `k` of element `e`, without messages.
EndGeometry end_geometry(const ElementsAtNode& finder, const PipeModel& m, int32_t e, int32_t k);

/// Utilisation of a transition end from its stresses (steps 3 and 4 of the
/// end evaluation): `forces` are the element's 12 values.
double end_utilisation(int32_t geometry, int32_t k, RealVec forces, RealVec tcrgeo, RealVec tgepa,
                       int32_t mxgepr, double fy, const EndGeometry& g);

/// What the utilisation of a transition end takes from its section and its
/// end geometry, none of which changes from step to step: the area and the
/// two section moduli at the end, and the reduced yield strength
/// fy * kappa1 * kappa2 that the effective stress is divided by.
struct EndFactors {
  double area = 0.0;
  double w3 = 0.0;  ///< I3 / r, paired with bending moment 6
  double w4 = 0.0;  ///< I4 / r, paired with bending moment 5
  double fy = 0.0;
  double divisor = 0.0;
  bool no_ratio = false;  ///< thickness ratio below the tables' start: U = 0 at every step
};

/// The factors of end `k` of an element of section `geometry` (a pipe).
EndFactors end_factors(int32_t geometry, int32_t k, RealVec tcrgeo, RealVec tgepa, int32_t mxgepr,
                       double fy, const EndGeometry& g);

/// end_utilisation() from the factors of the end: the same operations on the
/// forces in the same order, so the result agrees bit for bit.  `forces`
/// points to the element's 12 values.  Inline: the step loop runs it for
/// every transition end at every step.
inline double end_utilisation(const EndFactors& f, int32_t k, const double* forces) {
  if (f.no_ratio) return 0.0;
  // Values 1, 5 and 6 of the end, negated at end 2 as SECSTR copies them.
  const double* v = k == 1 ? forces : forces + 6;
  const double f1 = k == 1 ? v[0] : -v[0];
  const double f5 = k == 1 ? v[4] : -v[4];
  const double f6 = k == 1 ? v[5] : -v[5];
  const double sa = (0.0 - f1) / f.area;
  const double b4 = (0.0 - f5) / f.w4;
  const double b5 = f6 / f.w3;
  const double s1 = sa + b4;
  const double s3 = sa + b5;
  const double s5 = sa;
  const double sigma_b = std::sqrt((s1 - s5) * (s1 - s5) + (s3 - s5) * (s3 - s5));
  const double sigma_n = 0.0 - s5;
  // The effective stress over the reduced yield strength, as PCKUTL has it.
  const double sigma = sigma_n + sigma_b;
  double sigma_eff = 0.0;
  if (sigma > f.fy) {
    sigma_eff = f.fy;
  } else {
    sigma_eff = 0.0 < sigma ? sigma : 0.0;
  }
  return sigma_eff / f.divisor;
}

/// True when TGEPA word 20 selects the per-end section properties: the value
/// rounds (halves away from zero) to 1.  Undefined, infinite and huge values
/// do not.
inline bool per_end_properties(double flag) {
  return flag >= 0.5 && flag < 1.5;
}

/// End geometry and transition flag of both ends of every element, computed
/// once per file; entry 2*(e-1) + k - 1 is end k of element e (non-pipe
/// elements keep all zeros).
struct EndTable {
  std::vector<EndGeometry> ends;
  std::vector<uint8_t> transition;
  [[nodiscard]] const EndGeometry& at(int32_t e, int32_t k) const {
    return ends[static_cast<std::size_t>(2 * (int64_t{e} - 1) + (k - 1))];
  }
  [[nodiscard]] bool is_transition(int32_t e, int32_t k) const {
    return transition[static_cast<std::size_t>(2 * (int64_t{e} - 1) + (k - 1))] != 0;
  }
};

/// Builds the end table of a model that passed check_geometry().
EndTable build_end_table(const PipeModel& m);

/// The record update of the result-step pass for end `k` at step `s` (step
/// value `t`, global displacement `g`, load case `c`) of the record starting
/// after value `base` of `block` (check/result_record.h): a U that is a number replaces a smaller
/// value 1; a negative U replaces only a value 1 of 0 or less that is smaller
/// in magnitude.  Ties keep what is there.  Inline, like end_utilisation().
inline void update_record(RealVec block, int64_t base, double u, int32_t k, int32_t s, double t,
                          double g, int32_t c) {
  namespace record = result_record;
  const double m = block(base + record::kUtilisation);
  const bool replace = u >= 0.0 ? u > m : (u < 0.0 && m <= 0.0 && std::fabs(u) > std::fabs(m));
  if (!replace) return;
  block(base + record::kUtilisation) = u;
  block(base + record::kEnd) = k;
  block(base + record::kStep) = s;
  block(base + record::kStepValue) = t;
  block(base + record::kDisplacement) = g;
  block(base + record::kLoadCase) = c;
}

// ---- checks of the model arrays ---------------------------------------------

/// The first fault found in the model arrays, as the detail line of a framed
/// error.  Empty while the arrays are sound.
class ModelFault {
 public:
  [[nodiscard]] bool found() const { return !detail_.empty(); }
  [[nodiscard]] const std::string& detail() const { return detail_; }
  /// Keeps `detail` unless a fault is already held (the first one sticks).
  void set(std::string detail) {
    if (detail_.empty()) detail_ = std::move(detail);
  }

 private:
  std::string detail_;
};

/// Checks what the geometry of the ends reads: NEL and the lengths of
/// MELTYP, MELGEO and MPMNPC, the node lists, geometry numbers and node
/// numbers of beam elements, and words 2, 3 and 6 of the TCRGEO columns of
/// pipe elements.
void check_geometry(const PipeModel& m, ModelFault& fault);

/// Checks that `array` (named `name`) has at least `needed` entries for NEL.
void check_length(std::string_view name, int64_t size, int64_t needed, int32_t nel,
                  ModelFault& fault);

/// Checks that word `word` of column `column` of `array` (leading dimension
/// named `ld_name`) can be read for element `e`, whose `index_name` entry
/// gave the column.
void check_word(const dms::Mat1<double>& array, std::string_view array_name,
                std::string_view ld_name, int64_t word, int64_t column, int32_t e,
                std::string_view index_name, ModelFault& fault);

/// Detail line of a fault of the result block or of the forces.
std::string block_capacity_detail(int32_t nel, int64_t capacity);
std::string record_length_detail(int32_t values_per_element);
std::string entry_detail(std::string_view index_name, int32_t e, int64_t value,
                         std::string_view array_name, int64_t entries, std::string_view unit);
std::string steps_detail(int32_t lststo, std::string_view array_name, int64_t steps,
                         int32_t mxglpr);
std::string word_detail(std::string_view ld_name, int64_t ld, int64_t word,
                        std::string_view array_name);

}  // namespace check::detail
