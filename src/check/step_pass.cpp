// Result-step pass: walks the stored result steps up to the user's limit and
// keeps, for every pipe element, the governing pancake utilisation in the
// element's record of the file's result block.
//
// The geometry of the element ends does not change from step to step, so it
// is worked out once per file: the node-to-element table, the end geometry
// and the transition flag of every end.  What remains for a step is a plan
// of the elements that can change their record (a transition end, or an end
// whose joint angle fails and is reported at every step), in element order;
// inside the step loop only the forces, the stresses and the utilisation of
// the transition ends are evaluated.  The section properties and the reduced
// yield strength of a transition end are worked out with the plan as well,
// so a step costs a few operations per end.  Nothing is allocated per step.
//
// The plan leaves out the elements without a transition end: both their ends
// give U = 0 at every step, which never replaces a record value of 0 or more,
// and the block starts zeroed.
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "check/check.h"
#include "check/check_detail.h"
#include "check/step_recorder.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace check {
namespace {

using detail::EndGeometry;
using detail::ModelFault;

// Words of the global results per step.
constexpr int64_t kLoadCase = 2;
constexpr int64_t kStored = 10;
constexpr int64_t kStepValue = 1;
constexpr int64_t kDisplacement = 3;
constexpr int64_t kYieldStrength = 3;
constexpr int64_t kForceValues = 12;
constexpr int32_t kRecordValues = 8;  // values 1..8 of a record are written

struct PlannedEnd {
  bool transition = false;
  bool angle_failed = false;   ///< the joint angle's message is written at every step
  detail::EndFactors factors;  ///< of a transition end
};

struct PlannedElement {
  int32_t element = 0;
  int64_t force_position = 0;
  PlannedEnd ends[2];
};

struct Plan {
  std::vector<PlannedElement> elements;
  int64_t lowest_force = std::numeric_limits<int64_t>::max();  ///< of the elements evaluated
  int64_t highest_force = std::numeric_limits<int64_t>::min();
};

// The step loop.  kRecord: the utilisation of every transition end is also
// handed to `recorder`, one row per checked step (the loop without it is the
// one every run without a recorder uses, untouched by the recording).
template <bool kRecord>
void run_steps(const Plan& plan, const dms::Mat1<int32_t>& mg, const dms::Mat1<double>& tg,
               int32_t n, ForceProvider forces, RealVec result_block, int32_t values_per_element,
               int32_t output_unit, int32_t& status, StepRecorder* recorder) {
  using detail::Text;
  const bool any_transition = plan.lowest_force <= plan.highest_force;
  std::string buffer(detail::kMessageLength, ' ');
  for (int32_t s = 1; s <= n; ++s) {
    if (mg(kStored, s) == 0) continue;
    const double t = tg(kStepValue, s);
    const double g = tg(kDisplacement, s);
    const int32_t c = mg(kLoadCase, s);
    if (ISUNDF(t) || ISUNDF(g)) return;

    int32_t recall_status = 0;
    const RealVec tfle = forces(s, recall_status);
    if (recall_status != 0) {
      detail::write_framed(output_unit, Text::kStepPassError, "");
      status = -1;
      return;
    }
    if (any_transition &&
        (plan.lowest_force < 1 || plan.highest_force + (kForceValues - 1) > tfle.size())) {
      for (const PlannedElement& p : plan.elements) {
        const bool evaluated = p.ends[0].transition || p.ends[1].transition;
        if (evaluated &&
            (p.force_position < 1 || p.force_position + (kForceValues - 1) > tfle.size())) {
          detail::write_framed(output_unit, Text::kStepPassError,
                               detail::entry_detail("MPEVEC", p.element, p.force_position, "TFLE",
                                                    tfle.size(), "values"));
          break;
        }
      }
      status = -1;
      return;
    }

    [[maybe_unused]] double* out = nullptr;
    if constexpr (kRecord) out = recorder->row();
    for (const PlannedElement& p : plan.elements) {
      const int64_t base = int64_t{p.element - 1} * values_per_element;
      for (int32_t k = 1; k <= 2; ++k) {
        const PlannedEnd& end = p.ends[k - 1];
        if (end.angle_failed) detail::write_angle_error(output_unit, buffer);
        double u = 0.0;
        if (end.transition) {
          u = detail::end_utilisation(end.factors, k,
                                      tfle.sub(p.force_position, kForceValues).data());
          if constexpr (kRecord) *out++ = u;
        }
        detail::update_record(result_block, base, u, k, s, t, g, c);
      }
    }
    if constexpr (kRecord) recorder->commit(s, t, g);
  }
}

}  // namespace

