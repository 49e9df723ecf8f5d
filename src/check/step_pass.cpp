// Result-step pass: walks the stored result steps up to the user's limit and
// keeps, for every pipe element, the governing pancake utilisation in the
// element's record of the file's result block.  It does three jobs in turn:
// validate the arrays it reads, plan the elements, run the steps.
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
#include "check/result_record.h"
#include "check/step_recorder.h"
#include "layout/model_arrays.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace check {
namespace {

using detail::EndGeometry;
using detail::ModelFault;

using layout::mglres::kLoadCase;
using layout::mglres::kStored;
using layout::tglres::kDisplacement;
using layout::tglres::kStepValue;
using layout::tmapa::kYieldStrength;
// Values of an element's forces in TFLE: six at each end.
constexpr int64_t kForceValues = 12;

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

/// What the result pass reads and writes: the model arrays, the global
/// results of the steps and the file's result block, built once.
struct ResultModel {
  detail::PipeModel pipes;
  IntVec melmat;
  IntVec matyp;
  IntVec mpevec;
  RealVec tcrgeo;
  RealVec tgepa;
  int32_t mxgepr = 0;
  dms::Mat1<double> mapa;  ///< TMAPA, leading dimension MXMAPR
  dms::Mat1<double> gepa;  ///< TGEPA, leading dimension MXGEPR
  IntVec mglres;
  RealVec tglres;
  int32_t mxglpr = 0;
  int32_t lststo = 0;
  dms::Mat1<int32_t> mg;  ///< MGLRES, leading dimension MXGLPR
  dms::Mat1<double> tg;   ///< TGLRES, leading dimension MXGLPR
  RealVec result_block;
  int32_t values_per_element = 0;
};

/// The steps the user chose to check.
struct StepChoice {
  int32_t load_case = 0;
  int32_t limit_flag = 0;
  double limit = 0.0;
};

// ---- validate: the arrays, before anything reads them

void check_block(const ResultModel& m, ModelFault& fault) {
  const int32_t nel = m.pipes.nel;
  if (m.values_per_element < result_record::kWritten) {
    fault.set(detail::record_length_detail(m.values_per_element));
  } else if (nel > m.result_block.size() / m.values_per_element) {
    fault.set(detail::block_capacity_detail(nel, m.result_block.size() / m.values_per_element));
  }
}

void check_materials(const ResultModel& m, ModelFault& fault) {
  const int32_t nel = m.pipes.nel;
  if (!fault.found()) {
    detail::check_length("MELMAT", m.melmat.size(), nel, nel, fault);
    detail::check_length("MPEVEC", m.mpevec.size(), nel, nel, fault);
  }
  for (int32_t e = 1; e <= nel && !fault.found(); ++e) {
    if (!detail::is_pipe(m.pipes, e)) continue;
    const int32_t mat = m.melmat(e);
    if (mat < 1 || mat > m.matyp.size()) {
      fault.set(detail::entry_detail("MELMAT", e, mat, "MATYP", m.matyp.size(), "entries"));
    } else if (m.matyp(mat) == kCheckedMaterial) {
      detail::check_word(m.mapa, "TMAPA", "MXMAPR", kYieldStrength, mat, e, "MELMAT", fault);
    }
  }
}

void check_steps(const ResultModel& m, ModelFault& fault) {
  if (!fault.found() && m.lststo < 0) {
    // A negative step count is no result history at all.
    const int64_t steps = m.mxglpr >= 1 ? m.mglres.size() / m.mxglpr : 0;
    fault.set(detail::steps_detail(m.lststo, "MGLRES", steps, m.mxglpr));
  }
  if (!fault.found() && m.lststo >= 1) {
    if (m.mxglpr < kStored) {
      fault.set(detail::word_detail("MXGLPR", m.mxglpr, kStored, "MGLRES"));
    } else if (!m.mg.contains(kStored, m.lststo)) {
      fault.set(detail::steps_detail(m.lststo, "MGLRES", m.mglres.size() / m.mxglpr, m.mxglpr));
    } else if (!m.tg.contains(kDisplacement, m.lststo)) {
      fault.set(detail::steps_detail(m.lststo, "TGLRES", m.tglres.size() / m.mxglpr, m.mxglpr));
    }
  }
}

/// The first fault of the arrays the pass reads; none while they are sound.
ModelFault validate(const ResultModel& m) {
  ModelFault fault;
  check_block(m, fault);
  detail::check_geometry(m.pipes, fault);
  check_materials(m, fault);
  check_steps(m, fault);
  return fault;
}

// ---- plan: the elements whose record a step can change

/// Plans end `k` of element `e`: a transition end gets its section words
/// checked and its factors worked out, and widens the force range.
void plan_end(const ResultModel& m, const detail::EndTable& ends, int32_t e, int32_t k,
              PlannedEnd& end, Plan& plan, ModelFault& fault) {
  const EndGeometry& geometry = ends.at(e, k);
  end.transition = ends.is_transition(e, k);
  end.angle_failed = geometry.angle_failed;
  if (!end.transition) return;
  // The section words the stress evaluation of this end reads.
  namespace tgepa = layout::tgepa;
  const int32_t g = m.pipes.melgeo(e);
  for (const int64_t word :
       {tgepa::kArea, tgepa::kInertia3, tgepa::kInertia4, tgepa::kPerEndFlag}) {
    detail::check_word(m.gepa, "TGEPA", "MXGEPR", word, g, e, "MELGEO", fault);
  }
  if (fault.found()) return;
  if (detail::per_end_properties(m.gepa(tgepa::kPerEndFlag, g))) {
    const int64_t offset = tgepa::end_offset(k);
    for (const int64_t word : {tgepa::kArea, tgepa::kInertia3, tgepa::kInertia4}) {
      detail::check_word(m.gepa, "TGEPA", "MXGEPR", offset + word, g, e, "MELGEO", fault);
    }
  }
  if (fault.found()) return;
  end.factors = detail::end_factors(g, k, m.tcrgeo, m.tgepa, m.mxgepr,
                                    m.mapa(kYieldStrength, m.melmat(e)), geometry);
  const int64_t position = m.mpevec(e);
  if (position < plan.lowest_force) plan.lowest_force = position;
  if (position > plan.highest_force) plan.highest_force = position;
}

/// The plan of a model that passed validate(); a fault of the section words
/// of a transition end may still be found here.
Plan plan_elements(const ResultModel& m, ModelFault& fault) {
  Plan plan;
  const int32_t nel = m.pipes.nel;
  const detail::EndTable ends = detail::build_end_table(m.pipes);
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
    if (!detail::is_pipe(m.pipes, e) || m.matyp(m.melmat(e)) != kCheckedMaterial) continue;
    PlannedElement p;
    bool needed = false;
    for (int32_t k = 1; k <= 2; ++k) {
      PlannedEnd& end = p.ends[k - 1];
      plan_end(m, ends, e, k, end, plan, fault);
      needed = needed || end.transition || end.angle_failed;
      if (fault.found()) break;
    }
    if (!needed) continue;
    p.element = e;
    p.force_position = m.mpevec(e);
    plan.elements.push_back(p);
  }
  return plan;
}

