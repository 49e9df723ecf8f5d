// The run driver: the main routine, its dialogue and file loop, the opening
// of RAF files, the structure parameters and the report.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "dms/work_array.h"
#include "driver/options.h"
#include "driver/run_state.h"

namespace driver {

/// The main routine.  Greets the user, asks for the list file, the output
/// file and the sorted-list length, reads the list, writes the banner to the
/// output file, runs the file loop and closes its files.  Returns 0 when the
/// run completed, else the failing status.  `unused` is never read.  Throws
/// textio::InputStop when an answer cannot be used.
int32_t vemrask(dms::IntView iw, dms::RealView rw, int32_t& nwiwa, int32_t& unused);

/// What a run tells the program entry beyond its status.
struct RunEnd {
  bool step_option_misfit = false;  ///< a step-limit option did not fit the first file
  int32_t skipped = 0;              ///< files --keep-going passed over
  int64_t at_or_above = 0;          ///< element results at or above --fail-above
  bool exports_failed = false;      ///< --csv or --html output could not be written
};

/// The main routine with the command line's answers and switches.
int32_t vemrask(dms::IntView iw, dms::RealView rw, int32_t& nwiwa, int32_t& unused,
                const RunOptions& options, RunEnd& end);

/// The nine banner lines (48 characters each), without the two empty lines
/// that precede them.
const std::string (&banner_lines())[9];

/// The file loop over the listed RAF files, with the report after the last
/// one.  Returns normally with run.status set on failure.
void file_loop(RunState& run);

/// The merge subcommand (the arguments after "merge"); returns the exit status.
int merge_main(std::span<const std::string> args);

/// The usage text of "vemrask merge --help".
std::string merge_usage_text();

}  // namespace driver
