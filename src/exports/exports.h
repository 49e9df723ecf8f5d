// Outputs beside the fixed-column report, written only when asked for: CSV
// tables of the ends, the element results and the files of a run, the
// utilisation history of the governing ends, and a self-contained HTML page.
//
// Every output is written from one data model: a FileResult per listed file
// (built from the file's model arrays after the geometry pass and from its
// result block and the pass's recorder after the result pass) and the frame
// of the last checked file.  The collector builds the model while the file
// loop runs and streams the CSV rows file by file, so a campaign of many
// files holds only the summary the page needs.
//
// Nothing here writes to the screen, the output file or raf.log.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/check.h"
#include "check/step_recorder.h"
#include "exports/request.h"

namespace exports {

/// The model arrays of one file that the outputs read (views of the work
/// array, valid until the next file is recalled).
struct ModelViews {
  int32_t nel = 0;
  check::IntVec meltyp, mgetyp, melgeo, mnpc, mpmnpc, melex;
  check::RealVec tcoord, tcrgeo;
  int32_t mxgepr = 0;
};

// ---- the data model ----------------------------------------------------------

/// One line of the ends table of the geometry pass, unrounded.
struct EndRow {
  int32_t element = 0;  ///< external element number
  int32_t end = 0;
  double d_over_t = 0, thickness_ratio = 0, d = 0, t = 0, d2 = 0, t2 = 0;
};

/// An element record that the result pass set.
struct ElementResult {
  int32_t index = 0;    ///< internal element number (1-based)
  int32_t element = 0;  ///< external element number
  int32_t end = 0;      ///< governing end
  double utilisation = 0;
  int32_t step = 0;
  double step_value = 0;
  double global_displacement = 0;
  int32_t load_case = 0;
};

/// A transition end the result pass evaluated, with its highest utilisation.
struct EndPeak {
  int32_t index = 0;    ///< internal element number
  int32_t element = 0;  ///< external element number
  int32_t end = 0;
  double peak = 0;
};

/// The utilisation of one end at every checked step of its file.
struct EndHistory {
  EndPeak end;
  std::vector<double> utilisation;  ///< one per checked step
};

struct FileResult {
  int32_t position = 0;  ///< 1, 2, ... in the list
  std::string name;      ///< as opened (trimmed)
  bool time_domain = false;
  bool checked = false;
  int32_t steps_checked = 0;
  std::vector<EndRow> ends;
  std::vector<ElementResult> elements;  ///< in element order
  std::vector<EndPeak> checked_ends;    ///< in element order, end 1 before end 2
  std::vector<int32_t> steps;           ///< the checked steps
  std::vector<double> step_values, displacements;
  std::vector<EndHistory> history;  ///< governing ends, highest first

  /// The element of highest utilisation (the first in element order among
  /// equals); nullptr when no record was set.
  [[nodiscard]] const ElementResult* governing() const;
  /// Checked ends whose highest utilisation is at or above 1.0.
  [[nodiscard]] int32_t ends_at_or_above_1() const;
};

struct FrameElement {
  int32_t element = 0;         ///< external number
  std::vector<int32_t> nodes;  ///< node numbers (1-based), in order
};

/// The frame of the last checked file.
struct FrameModel {
  std::vector<std::array<double, 3>> nodes;  ///< node n is nodes[n-1]
  std::vector<FrameElement> elements;        ///< element e is elements[e-1]
  std::vector<EndPeak> ends;                 ///< the checked ends
};

/// What the page says about the run.
struct RunInfo {
  std::string date;        ///< e.g. "2026-12-08 14:05"
  std::string list_file;   ///< may be empty
  std::string step_limit;  ///< the step dialogue's answer in words
  int32_t files_listed = 0;
};

// ---- collection ----------------------------------------------------------------

/// The ends table of the geometry pass (the same transition ends in the same
/// order, values unrounded).  The arrays must have passed its checks.
std::vector<EndRow> end_rows(const ModelViews& m);

/// The records of `block` that the result pass set (value 3, the step, is
/// not 0), with external numbers from MELEX.
std::vector<ElementResult> element_results(check::RealVec block, int32_t values_per_element,
                                           const ModelViews& m);

/// Takes the step count, the peaks of the checked ends and the history of
/// the `history_ends` governing ends from the recorder of the file's pass.
/// False when the history could not be read back (the rest is taken).
bool take_pass(FileResult& file, const check::StepRecorder& recorder, const ModelViews& m,
               std::size_t history_ends);

/// The frame of a file: nodes, elements, checked ends of `file`.
FrameModel frame_model(const ModelViews& m, const FileResult& file);

/// The step dialogue's answers in words, for the page.
std::string describe_step_limit(bool time_domain, int32_t load_case, int32_t step_limit_on,
                                double step_limit);

// ---- writing -------------------------------------------------------------------

/// The shortest text that reads back to the same double.
std::string number(double value);
/// A CSV field: quoted (quotes doubled) when it holds a comma, quote or line
/// end.
std::string csv_field(std::string_view text);

/// The CSV files of a run, written file by file.
class CsvWriter {
 public:
  /// Creates `dir` when missing and opens the files with their headers;
  /// history.csv, with the first `history` ends of every file's history,
  /// only when `history` >= 0.  False with `error` on failure.
  bool open(const std::string& dir, int history, std::string& error);
  /// Appends the rows of one file.
  void add(const FileResult& file);
  /// Flushes and closes; false with `error` when a write failed.
  bool close(std::string& error);