// ---- run: the steps

/// True when the forces of every evaluated element lie inside `tfle`; else
/// writes the framed error of the first element whose forces do not.
bool forces_fit(const Plan& plan, RealVec tfle, int32_t output_unit) {
  const bool any_transition = plan.lowest_force <= plan.highest_force;
  if (!any_transition ||
      (plan.lowest_force >= 1 && plan.highest_force + (kForceValues - 1) <= tfle.size())) {
    return true;
  }
  for (const PlannedElement& p : plan.elements) {
    const bool evaluated = p.ends[0].transition || p.ends[1].transition;
    if (evaluated &&
        (p.force_position < 1 || p.force_position + (kForceValues - 1) > tfle.size())) {
      detail::write_framed(output_unit, detail::Text::kStepPassError,
                           detail::entry_detail("MPEVEC", p.element, p.force_position, "TFLE",
                                                tfle.size(), "values"));
      break;
    }
  }
  return false;
}

/// Walks steps 1..n and updates the records of the planned elements.
/// kRecord: the utilisation of every transition end is also handed to
/// `recorder`, one row per checked step; the loop without it is the one every
/// run without a recorder uses, untouched by the recording.
template <bool kRecord>
void step_loop(const ResultModel& m, const Plan& plan, int32_t n, ForceProvider forces,
               int32_t output_unit, int32_t& status, StepRecorder* recorder) {
  std::string buffer(detail::kMessageLength, ' ');
  for (int32_t s = 1; s <= n; ++s) {
    if (m.mg(kStored, s) == 0) continue;
    const double t = m.tg(kStepValue, s);
    const double g = m.tg(kDisplacement, s);
    const int32_t c = m.mg(kLoadCase, s);
    if (ISUNDF(t) || ISUNDF(g)) return;

    int32_t recall_status = 0;
    const RealVec tfle = forces(s, recall_status);
    if (recall_status != 0) {
      detail::write_framed(output_unit, detail::Text::kStepPassError, "");
      status = -1;
      return;
    }
    if (!forces_fit(plan, tfle, output_unit)) {
      status = -1;
      return;
    }

    [[maybe_unused]] double* out = nullptr;
    if constexpr (kRecord) out = recorder->row();
    for (const PlannedElement& p : plan.elements) {
      const int64_t base = int64_t{p.element - 1} * m.values_per_element;
      for (int32_t k = 1; k <= 2; ++k) {
        const PlannedEnd& end = p.ends[k - 1];
        if (end.angle_failed) detail::write_angle_error(output_unit, buffer);
        double u = 0.0;
        if (end.transition) {
          u = detail::end_utilisation(end.factors, k,
                                      tfle.sub(p.force_position, kForceValues).data());
          if constexpr (kRecord) *out++ = u;
        }
        detail::update_record(m.result_block, base, u, k, s, t, g, c);
      }
    }
    if constexpr (kRecord) recorder->commit(s, t, g);
  }
}