bool ISUNDF(double x) {
  return !(-1.0E100 < x && x < 1.0E100);
}

int32_t LSTCHK(IntVec mglres, RealVec tglres, int32_t mxglpr, int32_t lststo, int32_t load_case,
               int32_t step_limit_flag, double step_limit) {
  if (load_case <= 0) return lststo;
  const dms::Mat1<int32_t> mg(mglres, mxglpr);
  const dms::Mat1<double> tg(tglres, mxglpr);
  int32_t result = lststo;
  for (int32_t s = 1; s <= lststo; ++s) {
    if (mg(kStored, s) == 0 || mg(kLoadCase, s) != load_case) continue;
    if (ISUNDF(tg(kStepValue, s)) || ISUNDF(tg(kDisplacement, s))) continue;
    result = s;
    if (step_limit_flag == 1 && tg(kStepValue, s) >= step_limit) return s;
  }
  return result;
}

void result_step_pass(IntVec mglres, RealVec tglres, int32_t mxglpr, int32_t lststo, int32_t nel,
                      IntVec meltyp, IntVec /*melex*/, IntVec melmat, IntVec matyp, int32_t mxmapr,
                      RealVec tmapa, IntVec melgeo, IntVec mgetyp, int32_t mxgepr, RealVec tcrgeo,
                      IntVec mpevec, RealVec tgepa, RealVec result_block,
                      int32_t values_per_element, ForceProvider forces, int32_t load_case,
                      int32_t step_limit_flag, double step_limit, IntVec mnpc, IntVec mpmnpc,
                      RealVec tcoord, int32_t output_unit, int32_t& status,
                      StepRecorder* recorder) {
  using detail::Text;
  if (recorder != nullptr) recorder->begin({}, 0);
  detail::PipeModel m;
  m.nel = nel;
  m.meltyp = meltyp;
  m.melgeo = melgeo;
  m.mgetyp = mgetyp;
  m.mnpc = mnpc;
  m.mpmnpc = mpmnpc;
  m.tcoord = dms::Mat1<double>(tcoord, 3);
  m.tcrgeo = dms::Mat1<double>(tcrgeo, mxgepr);
  const dms::Mat1<double> mapa(tmapa, mxmapr);
  const dms::Mat1<double> gepa(tgepa, mxgepr);
  const dms::Mat1<int32_t> mg(mglres, mxglpr);
  const dms::Mat1<double> tg(tglres, mxglpr);

  // ---- the arrays, before anything reads them
  ModelFault fault;
  if (values_per_element < kRecordValues) {
    fault.set(detail::record_length_detail(values_per_element));
  } else if (nel > result_block.size() / values_per_element) {
    fault.set(detail::block_capacity_detail(nel, result_block.size() / values_per_element));
  }
  detail::check_geometry(m, fault);
  if (!fault.found()) {
    detail::check_length("MELMAT", melmat.size(), nel, nel, fault);
    detail::check_length("MPEVEC", mpevec.size(), nel, nel, fault);
  }
  for (int32_t e = 1; e <= nel && !fault.found(); ++e) {
    if (!detail::is_pipe(m, e)) continue;
    const int32_t mat = melmat(e);
    if (mat < 1 || mat > matyp.size()) {
      fault.set(detail::entry_detail("MELMAT", e, mat, "MATYP", matyp.size(), "entries"));
    } else if (matyp(mat) == kCheckedMaterial) {
      detail::check_word(mapa, "TMAPA", "MXMAPR", kYieldStrength, mat, e, "MELMAT", fault);
    }
  }
  if (!fault.found() && lststo < 0) {
    // A negative step count is no result history at all.
    const int64_t steps = mxglpr >= 1 ? mglres.size() / mxglpr : 0;
    fault.set(detail::steps_detail(lststo, "MGLRES", steps, mxglpr));
  }
  if (!fault.found() && lststo >= 1) {
    if (mxglpr < kStored) {
      fault.set(detail::word_detail("MXGLPR", mxglpr, kStored, "MGLRES"));
    } else if (!mg.contains(kStored, lststo)) {
      fault.set(detail::steps_detail(lststo, "MGLRES", mglres.size() / mxglpr, mxglpr));
    } else if (!tg.contains(kDisplacement, lststo)) {
      fault.set(detail::steps_detail(lststo, "TGLRES", tglres.size() / mxglpr, mxglpr));
    }
  }

  // ---- the plan: elements whose record a step can change
  Plan plan;
  if (!fault.found()) {
    const detail::EndTable ends = detail::build_end_table(m);
    // Room for the plan at once: growing it would copy it and touch fresh
    // pages again and again.
    std::size_t planned = 0;
    for (int32_t e = 1; e <= nel; ++e) {
      for (int32_t k = 1; k <= 2; ++k) {
        if (ends.is_transition(e, k) || ends.at(e, k).angle_failed) {
          ++planned;
          break;
        }
      }
    }
    plan.elements.reserve(planned);
    for (int32_t e = 1; e <= nel && !fault.found(); ++e) {
      if (!detail::is_pipe(m, e) || matyp(melmat(e)) != kCheckedMaterial) continue;
      PlannedElement p;
      bool needed = false;
      for (int32_t k = 1; k <= 2; ++k) {
        PlannedEnd& end = p.ends[k - 1];
        const EndGeometry& geometry = ends.at(e, k);
        end.transition = ends.is_transition(e, k);
        end.angle_failed = geometry.angle_failed;
        needed = needed || end.transition || end.angle_failed;
        if (!end.transition) continue;
        // The section words the stress evaluation of this end reads.
        const int32_t g = melgeo(e);
        for (const int64_t word : {1, 3, 4, 20}) {
          detail::check_word(gepa, "TGEPA", "MXGEPR", word, g, e, "MELGEO", fault);
        }
        if (fault.found()) break;
        if (detail::per_end_properties(gepa(20, g))) {
          const int64_t offset = k == 1 ? 20 : 40;
          for (const int64_t word : {1, 3, 4}) {
            detail::check_word(gepa, "TGEPA", "MXGEPR", offset + word, g, e, "MELGEO", fault);
          }
        }
        if (fault.found()) break;
        end.factors = detail::end_factors(g, k, tcrgeo, tgepa, mxgepr,
                                          mapa(kYieldStrength, melmat(e)), geometry);
        const int64_t position = mpevec(e);
        if (position < plan.lowest_force) plan.lowest_force = position;
        if (position > plan.highest_force) plan.highest_force = position;
      }
      if (!needed) continue;
      p.element = e;
      p.force_position = mpevec(e);
      plan.elements.push_back(p);
    }
  }
  if (fault.found()) {
    detail::write_framed(output_unit, Text::kStepPassError, fault.detail());
    status = -1;
    return;
  }

  // ---- the steps
  const int32_t n = LSTCHK(mglres, tglres, mxglpr, lststo, load_case, step_limit_flag, step_limit);
  platform::write_record(platform::kScreen, "");
  platform::write_record(platform::kScreen,
                         std::string(detail::text(Text::kCheckingUpTo)) + textio::int_field(n, 5));
  if (n <= 0) return;

  if (recorder == nullptr) {
    run_steps<false>(plan, mg, tg, n, forces, result_block, values_per_element, output_unit, status,
                     nullptr);
  } else {
    std::vector<EndId> ends;
    for (const PlannedElement& p : plan.elements) {
      for (int32_t k = 1; k <= 2; ++k) {
        if (p.ends[k - 1].transition) ends.push_back(EndId{p.element, k});
      }
    }
    recorder->begin(std::move(ends), n);
    run_steps<true>(plan, mg, tg, n, forces, result_block, values_per_element, output_unit, status,
                    recorder);
  }
}

}  // namespace check
