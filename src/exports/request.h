// What the user asked for beside the fixed-column report (see exports.h):
// the run state carries it, so this header holds nothing else.
#pragma once

#include <cstddef>
#include <string>

namespace exports {

/// What the user asked for.  Empty csv_dir and html_file: nothing is
/// collected and the run is the plain run.
struct Request {
  std::string csv_dir;    ///< ends.csv, elements.csv, files.csv (and history.csv) go here
  std::string html_file;  ///< the HTML page
  int history = -1;       ///< ends per file in history.csv; -1 = no history.csv

  [[nodiscard]] bool empty() const { return csv_dir.empty() && html_file.empty(); }
  /// Ends per file whose history is collected (history.csv and the page's
  /// chart): `history` when given, else 10 for the page's chart, else 0.
  [[nodiscard]] std::size_t history_ends() const;
};

/// Ends whose history the page draws when --history is not given.
inline constexpr std::size_t kPageHistoryEnds = 10;

}  // namespace exports
