// The recorder of the result-step pass: peaks, step count and the history
// table with its spill file.
#include "check/step_recorder.h"

#include <algorithm>
#include <new>
#include <numeric>
#include <utility>

namespace check {

StepRecorder::StepRecorder(bool keep_history, std::size_t budget_bytes)
    : keep_history_(keep_history), budget_(budget_bytes) {}

void StepRecorder::begin(std::vector<EndId> ends, int32_t max_steps) {
  ends_ = std::move(ends);
  const std::size_t columns = ends_.size();
  peaks_.assign(columns, 0.0);
  steps_.clear();
  step_values_.clear();
  displacements_.clear();
  const auto steps = static_cast<std::size_t>(std::max(max_steps, 0));
  max_steps_ = steps;
  steps_.reserve(steps);
  step_values_.reserve(steps);
  displacements_.reserve(steps);
  failed_ = false;
  spilled_rows_ = 0;
  rows_in_chunk_ = 0;
  spill_file_.reset();
  // Without a history one row is enough: it is overwritten at every step.
  rows_per_chunk_ = 1;
  if (keep_history_ && columns > 0) {
    const std::size_t fit = budget_ / (columns * sizeof(double));
    rows_per_chunk_ = std::clamp<std::size_t>(fit, 1, std::max<std::size_t>(steps, 1));
  }
  const std::size_t values = std::max<std::size_t>(rows_per_chunk_ * columns, 1);
  if (values > chunk_values_) {
    chunk_ = dms::WorkArray(static_cast<int64_t>(values * (sizeof(double) / 4)));
    if (!chunk_.ok()) throw std::bad_alloc();
    chunk_values_ = values;
  }
  current_ = chunk();
}

void StepRecorder::commit(int32_t step, double step_value, double displacement) {
  const std::size_t columns = ends_.size();
  const double* row = current_;
  double* peaks = peaks_.data();
  if (steps_.empty()) {
    std::copy(row, row + columns, peaks);
  } else {
    // A peak moves only to a larger value (never to a NaN): the same as
    // `if (row[c] > peak) peak = row[c]`, in a form the compiler vectorises.
    for (std::size_t c = 0; c < columns; ++c) peaks[c] = peaks[c] < row[c] ? row[c] : peaks[c];
  }
  steps_.push_back(step);
  step_values_.push_back(step_value);
  displacements_.push_back(displacement);
  if (!keep_history_ || failed_ || columns == 0) return;
  ++rows_in_chunk_;
  // A full chunk goes to the file only when another row may follow.
  if (rows_in_chunk_ == rows_per_chunk_ && steps_.size() < max_steps_) spill();
  current_ = chunk() + rows_in_chunk_ * columns;
}

// Writes the full chunk to the spill file and empties it.
void StepRecorder::spill() {
  if (!spill_file_) spill_file_.reset(std::tmpfile());
  const std::size_t values = rows_in_chunk_ * ends_.size();
  if (!spill_file_ || std::fwrite(chunk(), sizeof(double), values, spill_file_.get()) != values) {
    failed_ = true;
    spill_file_.reset();
  } else {
    spilled_rows_ += rows_in_chunk_;
  }
  rows_in_chunk_ = 0;
}

std::vector<std::size_t> StepRecorder::governing(std::size_t n) const {
  std::vector<std::size_t> order(peaks_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const std::size_t kept = std::min(n, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(kept), order.end(),
                    [this](std::size_t a, std::size_t b) {
                      if (peaks_[a] != peaks_[b]) return peaks_[a] > peaks_[b];
                      return a < b;
                    });
  order.resize(kept);
  return order;
}

bool StepRecorder::columns(const std::vector<std::size_t>& wanted,
                           std::vector<std::vector<double>>& out) const {
  out.assign(wanted.size(), {});
  if (!has_history()) return false;
  const std::size_t columns = ends_.size();
  for (auto& values : out) values.reserve(steps_.size());
  auto take = [&](const double* rows, std::size_t count) {
    for (std::size_t r = 0; r < count; ++r) {
      for (std::size_t w = 0; w < wanted.size(); ++w)
        out[w].push_back(rows[r * columns + wanted[w]]);
    }
  };
  if (spilled_rows_ > 0) {
    // Read the file back a chunk at a time through a buffer of the chunk's
    // size, so the memory stays at twice the budget at most.
    std::FILE* f = spill_file_.get();
    if (f == nullptr || std::fseek(f, 0, SEEK_SET) != 0) return false;
    std::vector<double> buffer(rows_per_chunk_ * columns);
    for (std::size_t done = 0; done < spilled_rows_;) {
      const std::size_t rows = std::min(rows_per_chunk_, spilled_rows_ - done);
      if (std::fread(buffer.data(), sizeof(double), rows * columns, f) != rows * columns) {
        return false;
      }
      take(buffer.data(), rows);
      done += rows;
    }
    if (std::fseek(f, 0, SEEK_END) != 0) return false;
  }
  take(chunk(), rows_in_chunk_);
  return true;
}

}  // namespace check
