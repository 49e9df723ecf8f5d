// Geometry of a pipe element end: the elements at a node, the in-line
// neighbour, the joint angle, the diameters and thicknesses at the shared
// node, and the thickness-transition test.
//
// The routines come in two layers.  The inner one (check::detail) takes a
// finder for the elements at a node, so that the passes can use the per-file
// node-to-element table while the single-end routines scan the element list;
// both find the same elements in the same order, so the results agree bit
// for bit.  The inner layer writes no messages: it reports a failing joint
// angle in its result and the caller writes the message where the routine
// computing the angle would.
#include <cmath>

#include "check/check.h"
#include "check/check_detail.h"
#include "layout/model_arrays.h"
#include "recall/recall.h"

namespace check {
namespace {

using layout::tcrgeo::kDiameter;
using layout::tcrgeo::kDiameterAtEnd2;
using layout::tcrgeo::kThickness;

constexpr double kTaperedLimit = 1.0E-10;
constexpr double kInLineAngle = 140.0;
constexpr double kDegreesPerRadian = 57.29578;
constexpr double kCoincidentLimit = 1.0E-7;
// Tolerances of the angle routine, held as single-precision values.
constexpr double kZeroLengthLimit = static_cast<double>(1.0E-20F);
constexpr double kCosineShrink = static_cast<double>(0.9999F);
constexpr double kCosineLimit = 1.0001;

using Vec3 = std::array<double, 3>;

// The sum of products in the order the angle routine uses: z, then y + x.
double dot(const Vec3& a, const Vec3& b) {
  return a[2] * b[2] + (a[1] * b[1] + a[0] * b[0]);
}
double norm(const Vec3& a) {
  return std::sqrt(dot(a, a));
}

// True when geometry `g` is a tapered pipe section.
bool tapered_section(const detail::PipeModel& m, int32_t g) {
  return m.mgetyp(g) == kPipeSection && m.tcrgeo(kDiameterAtEnd2, g) > kTaperedLimit;
}

}  // namespace

// ---- single-end routines ------------------------------------------------

void ELATND(int32_t node, int32_t nel, IntVec mnpc, IntVec mpmnpc, int32_t& count,
            ElementList& list, IntVec meltyp, int32_t element_type) {
  count = 0;
  for (int32_t e = 1; e <= nel; ++e) {
    if (meltyp(e) != element_type) continue;
    const int64_t last = mpmnpc(e + 1) - 1;
    for (int64_t p = mpmnpc(e); p <= last; ++p) {
      if (mnpc(p) != node) continue;
      if (count < kElementListSize) list[static_cast<std::size_t>(count)] = e;
      ++count;
    }
  }
}

int32_t NBELEM(int32_t element, int32_t node, IntVec mnpc, IntVec mpmnpc, int32_t element_type,
               int32_t nel, IntVec meltyp, int32_t /*output_unit*/) {
  const detail::PipeModel m = detail::pipe_model(nel, meltyp, {}, {}, mnpc, mpmnpc, {}, {}, 0);
  return detail::neighbour(detail::ScanElements(m), element, node, element_type);
}

int32_t NODPOS(int32_t element, int32_t node, IntVec mnpc, IntVec mpmnpc) {
  if (element <= 0 || node <= 0 || !mpmnpc.contains(int64_t{element} + 1)) return 0;
  const int64_t first = mpmnpc(element);
  const int64_t last = mpmnpc(element + 1) - 1;
  for (int64_t p = first; p <= last; ++p) {
    if (mnpc.contains(p) && mnpc(p) == node) return static_cast<int32_t>(p - first + 1);
  }
  return 0;
}

int32_t OTHNOD(int32_t element, int32_t node, IntVec mnpc, IntVec mpmnpc) {
  if (element <= 0 || node <= 0 || !mpmnpc.contains(int64_t{element} + 1)) return 0;
  const int64_t first = mpmnpc(element);
  if (mpmnpc(element + 1) - first != 2 || !mnpc.contains(first) || !mnpc.contains(first + 1)) {
    return 0;
  }
  return mnpc(first) == node ? mnpc(first + 1) : mnpc(first);
}

double VECANG(const Vec3& a, const Vec3& b, int32_t& failures) {
  const double lengths = norm(a) * norm(b);
  if (lengths < kZeroLengthLimit) {
    --failures;
    return 0.0;
  }
  double c = dot(a, b) / lengths;
  if (std::fabs(c) > kCosineLimit) {
    --failures;
    return 0.0;
  }
  if (std::fabs(c) > 1.0) c = c * kCosineShrink;
  return std::acos(c);
}

bool RELEQL(double a, double b, double tolerance) {
  constexpr double kTiny = 1.0E-99;
  if (std::fabs(a) < kTiny) a = 0.0;
  if (std::fabs(b) < kTiny) b = 0.0;
  if (a == 0.0 && b == 0.0) return true;
  const double r = a != 0.0 ? b / a : 0.0;
  return 1.0 - tolerance < r && r < 1.0 + tolerance;
}

void THKJMP(double d, double t, double d2, double t2, int32_t& flag) {
  flag = 0;
  if (t2 < 1.0E-10) return;                                              // no neighbour
  if (!RELEQL(d, d2, 1.0E-10) && RELEQL(d - t, d2 - t2, 0.001)) return;  // mid-surfaces aligned
  if (d2 > d && t2 > t && d2 / d > 1.2) return;                          // a larger tube
  if (t2 / t < 1.0 + 1.0E-10) return;                                    // not thicker
  flag = 1;
}

double MSC_0119(int32_t element, int32_t node, int32_t nel, IntVec mnpc, IntVec mpmnpc,
                IntVec meltyp, RealVec tcoord, int32_t output_unit, int32_t& status) {
  const detail::PipeModel m = detail::pipe_model(nel, meltyp, {}, {}, mnpc, mpmnpc, tcoord, {}, 0);
  bool failed = false;
  const double angle = detail::joint_angle(detail::ScanElements(m), m, element, node, failed);
  if (failed) {
    status = -1;
    std::string buffer(detail::kMessageLength, ' ');
    detail::write_angle_error(output_unit, buffer);
  }
  return angle;
}

void MSC_0127(int32_t element, int32_t end, IntVec mnpc, IntVec mpmnpc, IntVec meltyp,
              IntVec melgeo, RealVec tcrgeo, int32_t mxgepr, IntVec mgetyp, RealVec tcoord,
              int32_t nel, double& d, double& t, double& d2, double& t2, int32_t& tapered,
              int32_t output_unit, int32_t& status) {
  const detail::PipeModel m =
      detail::pipe_model(nel, meltyp, melgeo, mgetyp, mnpc, mpmnpc, tcoord, tcrgeo, mxgepr);
  const detail::EndGeometry g = detail::end_geometry(detail::ScanElements(m), m, element, end);
  d = g.d;
  t = g.t;
  d2 = g.d2;
  t2 = g.t2;
  tapered = g.tapered;
  if (g.angle_failed) {
    // The angle routine writes its message; this routine's own line stays in
    // its buffer, as the status already tells the caller.
    std::string buffer(detail::kMessageLength, ' ');
    detail::write_angle_error(output_unit, buffer);
    status = -1;
  }
}

// ---- inner layer -------------------------------------------------------------

namespace detail {

void write_angle_error(int32_t output_unit, std::string& buffer) {
  buffer.assign(kMessageLength, ' ');
  buffer.replace(0, text(Text::kAngleError).size(), text(Text::kAngleError));
  int32_t unit_word = output_unit;
  recall::MSGSTO(recall::MessageControl(&unit_word, 1), -1, buffer, "Store");
}

void ScanElements::find(int32_t node, int32_t element_type, int32_t& count,
                        ElementList& list) const {
  ELATND(node, model_.nel, model_.mnpc, model_.mpmnpc, count, list, model_.meltyp, element_type);
}

int32_t neighbour(const ElementsAtNode& finder, int32_t e, int32_t n, int32_t element_type) {
  int32_t count = 0;
  ElementList list;
  finder.find(n, element_type, count, list);
  if (count != 2) return 0;
  if (list[0] == e) return list[1];
  if (list[1] == e) return list[0];
  return 0;
}

double joint_angle(const ElementsAtNode& finder, const PipeModel& m, int32_t e, int32_t n,
                   bool& failed) {
  failed = false;
  int32_t count = 0;
  ElementList list;
  finder.find(n, kBeamElement, count, list);
  if (count != 2) return kNotInLine;
  const int32_t other = list[0] != e ? list[0] : list[1];
  const int32_t a = OTHNOD(e, n, m.mnpc, m.mpmnpc);
  const int32_t b = OTHNOD(other, n, m.mnpc, m.mpmnpc);
  // An element without exactly two nodes has no far node: no in-line pair.
  if (a == 0 || b == 0) return kNotInLine;
  Vec3 u;
  Vec3 v;
  for (int64_t i = 1; i <= 3; ++i) {
    u[static_cast<std::size_t>(i - 1)] = m.tcoord(i, a) - m.tcoord(i, n);
    v[static_cast<std::size_t>(i - 1)] = m.tcoord(i, b) - m.tcoord(i, n);
  }
  if (!(norm(u) * norm(v) > kCoincidentLimit)) return kCoincident;
  int32_t failures = 0;
  const double angle = VECANG(u, v, failures);
  if (failures != 0) {
    failed = true;
    return kNotInLine;
  }
  return kDegreesPerRadian * angle;
}

EndGeometry end_geometry(const ElementsAtNode& finder, const PipeModel& m, int32_t e, int32_t k) {
  EndGeometry g;
  if (!is_pipe(m, e)) return g;
  const int32_t own = m.melgeo(e);
  g.d = m.tcrgeo(kDiameter, own);
  g.t = m.tcrgeo(kThickness, own);
  if (tapered_section(m, own)) {
    g.tapered = 1;
    if (k == 2) g.d = m.tcrgeo(kDiameterAtEnd2, own);
  }
  const int32_t n = m.mnpc(m.mpmnpc(e) + k - 1);
  const int32_t other = neighbour(finder, e, n, m.meltyp(e));
  if (other == 0) return g;
  const double angle = joint_angle(finder, m, e, n, g.angle_failed);
  if (g.angle_failed) return g;
  if (angle < kInLineAngle) return g;
  if (!is_pipe(m, other)) return g;
  const int32_t j = NODPOS(other, n, m.mnpc, m.mpmnpc);
  const int32_t h = m.melgeo(other);
  g.d2 = m.tcrgeo(kDiameter, h);
  g.t2 = m.tcrgeo(kThickness, h);
  if (tapered_section(m, h)) {
    g.tapered = 1;
    if (j == 2) g.d2 = m.tcrgeo(kDiameterAtEnd2, h);
  }
  return g;
}

NodeElementTable::NodeElementTable(const PipeModel& model) : scan_(model) {
  const int64_t nodes = node_count(model);
  first_.assign(static_cast<std::size_t>(nodes + 1), 0);
  for (int32_t e = 1; e <= model.nel; ++e) {
    if (model.meltyp(e) != kBeamElement) continue;
    for (int64_t p = model.mpmnpc(e); p < model.mpmnpc(e + 1); ++p) {
      ++first_[static_cast<std::size_t>(model.mnpc(p))];
    }
  }
  for (std::size_t n = 1; n < first_.size(); ++n) first_[n] += first_[n - 1];
  elements_.resize(static_cast<std::size_t>(first_.back()));
  std::vector<int64_t> fill(first_.begin(), first_.end() - 1);
  for (int32_t e = 1; e <= model.nel; ++e) {
    if (model.meltyp(e) != kBeamElement) continue;
    for (int64_t p = model.mpmnpc(e); p < model.mpmnpc(e + 1); ++p) {
      const auto n = static_cast<std::size_t>(model.mnpc(p) - 1);
      elements_[static_cast<std::size_t>(fill[n]++)] = e;
    }
  }
}

void NodeElementTable::find(int32_t node, int32_t element_type, int32_t& count,
                            ElementList& list) const {
  if (element_type != kBeamElement) {
    scan_.find(node, element_type, count, list);
    return;
  }
  count = 0;
  if (node < 1 || static_cast<std::size_t>(node) >= first_.size()) return;
  const int64_t begin = first_[static_cast<std::size_t>(node - 1)];
  const int64_t end = first_[static_cast<std::size_t>(node)];
  const int64_t found = end - begin;
  const int64_t kept = found < kElementListSize ? found : kElementListSize;
  for (int64_t i = 0; i < kept; ++i) {
    list[static_cast<std::size_t>(i)] = elements_[static_cast<std::size_t>(begin + i)];
  }
  count = static_cast<int32_t>(found);
}

EndTable build_end_table(const PipeModel& m) {
  EndTable table;
  table.ends.assign(static_cast<std::size_t>(2 * int64_t{m.nel}), EndGeometry{});
  table.transition.assign(table.ends.size(), 0);
  const NodeElementTable finder(m);
  for (int32_t e = 1; e <= m.nel; ++e) {
    if (!is_pipe(m, e)) continue;
    for (int32_t k = 1; k <= 2; ++k) {
      const auto i = static_cast<std::size_t>(2 * (int64_t{e} - 1) + (k - 1));
      table.ends[i] = end_geometry(finder, m, e, k);
      const EndGeometry& g = table.ends[i];
      int32_t flag = 0;
      THKJMP(g.d, g.t, g.d2, g.t2, flag);
      table.transition[i] = flag == 1 ? 1 : 0;
    }
  }
  return table;
}

}  // namespace detail
}  // namespace check
