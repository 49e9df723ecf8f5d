// The pancake check: which pipe element ends sit at a thickness transition,
// the pancake utilisation of such an end at one result step, and the two
// passes the file loop runs for every RAF file (the geometry pass that lists
// the transition ends, and the result-step pass that keeps the governing
// utilisation of every element in the file's result block).
//
// Model arrays are handed in as 1-based views of the work array with their
// lengths.  Two-dimensional arrays are column-major: word k of column c of an
// array with leading dimension L is value (c-1)*L + k (TCOORD has L = 3,
// TCRGEO and TGEPA L = MXGEPR, TMAPA L = MXMAPR, MGLRES and TGLRES
// L = MXGLPR).
//
// The routines below the two passes take their indices as valid (element,
// node and geometry numbers inside the arrays); the passes check every index
// that comes from the file before they use it and fail with a framed error
// instead of reading outside an array.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "dms/work_array.h"

namespace check {

class StepRecorder;

using IntVec = dms::Vec1<int32_t>;
using RealVec = dms::Vec1<double>;

/// Room of the list of elements found at one node.  The count found may be
/// larger; only the first entries are kept.
inline constexpr int32_t kElementListSize = 100;
using ElementList = std::array<int32_t, kElementListSize>;

/// Element type code of a beam element (the only pipe candidates).
inline constexpr int32_t kBeamElement = 15;
/// Geometry type of a pipe (tubular) section.
inline constexpr int32_t kPipeSection = 1;
/// Material type that is checked.
inline constexpr int32_t kCheckedMaterial = 1;
/// Joint-angle marker values: no in-line pair, and coincident nodes.
inline constexpr double kNotInLine = -999.9;
inline constexpr double kCoincident = 999.9;

// ---- geometry of an element end -----------------------------------------

/// Geometry pass: lists every pipe element end that is a thickness transition
/// in a table on `output_unit` (banner and heading before the first line;
/// nothing when no end qualifies), and writes "*** ERROR IN MSC_0119 ***" for
/// every end whose joint angle cannot be computed.  Invalid model arrays give
/// a framed "*** ERROR IN VemRask_04 ***" with a detail line and set `status`
/// to -1; otherwise `status` is left alone.
void VemRask_04(int32_t nel, IntVec meltyp, IntVec mgetyp, IntVec melgeo, IntVec mnpc,
                IntVec mpmnpc, RealVec tcoord, RealVec tcrgeo, int32_t mxgepr, IntVec melex,
                int32_t output_unit, int32_t& status);

/// End geometry of end `end` (1 or 2) of `element`: the element's outer
/// diameter `d` and wall thickness `t` at the end, those of its in-line pipe
/// neighbour at the shared node (`d2`, `t2`; 0 without one), and `tapered` =
/// 1 when either section is tapered.  An element that is not a pipe gets
/// d = t = 0.  A failing joint angle writes "*** ERROR IN MSC_0119 ***" to
/// `output_unit`, sets `status` to -1 and leaves d2 = t2 = 0.
void MSC_0127(int32_t element, int32_t end, IntVec mnpc, IntVec mpmnpc, IntVec meltyp,
              IntVec melgeo, RealVec tcrgeo, int32_t mxgepr, IntVec mgetyp, RealVec tcoord,
              int32_t nel, double& d, double& t, double& d2, double& t2, int32_t& tapered,
              int32_t output_unit, int32_t& status);

/// Thickness-transition test: `flag` = 1 when the end (d, t) meets a
/// neighbour (d2, t2) of clearly greater wall thickness that is not simply a
/// larger tube or a tube with aligned mid-surfaces, else 0.
void THKJMP(double d, double t, double d2, double t2, int32_t& flag);

/// Angle in degrees at `node` between `element` and the other type-15
/// element there (180 = straight on).  kNotInLine when the node does not
/// join exactly two type-15 elements or either has not exactly two nodes;
/// kCoincident when a far node coincides with the joint.  When the angle
/// cannot be computed: "*** ERROR IN MSC_0119 ***" is written through the
/// message store to `output_unit`, `status` becomes -1 and kNotInLine is
/// returned.
double MSC_0119(int32_t element, int32_t node, int32_t nel, IntVec mnpc, IntVec mpmnpc,
                IntVec meltyp, RealVec tcoord, int32_t output_unit, int32_t& status);

/// The elements of type `element_type` that have `node`, in ascending element
/// order; an element listing the node twice is entered twice.  `count` is the
/// full number found; `list` keeps the first kElementListSize of them.
void ELATND(int32_t node, int32_t nel, IntVec mnpc, IntVec mpmnpc, int32_t& count,
            ElementList& list, IntVec meltyp, int32_t element_type);

/// The neighbour of `element` at `node` among the elements of `element_type`:
/// the other entry when exactly two are found, else 0.
int32_t NBELEM(int32_t element, int32_t node, IntVec mnpc, IntVec mpmnpc, int32_t element_type,
               int32_t nel, IntVec meltyp, int32_t output_unit);

/// Position (1..n) of `node` in the node list of `element`; 0 when absent or
/// when the element or node number is not positive.
int32_t NODPOS(int32_t element, int32_t node, IntVec mnpc, IntVec mpmnpc);

/// For an element with exactly two nodes, the node other than `node` (the
/// first node unless `node` is the first); 0 for any other element or when
/// the element or node number is not positive.
int32_t OTHNOD(int32_t element, int32_t node, IntVec mnpc, IntVec mpmnpc);

/// Angle in radians between `a` and `b`.  A zero-length pair or a cosine
/// beyond 1.0001 in magnitude lowers `failures` by one and gives 0.
double VECANG(const std::array<double, 3>& a, const std::array<double, 3>& b, int32_t& failures);

/// True when `a` and `b` agree within the relative tolerance `tolerance`
/// (magnitudes below 1.0E-99 count as 0; two zeros agree).
bool RELEQL(double a, double b, double tolerance);

// ---- pancake utilisation ----------------------------------------------------

/// Pancake utilisation of end `end` of `element` at the step whose forces are
/// in `tfle` (12 values from MPEVEC(element): end 1, then end 2).  Also
/// returned in `u`; `transition` receives the thickness-transition flag.  0
/// for an element that is not a pipe or an end that is not a transition.
/// `status` as for MSC_0127.
double ISO_Buck00(int32_t element, int32_t nel, int32_t end, IntVec meltyp, IntVec mgetyp,
                  IntVec mnpc, IntVec mpmnpc, IntVec melgeo, RealVec tcrgeo, RealVec tgepa,
                  int32_t mxgepr, double yield_strength, RealVec tfle, IntVec mpevec,
                  RealVec tcoord, int32_t output_unit, double& u, int32_t& transition,
                  int32_t& status);

/// The five stresses at end `end` of a section of geometry type
/// `geometry_type` and number `geometry` under the element's 12 forces:
/// axial plus/minus each bending stress, then the axial stress alone.  Only
/// pipe sections are evaluated; any other type gives zeros.
void SECSTR(int32_t geometry_type, int32_t geometry, int32_t end, RealVec forces, RealVec tcrgeo,
            RealVec tgepa, int32_t mxgepr, std::array<double, 5>& stresses);

/// Outer diameter at end `end` of a pipe section, from a copy of its TCRGEO
/// column (at least 6 words; word 1 of the copy is overwritten with the inner
/// diameter).
double PIPDIM(RealVec section_copy, int32_t end);

/// Utilisation of an end with axial stress `sigma_n`, bending stress
/// `sigma_b`, yield strength `fy`, diameter `d`, thickness `t`, neighbour
/// thickness `t2` and tapered flag `tapered`.
double PCKUTL(double sigma_n, double sigma_b, double fy, double d, double t, double t2,
              int32_t tapered);

/// Linear interpolation in `npairs` (x, y) pairs stored x1, y1, x2, y2, ...
/// with ascending x; linear extrapolation on the first and last segment.
double TABINT(double x, dms::Vec1<const double> table, int32_t npairs);

/// Copies n*m values of `source` to `destination`, negated when `sign` < 0.
void VCOPYS(dms::Vec1<const double> source, RealVec destination, int32_t n, int32_t m,
            int32_t sign);

// ---- result-step pass -------------------------------------------------------

/// True when `x` is undefined: not (-1.0E100 < x < 1.0E100).
bool ISUNDF(double x);

/// Number of steps to check: every stored step when `load_case` <= 0; else
/// the first step of the load case whose step value reaches `step_limit`
/// (when `step_limit_flag` = 1), or the last defined step of the load case,
/// or LSTSTO when the load case has no defined step.
int32_t LSTCHK(IntVec mglres, RealVec tglres, int32_t mxglpr, int32_t lststo, int32_t load_case,
               int32_t step_limit_flag, double step_limit);

/// A non-owning reference to a callable (valid while the callable lives).
template <class Signature>
class FunctionRef;

template <class R, class... Args>
class FunctionRef<R(Args...)> {
 public:
  template <class F, class = std::enable_if_t<!std::is_same_v<std::remove_cvref_t<F>, FunctionRef>>>
  FunctionRef(F&& f)  // NOLINT: implicit by design, like a function pointer
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
        call_([](void* object, Args... args) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(object))(std::forward<Args>(args)...);
        }) {}
  R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

 private:
  void* object_;
  R (*call_)(void*, Args...);
};