 private:
  struct Files;
  std::shared_ptr<Files> files_;
};

/// The page: accumulates per-file summaries and the envelope, and writes the
/// page at the end.
class HtmlReport {
 public:
  void add(const FileResult& file);
  /// The whole page.
  [[nodiscard]] std::string page(const RunInfo& run, const FrameModel& frame) const;

  struct FileSummary {
    int32_t position = 0;
    std::string name;
    bool time_domain = false;
    bool checked = false;
    int32_t steps_checked = 0;
    bool has_result = false;
    ElementResult governing;
    int32_t ends_at_or_above_1 = 0;
  };
  struct Envelope {
    int32_t element = 0;
    double utilisation = 0;
    int32_t file = 0;
    int32_t end = 0;
  };

 private:
  std::vector<FileSummary> files_;
  std::vector<Envelope> envelope_;  ///< by external element number, sorted
  FileResult chart_file_;           ///< the file of highest utilisation, for the history chart
  bool have_chart_file_ = false;
};

/// The colour of a utilisation on the page's scale ("#rrggbb").
std::string_view utilisation_colour(double u);

// ---- the collector the file loop drives --------------------------------------------

/// What one file gave the collector (record.h has its byte form).
struct Contribution {
  FileResult file;
  bool history_failed = false;  ///< the file's history could not be read back
};

class Collector {
 public:
  explicit Collector(Request request);
  /// A collector that writes nothing: it keeps each file's contribution,
  /// with the history of `history_ends` ends and, when `frame`, the file's
  /// frame, for take() (the share of the outputs a part carries).
  Collector(std::size_t history_ends, bool frame);

  [[nodiscard]] bool active() const { return keep_ || !request_.empty(); }
  /// From here on this collector writes nothing and keeps each file's
  /// contribution for take(), with the frame when the page is asked for (a
  /// worker process's copy of the run's collector).
  void keep_only();
  /// The contribution of the last file collected and its frame, each empty
  /// when none was kept since the last take.
  struct Kept {
    std::optional<Contribution> contribution;
    std::optional<FrameModel> frame;
  };
  Kept take();
  /// A file's contribution collected elsewhere (a worker, a part), taken as
  /// though file_results or file_skipped had given it; `frame` (may be empty)
  /// is the file's frame for the page.  Histories beyond what this run asks
  /// for are dropped.
  void add(Contribution contribution, std::optional<FrameModel> frame);
  /// Opens the CSV files.  False with `error` when they cannot be made (the
  /// CSV files are then left out; the page is still written).
  bool start(std::string& error);
  /// The recorder to hand to the result pass of the current file.
  [[nodiscard]] check::StepRecorder* recorder() { return active() ? &recorder_ : nullptr; }
  /// After the geometry pass of file `position`.
  void file_geometry(int32_t position, std::string_view name, int32_t newlty, const ModelViews& m);
  /// After the result pass of the current file.
  void file_results(check::RealVec block, int32_t values_per_element, const ModelViews& m);
  /// A file left out of the run.
  void file_skipped(int32_t position, std::string_view name);
  /// Writes what is still to be written; false with `error` on failure.
  bool finish(const RunInfo& run, std::string& error);

 private:
  void keep(bool checked, const ModelViews* m);
  Request request_;
  std::size_t history_ends_ = 0;
  bool keep_ = false;        // write nothing; keep contributions
  bool keep_frame_ = false;  // with the frame of a checked file
  Kept kept_;
  check::StepRecorder recorder_;
  CsvWriter csv_;
  bool csv_open_ = false;
  HtmlReport html_;
  FileResult current_;
  FrameModel frame_;
  std::string history_error_;
};

}  // namespace exports
