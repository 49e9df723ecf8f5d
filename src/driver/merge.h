// The merge of part files: the output file one run over all the parts'
// files would have written, from the per-file records the parts hold.
//
// A merge works in two steps, so that a refused part leaves no report:
// plan_merge checks every part (each whole, then the set: no part twice,
// one step setting for all) and learns what the report needs up front
// (where the run ends, the name column's width, the last checked file's
// element data); write_merge then writes, reading the parts again in order:
// the banner, every file's output-file text up to the file that ends the
// run, and, when the run goes through, the report.  Memory is that of one
// file's record and block; the count of files and of values is not bound
// (the limits of a single run come from its result table, which a merge
// does not hold).  Disk reads: every part three to four times.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "campaign/part_file.h"

namespace driver {

/// A file of the merged run that was skipped (--keep-going).
struct MergedSkip {
  int32_t position = 0;  ///< its place in the merged list (1-based)
  std::string name;      ///< trimmed stored name
};

struct MergePlan {
  std::vector<std::string> parts;  ///< in the order given
  campaign::RunHeader header;      ///< of the first part whose files reached the step settings
  int64_t files = 0;               ///< records over all parts
  int64_t run_end = 0;             ///< merged index of the record that ends the run; 0 = none
  bool report = false;             ///< the run reaches its report
  int32_t name_width = 0;          ///< the summary's name column
  int64_t reported = 0;            ///< files in the report (checked ones)
  std::vector<MergedSkip> skipped;
  int32_t last_nel = 0, last_newlty = 0;  ///< of the last checked file
  std::vector<int32_t> last_melex;
  std::string list_file;  ///< the list file of the first part's run
  /// The run ends at a file that a step-limit option does not fit (a
  /// command-line error of that file's part run).
  bool step_option_misfit = false;
};

/// Reads a list of part names, one a line (trailing blanks and carriage
/// returns cut, empty lines skipped).
[[nodiscard]] bool read_part_list(const std::string& list, std::vector<std::string>& parts,
                                  std::string& error);

/// Checks `parts` and plans their merge.  Refuses, with a message naming the
/// part: a part that cannot be read, is damaged, truncated or of another
/// version; a part given twice (the same run identity); a part whose step
/// settings differ from those of the first part that has them.  With
/// `export_history` (the merge writes --csv or --html), also a part that
/// holds no data for them, or the histories of fewer ends per file than
/// `export_history`, and a record whose data for them do not decode.
[[nodiscard]] bool plan_merge(const std::vector<std::string>& parts, MergePlan& plan,
                              std::string& error,
                              std::optional<std::size_t> export_history = std::nullopt);

struct MergeResult {
  int32_t status = 0;       ///< 0, or -1 when a failure ended the merged run
  bool report = false;      ///< the report was written
  int64_t at_or_above = 0;  ///< element results at or above `fail_above`
  std::string error;        ///< a part could not be read again
};

/// Writes what the merged run writes to the output file to `unit`: the
/// banner, every file's text (the step settings kept only where the run
/// first wrote them), and, when the run goes through, the report with
/// `sorted_list_length` (-1 = all) elements per list.  `write_skipped` is
/// called before the closing line when files were skipped.
MergeResult write_merge(
    const MergePlan& plan, int32_t sorted_list_length, int unit,
    const std::function<void(const std::vector<MergedSkip>&, int unit)>& write_skipped = {},
    std::optional<double> fail_above = {});

}  // namespace driver