/// Supplies the element forces TFLE of a step: called with the step number
/// and a status word set to 0; returns the view of TFLE, or leaves the status
/// non-zero when the forces cannot be had.
using ForceProvider = FunctionRef<RealVec(int32_t step, int32_t& status)>;

/// The result-step pass proper, with the forces of each step taken from
/// `forces`.  For every checked step and every pipe element of material type
/// 1, both ends are evaluated and the element's record in `result_block`
/// (`values_per_element` values per element; its capacity is
/// result_block.size() / values_per_element records) keeps the governing
/// utilisation with its end, step, step value, global displacement and load
/// case (check/result_record.h).  The block must start with no negative value 1.
/// Writes an empty line and " Checking up to step : " to the screen.  A
/// failing recall writes "  *** ERROR IN VemRask_01  ***" and sets `status`
/// to -1; invalid model arrays give the same heading with a detail line.
/// With a `recorder` (check/step_recorder.h) the utilisation of every
/// transition end at every checked step is handed to it as well; the result
/// block and every message are the same with or without one.
void result_step_pass(IntVec mglres, RealVec tglres, int32_t mxglpr, int32_t lststo, int32_t nel,
                      IntVec meltyp, IntVec melex, IntVec melmat, IntVec matyp, int32_t mxmapr,
                      RealVec tmapa, IntVec melgeo, IntVec mgetyp, int32_t mxgepr, RealVec tcrgeo,
                      IntVec mpevec, RealVec tgepa, RealVec result_block,
                      int32_t values_per_element, ForceProvider forces, int32_t load_case,
                      int32_t step_limit_flag, double step_limit, IntVec mnpc, IntVec mpmnpc,
                      RealVec tcoord, int32_t output_unit, int32_t& status,
                      StepRecorder* recorder = nullptr);

/// Result-step pass of a RAF file: result_step_pass with the forces of each
/// step recalled as "TFLE" through the recall layer from `raf_unit` into the
/// work array (`iw`, `rw`).  MELEX is not used.  `recorder` as for
/// result_step_pass.
void VemRask_01(IntVec mglres, RealVec tglres, int32_t mxglpr, int32_t lststo, int32_t nel,
                IntVec meltyp, IntVec melex, IntVec melmat, IntVec matyp, int32_t mxmapr,
                RealVec tmapa, IntVec melgeo, IntVec mgetyp, int32_t mxgepr, RealVec tcrgeo,
                IntVec mpevec, RealVec tgepa, RealVec result_block, int32_t values_per_element,
                int32_t raf_unit, dms::IntView iw, dms::RealView rw, int32_t load_case,
                int32_t step_limit_flag, double step_limit, IntVec mnpc, IntVec mpmnpc,
                RealVec tcoord, int32_t output_unit, int32_t& status,
                StepRecorder* recorder = nullptr);

}  // namespace check
