// What the result-step pass can record beside the result block, when a caller
// asks for it: the number of steps checked, the highest utilisation of every
// transition end, and optionally the utilisation of every transition end at
// every checked step (its history).
//
// The history is a table of one row per checked step and one column per
// transition end, in the order the pass evaluates them (element order, end 1
// before end 2).  The rows are held in memory up to a budget; a table larger
// than the budget is spilled to an unnamed temporary file chunk by chunk and
// read back column-wise when asked, so the memory stays at the budget
// whatever the model and the number of steps, and every value is kept
// exactly as the pass computed it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "dms/work_array.h"

namespace check {

/// One element end: internal element number (1-based) and end (1 or 2).
struct EndId {
  int32_t element = 0;
  int32_t end = 0;
};

class StepRecorder {
 public:
  /// Memory the history rows may hold before they are spilled to a file.
  static constexpr std::size_t kDefaultBudget = std::size_t{16} << 20U;

  /// `keep_history`: store every step's row; else only the peaks and the
  /// step count are kept.  `budget_bytes`: memory for history rows (at
  /// least one row is always held).
  explicit StepRecorder(bool keep_history, std::size_t budget_bytes = kDefaultBudget);

  // ---- used by the pass
  /// Starts a pass over the transition ends `ends` (the table's columns);
  /// `max_steps` is the number of steps the pass may check.  Clears what a
  /// pass before recorded.
  void begin(std::vector<EndId> ends, int32_t max_steps);
  /// Where the pass writes the utilisation of the ends at the current step,
  /// one value per column in column order.
  [[nodiscard]] double* row() { return current_; }
  /// Closes the current step's row.  When the rows cannot be spilled the
  /// history is dropped (has_history() turns false); peaks and counts stay.
  void commit(int32_t step, double step_value, double displacement);

  // ---- read after the pass
  [[nodiscard]] int32_t steps_checked() const { return static_cast<int32_t>(steps_.size()); }
  [[nodiscard]] const std::vector<EndId>& ends() const { return ends_; }
  /// Highest utilisation of every column over the checked steps (0 before
  /// the first step).
  [[nodiscard]] const std::vector<double>& peaks() const { return peaks_; }
  [[nodiscard]] const std::vector<int32_t>& steps() const { return steps_; }
  [[nodiscard]] const std::vector<double>& step_values() const { return step_values_; }
  [[nodiscard]] const std::vector<double>& displacements() const { return displacements_; }
  /// True when every checked step's row is held (in memory or spilled).
  [[nodiscard]] bool has_history() const { return keep_history_ && !failed_; }
  /// True when the rows did not fit the budget and went to a file.
  [[nodiscard]] bool spilled() const { return spilled_rows_ > 0; }

  /// The `n` columns of highest peak, highest first; equal peaks in column
  /// order.
  [[nodiscard]] std::vector<std::size_t> governing(std::size_t n) const;
  /// The history of the given columns, one vector of steps_checked() values
  /// per column.  False when there is no history or a spilled chunk cannot be
  /// read back.
  bool columns(const std::vector<std::size_t>& wanted, std::vector<std::vector<double>>& out) const;

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  void spill();
  [[nodiscard]] double* chunk() const { return reinterpret_cast<double*>(chunk_.bytes()); }

  bool keep_history_;
  std::size_t budget_;
  bool failed_ = false;
  std::vector<EndId> ends_;
  std::vector<double> peaks_;
  std::vector<int32_t> steps_;
  std::vector<double> step_values_;
  std::vector<double> displacements_;
  /// rows_per_chunk_ rows of ends_.size() values, not initialised; held
  /// like the work array (large pages where the system has them), so the
  /// rows a pass writes take a few page faults instead of one per 4 KB.
  dms::WorkArray chunk_;
  std::size_t chunk_values_ = 0;  ///< values chunk_ holds
  std::size_t max_steps_ = 0;
  std::size_t rows_per_chunk_ = 0;
  std::size_t rows_in_chunk_ = 0;
  std::size_t spilled_rows_ = 0;  ///< rows in the file, in whole chunks
  std::unique_ptr<std::FILE, FileCloser> spill_file_;
  double* current_ = nullptr;
};

}  // namespace check
