// The requirement every run of `vemrask` meets, whatever its input: it ends
// in bounded time with exit status 0 or 1, without a signal or a sanitizer
// report, leaves its input files as they were, explains a failure by a
// message that names what is wrong, and presents nothing as a result that
// is not one.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "robustness/damage.h"
#include "support/run_program.h"

namespace robustness {

/// Time one run may take (generous: the suites also run under the
/// sanitizers on a shared machine).
inline constexpr double kRunLimitSeconds = 120.0;

/// The closing line of every complete report.
inline constexpr std::string_view kClosingLine = "#   --------  e o f --------  ";

/// What a run of a case left behind.
struct Outcome {
  test_support::RunResult run;
  std::string report;  ///< the output file ("" when there is none)
  std::string log;     ///< raf.log ("" when there is none)
  /// Input files whose bytes changed, and those that vanished.
  std::vector<std::string> changed_inputs;
};

/// Writes the case's directories, links and files into `dir`, runs
/// `program` there and collects what the run left.
Outcome run_case(const std::string& program, const Case& c, const std::filesystem::path& dir);

/// The report the sound base model `label` gives when run as a case of its
/// own (computed once per label).
const std::string& reference_report(const std::string& program, const std::string& label);

/// Every way in which `outcome` breaks the requirement for `c`; empty when
/// it meets it.  `reference` is the report of c.same_report_as ("" when the
/// case names none).
std::vector<std::string> violations(const Case& c, const Outcome& outcome,
                                    const std::string& reference);

}  // namespace robustness