/// Writes the step count to the screen and walks the chosen steps, with the
/// recording loop when there is a `recorder`.
void run_steps(const ResultModel& m, const Plan& plan, const StepChoice& choice,
               ForceProvider forces, int32_t output_unit, int32_t& status, StepRecorder* recorder) {
  const int32_t n = LSTCHK(m.mglres, m.tglres, m.mxglpr, m.lststo, choice.load_case,
                           choice.limit_flag, choice.limit);
  platform::write_record(platform::kScreen, "");
  platform::write_record(platform::kScreen, std::string(detail::text(detail::Text::kCheckingUpTo)) +
                                                textio::int_field(n, 5));
  if (n <= 0) return;
  if (recorder == nullptr) {
    step_loop<false>(m, plan, n, forces, output_unit, status, nullptr);
    return;
  }
  std::vector<EndId> ends;
  for (const PlannedElement& p : plan.elements) {
    for (int32_t k = 1; k <= 2; ++k) {
      if (p.ends[k - 1].transition) ends.push_back(EndId{p.element, k});
    }
  }
  recorder->begin(std::move(ends), n);
  step_loop<true>(m, plan, n, forces, output_unit, status, recorder);
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
  if (recorder != nullptr) recorder->begin({}, 0);
  const ResultModel m{
      detail::pipe_model(nel, meltyp, melgeo, mgetyp, mnpc, mpmnpc, tcoord, tcrgeo, mxgepr),
      melmat,
      matyp,
      mpevec,
      tcrgeo,
      tgepa,
      mxgepr,
      dms::Mat1<double>(tmapa, mxmapr),
      dms::Mat1<double>(tgepa, mxgepr),
      mglres,
      tglres,
      mxglpr,
      lststo,
      dms::Mat1<int32_t>(mglres, mxglpr),
      dms::Mat1<double>(tglres, mxglpr),
      result_block,
      values_per_element};
  ModelFault fault = validate(m);
  Plan plan;
  if (!fault.found()) plan = plan_elements(m, fault);
  if (fault.found()) {
    detail::write_framed(output_unit, detail::Text::kStepPassError, fault.detail());
    status = -1;
    return;
  }
  run_steps(m, plan, {load_case, step_limit_flag, step_limit}, forces, output_unit, status,
            recorder);
}

}  // namespace check
