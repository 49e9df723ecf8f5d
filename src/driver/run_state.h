// The run state of the main routine and its fixed tables, which live for the
// whole run outside the work array.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dms/work_array.h"
#include "driver/options.h"
#include "driver/report.h"
#include "exports/request.h"

namespace campaign {
class FileCapture;
}

namespace driver {

/// Length of every file name and answer buffer.
inline constexpr std::size_t kNameLength = 256;
/// Entries of the file-name table.
inline constexpr int32_t kMaxFiles = 1000;

/// State of one run of `vemrask`.
struct RunState {
  RunOptions options;       ///< the command line's answers and switches
  std::string list_name;    ///< the list file, trimmed, for messages
  std::string output_name;  ///< the output file, trimmed, for messages

  dms::IntView iw;    ///< integer view of the work array
  dms::RealView rw;   ///< real view of the same storage
  int32_t nwiwa = 0;  ///< words in the work array

  int32_t status = 0;              ///< 0 while all goes well; returned at the end
  int32_t file_count = 0;          ///< names taken from the list
  int32_t longest_name = 0;        ///< largest trimmed length of a list line as read
  int32_t sorted_list_length = 0;  ///< -1 = all elements
  /// File-name table: entry i-1 is the i-th name (256 characters, blank-padded).
  /// Holds at most kMaxFiles names; file_count may count more (the run then
  /// ends before the first file is opened).
  std::vector<std::string> file_names;
  /// Trimmed length of each stored name's list line (the width it gives
  /// the summary), in the order of file_names.
  std::vector<int32_t> name_lengths;

  // Answers of the step dialogue (asked for the first file, used for all).
  int32_t load_case = 0;      ///< 1 for time-domain results; 0 = the entire simulation
  int32_t step_limit_on = 0;  ///< 1 when a time or load level limit was given
  double step_limit = 0.0;    ///< time or load level up to which results are checked
  bool step_dialogue_done = false;

  // What the end of the run tells the program entry.
  bool step_option_misfit = false;   ///< a step-limit option does not fit the first file
  std::vector<SkippedFile> skipped;  ///< files passed over with --keep-going
  int64_t at_or_above = 0;           ///< element results at or above --fail-above
  bool exports_failed = false;       ///< an asked-for output beside the report was not written

  /// The capture of the file being checked (workers and part runs), which
  /// marks the step settings; nullptr when the units are written directly.
  campaign::FileCapture* capture = nullptr;
  /// Called with the file's list position once the step dialogue has been
  /// settled on it (--jobs starts its workers there).
  std::function<void(int32_t)> after_settled;
};

}  // namespace driver
