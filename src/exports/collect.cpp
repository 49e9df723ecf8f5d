// Building the data model of the outputs from the model arrays, the result
// block and the recorder of the result pass, and the collector that the file
// loop drives.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "check/check_detail.h"
#include "check/result_record.h"
#include "exports/exports.h"
#include "textio/textio.h"

namespace exports {
namespace {

namespace record = check::result_record;

check::detail::PipeModel pipe_model(const ModelViews& m) {
  return check::detail::pipe_model(m.nel, m.meltyp, m.melgeo, m.mgetyp, m.mnpc, m.mpmnpc, m.tcoord,
                                   m.tcrgeo, m.mxgepr);
}

int32_t as_int(double value) {
  return static_cast<int32_t>(value);
}

}  // namespace

std::size_t Request::history_ends() const {
  if (history >= 0) return static_cast<std::size_t>(history);
  return html_file.empty() ? 0 : kPageHistoryEnds;
}

const ElementResult* FileResult::governing() const {
  const ElementResult* best = nullptr;
  for (const ElementResult& e : elements) {
    if (best == nullptr || e.utilisation > best->utilisation) best = &e;
  }
  return best;
}

int32_t FileResult::ends_at_or_above_1() const {
  int32_t count = 0;
  for (const EndPeak& e : checked_ends) count += e.peak >= 1.0 ? 1 : 0;
  return count;
}

std::vector<EndRow> end_rows(const ModelViews& m) {
  const check::detail::PipeModel p = pipe_model(m);
  const check::detail::EndTable table = check::detail::build_end_table(p);
  std::vector<EndRow> rows;
  for (int32_t e = 1; e <= m.nel; ++e) {
    if (!check::detail::is_pipe(p, e)) continue;
    for (int32_t k = 1; k <= 2; ++k) {
      if (!table.is_transition(e, k)) continue;
      const check::detail::EndGeometry& g = table.at(e, k);
      rows.push_back(EndRow{m.melex(e), k, g.d / g.t, g.t2 / g.t, g.d, g.t, g.d2, g.t2});
    }
  }
  return rows;
}

std::vector<ElementResult> element_results(check::RealVec block, int32_t values_per_element,
                                           const ModelViews& m) {
  std::vector<ElementResult> results;
  const int64_t records = values_per_element > 0 ? block.size() / values_per_element : 0;
  for (int32_t e = 1; e <= m.nel && e <= records; ++e) {
    const int64_t base = int64_t{e - 1} * values_per_element;
    if (block(base + record::kStep) == 0.0) continue;
    ElementResult r;
    r.index = e;
    r.element = m.melex(e);
    r.utilisation = block(base + record::kUtilisation);
    r.end = as_int(block(base + record::kEnd));
    r.step = as_int(block(base + record::kStep));
    r.step_value = block(base + record::kStepValue);
    r.global_displacement = block(base + record::kDisplacement);
    r.load_case = as_int(block(base + record::kLoadCase));
    results.push_back(r);
  }
  return results;
}

bool take_pass(FileResult& file, const check::StepRecorder& recorder, const ModelViews& m,
               std::size_t history_ends) {
  file.steps_checked = recorder.steps_checked();
  file.steps = recorder.steps();
  file.step_values = recorder.step_values();
  file.displacements = recorder.displacements();
  const std::vector<check::EndId>& ends = recorder.ends();
  file.checked_ends.clear();
  for (std::size_t c = 0; c < ends.size(); ++c) {
    file.checked_ends.push_back(
        EndPeak{ends[c].element, m.melex(ends[c].element), ends[c].end, recorder.peaks()[c]});
  }
  file.history.clear();
  if (history_ends == 0 || ends.empty()) return true;
  const std::vector<std::size_t> wanted = recorder.governing(history_ends);
  std::vector<std::vector<double>> values;
  if (!recorder.columns(wanted, values)) return false;
  for (std::size_t w = 0; w < wanted.size(); ++w) {
    file.history.push_back(EndHistory{file.checked_ends[wanted[w]], std::move(values[w])});
  }
  return true;
}

FrameModel frame_model(const ModelViews& m, const FileResult& file) {
  FrameModel frame;
  const int64_t nodes = m.tcoord.size() / 3;
  frame.nodes.reserve(static_cast<std::size_t>(nodes));
  for (int64_t n = 1; n <= nodes; ++n) {
    frame.nodes.push_back({m.tcoord(3 * n - 2), m.tcoord(3 * n - 1), m.tcoord(3 * n)});
  }
  frame.elements.reserve(static_cast<std::size_t>(m.nel));
  for (int32_t e = 1; e <= m.nel; ++e) {
    FrameElement element{m.melex(e), {}};
    for (int64_t p = m.mpmnpc(e); p < m.mpmnpc(e + 1); ++p) element.nodes.push_back(m.mnpc(p));
    frame.elements.push_back(std::move(element));
  }
  frame.ends = file.checked_ends;
  return frame;
}

std::string describe_step_limit(bool time_domain, int32_t load_case, int32_t step_limit_on,
                                double step_limit) {
  const std::string limit = number(step_limit);
  if (time_domain) {
    return step_limit_on == 1 ? "time history up to time " + limit : "entire time history";
  }
  if (load_case < 1) return "entire simulation";
  std::string text = "load case " + std::to_string(load_case);
  return text + (step_limit_on == 1 ? ", up to load level " + limit : ", entire load case");
}

// ---- the collector -----------------------------------------------------------------

Collector::Collector(Request request)
    : request_(std::move(request)),
      history_ends_(request_.history_ends()),
      recorder_(history_ends_ > 0) {}

Collector::Collector(std::size_t history_ends, bool frame)
    : history_ends_(history_ends), keep_(true), keep_frame_(frame), recorder_(history_ends > 0) {}

void Collector::keep_only() {
  keep_ = true;
  keep_frame_ = !request_.html_file.empty();
  // The CSV files belong to the run that opened them.
  csv_open_ = false;
}

Collector::Kept Collector::take() {
  return std::exchange(kept_, Kept{});
}

bool Collector::start(std::string& error) {
  if (request_.csv_dir.empty()) return true;
  csv_open_ = csv_.open(request_.csv_dir, request_.history, error);
  return csv_open_;
}

void Collector::file_geometry(int32_t position, std::string_view name, int32_t newlty,
                              const ModelViews& m) {
  current_ = FileResult{};
  current_.position = position;
  current_.name = std::string(textio::trimmed(name));
  current_.time_domain = newlty == 1;
  current_.ends = end_rows(m);
}

void Collector::file_results(check::RealVec block, int32_t values_per_element,
                             const ModelViews& m) {
  current_.checked = true;
  current_.elements = element_results(block, values_per_element, m);
  const bool history_read = take_pass(current_, recorder_, m, history_ends_);
  if (keep_) {
    kept_.contribution = Contribution{std::move(current_), !history_read};
    if (keep_frame_) kept_.frame = frame_model(m, kept_.contribution->file);
    return;
  }
  std::optional<FrameModel> frame;
  if (!request_.html_file.empty()) frame = frame_model(m, current_);
  add(Contribution{std::move(current_), !history_read}, std::move(frame));
}

void Collector::file_skipped(int32_t position, std::string_view name) {
  Contribution skipped;
  skipped.file.position = position;
  skipped.file.name = std::string(textio::trimmed(name));
  if (keep_) {
    kept_ = Kept{std::move(skipped), std::nullopt};
    return;
  }
  add(std::move(skipped), std::nullopt);
}

void Collector::add(Contribution contribution, std::optional<FrameModel> frame) {
  FileResult& file = contribution.file;
  if (contribution.history_failed && history_error_.empty()) {
    history_error_ = "the utilisation history of " + file.name + " could not be read back";
  }
  if (file.history.size() > history_ends_) file.history.resize(history_ends_);
  if (csv_open_) csv_.add(file);
  if (!request_.html_file.empty()) {
    html_.add(file);
    if (file.checked && frame) frame_ = std::move(*frame);
  }
}

bool Collector::finish(const RunInfo& run, std::string& error) {
  bool ok = history_error_.empty();
  error = history_error_;
  auto fail = [&](const std::string& what) {
    if (error.empty()) error = what;
    ok = false;
  };
  std::string csv_error;
  if (csv_open_ && !csv_.close(csv_error)) fail(csv_error);
  csv_open_ = false;
  if (!request_.html_file.empty()) {
    std::FILE* f = std::fopen(request_.html_file.c_str(), "wb");
    if (f == nullptr) {
      fail("cannot open " + request_.html_file);
    } else {
      const std::string text = html_.page(run, frame_);
      const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
      if (std::fclose(f) != 0 || !written) fail("cannot write " + request_.html_file);
    }
  }
  return ok;
}

}  // namespace exports
