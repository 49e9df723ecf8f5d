// Result-step pass of a RAF file: the step pass with the element forces of
// each step recalled from the file into the work array.
#include "check/check.h"
#include "dms/named_view.h"
#include "recall/recall.h"

namespace check {

void VemRask_01(IntVec mglres, RealVec tglres, int32_t mxglpr, int32_t lststo, int32_t nel,
                IntVec meltyp, IntVec melex, IntVec melmat, IntVec matyp, int32_t mxmapr,
                RealVec tmapa, IntVec melgeo, IntVec mgetyp, int32_t mxgepr, RealVec tcrgeo,
                IntVec mpevec, RealVec tgepa, RealVec result_block, int32_t values_per_element,
                int32_t raf_unit, dms::IntView iw, dms::RealView rw, int32_t load_case,
                int32_t step_limit_flag, double step_limit, IntVec mnpc, IntVec mpmnpc,
                RealVec tcoord, int32_t output_unit, int32_t& status, StepRecorder* recorder) {
  int32_t unit_word = output_unit;
  const recall::MessageControl message_control(&unit_word, 1);
  auto recall_forces = [&](int32_t step, int32_t& recall_status) -> RealVec {
    int32_t pointer = 0;
    recall::ARREC1(iw, rw, "TFLE  ", pointer, step, raf_unit, message_control, recall_status);
    if (recall_status != 0) return {};
    // The recall gives the position of TFLE in the real view; the view is
    // limited to the array's own length, so that force positions are checked
    // against TFLE itself.
    const dms::NamedView<double> tfle = dms::named_view(iw, rw, "TFLE", pointer);
    if (!tfle.ok()) recall_status = -1;
    return tfle.values;
  };
  result_step_pass(mglres, tglres, mxglpr, lststo, nel, meltyp, melex, melmat, matyp, mxmapr, tmapa,
                   melgeo, mgetyp, mxgepr, tcrgeo, mpevec, tgepa, result_block, values_per_element,
                   recall_forces, load_case, step_limit_flag, step_limit, mnpc, mpmnpc, tcoord,
                   output_unit, status, recorder);
}

}  // namespace check
