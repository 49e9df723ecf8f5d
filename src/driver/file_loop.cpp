// The file loop: every listed RAF file is opened, its arrays are recalled,
// the first file's step dialogue is run, and the geometry and result passes
// of the pancake check fill the file's result block; after the last file the
// report is written.  A failure before the result pass ends the run through
// the PEAKS exit; with --keep-going the file is skipped instead and the
// report covers the files that were checked.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "campaign/file_capture.h"
#include "campaign/part_file.h"
#include "campaign/worker_pool.h"
#include "check/check.h"
#include "dms/dms.h"
#include "dms/named_view.h"
#include "driver/dialogue.h"
#include "driver/driver.h"
#include "driver/messages.h"
#include "driver/part_exports.h"
#include "driver/raf_open.h"
#include "driver/report.h"
#include "driver/result_blocks.h"
#include "driver/structure.h"
#include "exports/exports.h"
#include "platform/local_time.h"
#include "platform/units.h"
#include "recall/recall.h"
#include "textio/textio.h"
#include "version/version.h"

namespace driver {

using platform::kLogFile;
using platform::kOutputFile;
using platform::kRafFile;
using platform::kScreen;

namespace {

/// Values the capacity check allows: files x 10 x elements.
constexpr int64_t kResultCapacity = 100000000;

void peaks_exit(RunState& run, const std::string& detail = {}) {
  platform::write_record(kOutputFile, "");
  platform::write_record(kOutputFile, line_text(Line::kPeaksError));
  if (!detail.empty()) platform::write_record(kOutputFile, detail);
  run.status = -1;
}

/// The arrays of one RAF file that the pancake check reads, as views of the
/// work array, and the structure parameters.
struct FileArrays {
  dms::Vec1<int32_t> mstru, mglres, meltyp, melgeo, melmat, melex, mpevec, mgetyp, matyp, mnpc,
      mpmnpc;
  dms::Vec1<double> tglres, tcrgeo, tgepa, tmapa, tcoord;
  int32_t mxglpr = 0, mxgepr = 0, mxmapr = 0, lststo = 0, nel = 0, newlty = 0;
};

std::string padded(std::string_view name) {
  return textio::fixed(name, 8);
}

void lookup_error(std::string_view name, const std::string& detail, int32_t& status) {
  platform::write_record(kOutputFile, "");
  platform::write_record(kOutputFile, line_text(Line::kLookupError));
  platform::write_record(kOutputFile, line_text(Line::kLookupDetail, {name, detail}));
  --status;
}

// The view of the array `name` at `pointer`, checked by the store's view
// rules; a fault is reported as a lookup error.
template <class T>
dms::Vec1<T> array_view(const RunState& run, std::string_view name, int32_t pointer,
                        int32_t& status) {
  dms::NamedView<T> view;
  if constexpr (std::is_same_v<T, int32_t>) {
    view = dms::named_view(run.iw, run.iw, name, pointer);
  } else {
    view = dms::named_view(run.iw, run.rw, name, pointer);
  }
  if (view.fault == dms::ViewFault::kElementSize) {
    lookup_error(name, line_text(Line::kLookupWordSize, {view.words, dms::kWordsPerElement<T>}),
                 status);
  } else if (view.fault == dms::ViewFault::kOutside) {
    lookup_error(name, line_text(Line::kLookupOutside), status);
  }
  return view.values;
}

template <class T>
dms::Vec1<T> lookup(RunState& run, std::string_view name, int32_t& status) {
  int32_t lookup_status = 0;
  const int32_t pointer = recall::ARGTIP(run.iw, padded(name), kOutputFile, lookup_status);
  if (lookup_status != 0) {
    status += lookup_status;
    return {};
  }
  return array_view<T>(run, name, pointer, status);
}

// The two lookup groups; false when either failed.
bool lookup_arrays(RunState& run, FileArrays& a) {
  a.mstru = lookup<int32_t>(run, "MSTRU", run.status);
  a.mglres = lookup<int32_t>(run, "MGLRES", run.status);
  a.tglres = lookup<double>(run, "TGLRES", run.status);
  a.tcrgeo = lookup<double>(run, "TCRGEO", run.status);
  a.tgepa = lookup<double>(run, "TGEPA", run.status);
  a.tmapa = lookup<double>(run, "TMAPA", run.status);
  lookup<double>(run, "TFLE", run.status);  // only has to be present
  a.tcoord = lookup<double>(run, "TCOORD", run.status);
  if (run.status != 0) return false;

  // MSTRU, MGLRES and TGLRES keep their views from the first group: a lookup
  // that succeeds changes nothing in the store, so nothing has moved.
  a.meltyp = lookup<int32_t>(run, "MELTYP", run.status);
  a.melgeo = lookup<int32_t>(run, "MELGEO", run.status);
  a.melmat = lookup<int32_t>(run, "MELMAT", run.status);
  a.melex = lookup<int32_t>(run, "MELEX", run.status);
  a.mpevec = lookup<int32_t>(run, "MPEVEC", run.status);
  a.mgetyp = lookup<int32_t>(run, "MGETYP", run.status);
  a.matyp = lookup<int32_t>(run, "MATYP", run.status);
  a.mnpc = lookup<int32_t>(run, "MNPC", run.status);
  a.mpmnpc = lookup<int32_t>(run, "MPMNPC", run.status);
  return run.status == 0;
}

bool read_parameters(RunState& run, FileArrays& a) {
  a.mxglpr = GTSTRU(a.mstru, padded("MXGLPR"), kOutputFile, run.status);
  a.mxgepr = GTSTRU(a.mstru, padded("MXGEPR"), kOutputFile, run.status);
  a.mxmapr = GTSTRU(a.mstru, padded("MXMAPR"), kOutputFile, run.status);
  a.lststo = GTSTRU(a.mstru, padded("LSTSTO"), kOutputFile, run.status);
  a.nel = GTSTRU(a.mstru, padded("NEL"), kOutputFile, run.status);
  a.newlty = GTSTRU(a.mstru, padded("NEWLTY"), kOutputFile, run.status);
  return run.status == 0;
}

// The step dialogue of the first file, with its line in the output file.
void step_dialogue(RunState& run, int32_t newlty) {
  auto empty = [](int count) {
    for (int k = 0; k < count; ++k) platform::write_record(kScreen, "");
  };
  if (newlty == 1) {
    empty(2);
    platform::write_record(kScreen, line_text(Line::kTimeDomainHeading));
    empty(2);
    run.load_case = 1;
    const std::string answer = driver::answer(run, Question::kTime, line_text(Line::kTimeQuestion));
    if (textio::LENTRM(answer) == 0) {
      platform::write_record(kScreen, line_text(Line::kEntireSimulation));
      empty(2);
      run.step_limit_on = 0;
    } else {
      run.step_limit = answer_real(answer);
      run.step_limit_on = 1;
      platform::write_record(
          kScreen, line_text(Line::kUpToTime, {textio::fixed_field(run.step_limit, 10, 3)}));
    }
  } else {
    empty(2);
    platform::write_record(kScreen, line_text(Line::kStaticHeading));
    empty(2);
    const std::string answer =
        driver::answer(run, Question::kLoadCase, line_text(Line::kLoadCaseQuestion));
    if (textio::LENTRM(answer) == 0) {
      empty(2);
      platform::write_record(kScreen, line_text(Line::kEntireSimulationStatic));
      empty(2);
      run.load_case = 0;
      run.step_limit_on = 0;
    } else {
      run.load_case = answer_int(answer);
      empty(2);
      platform::write_record(kScreen, line_text(Line::kLoadCaseChecked, {run.load_case}));
      const std::string level =
          driver::answer(run, Question::kLoadLevel, line_text(Line::kLoadLevelQuestion));
      if (textio::LENTRM(level) == 0) {
        platform::write_record(kScreen, line_text(Line::kEntireLoadCase));
        empty(2);
        run.step_limit_on = 0;
      } else {
        run.step_limit = answer_real(level);
        run.step_limit_on = 1;
        platform::write_record(
            kScreen, line_text(Line::kUpToLevel, {textio::fixed_field(run.step_limit, 10, 3)}));
      }
    }
  }

  const std::string limit = textio::fixed_field(run.step_limit, 12, 3);
  if (newlty == 1) {
    if (run.step_limit_on == 1) {
      platform::write_record(kOutputFile, line_text(Line::kOutputUpToTime, {limit}));
    } else {
      platform::write_record(kOutputFile, line_text(Line::kOutputEntireLoadCase));
    }
  } else if (run.load_case >= 1) {
    platform::write_record(kOutputFile, line_text(Line::kOutputLoadCase, {run.load_case}));
    if (run.step_limit_on == 1) {
      platform::write_record(kOutputFile, line_text(Line::kOutputUpToLevel, {limit}));
    } else {
      platform::write_record(kOutputFile, line_text(Line::kOutputEntireLoadCase));
    }
  } else {
    platform::write_record(kOutputFile, line_text(Line::kOutputEntireSimulation));
  }
}

// ---- outputs beside the report (exports/) ------------------------------------
// They are written only when asked for; nothing here writes to the screen,
// the output file or raf.log.  A failure is told on standard error.

exports::ModelViews views_of(const FileArrays& a) {
  exports::ModelViews m;
  m.nel = a.nel;
  m.meltyp = a.meltyp;
  m.mgetyp = a.mgetyp;
  m.melgeo = a.melgeo;
  m.mnpc = a.mnpc;
  m.mpmnpc = a.mpmnpc;
  m.melex = a.melex;
  m.tcoord = a.tcoord;
  m.tcrgeo = a.tcrgeo;
  m.mxgepr = a.mxgepr;
  return m;
}

void exports_failed(RunState& run, const std::string& error) {
  report_failure(Line::kExportFailed, {error});
  run.exports_failed = true;
}

void start_exports(RunState& run, exports::Collector& collector) {
  std::string error;
  if (collector.active() && !collector.start(error)) exports_failed(run, error);
}

void finish_exports(RunState& run, exports::Collector& collector, int32_t newlty) {
  if (!collector.active()) return;
  exports::RunInfo info;
  info.date = page_date();
  info.list_file = run.list_name;
  info.step_limit =
      exports::describe_step_limit(newlty == 1, run.load_case, run.step_limit_on, run.step_limit);
  info.files_listed = run.file_count;
  std::string error;
  if (!collector.finish(info, error)) exports_failed(run, error);
}

// How the work on one file ended.
struct FileOutcome {
  enum class Kind {
    kChecked,  ///< the file's result block is complete
    kFailed,   ///< the file cannot be checked; `reason` says why
    kRunEnds,  ///< the run cannot go on (its line on standard error is written)
  } kind = Kind::kChecked;
  std::string reason;        ///< kFailed: for standard error, after the file's name
  bool peaks = true;         ///< kFailed: the run ends through the PEAKS exit
  std::string peaks_detail;  ///< the line after the PEAKS heading, if any
};

FileOutcome failed(std::string reason, std::string peaks_detail = {}) {
  return {FileOutcome::Kind::kFailed, std::move(reason), true, std::move(peaks_detail)};
}

FileOutcome run_ends() {
  FileOutcome out;
  out.kind = FileOutcome::Kind::kRunEnds;
  return out;
}

FileOutcome failed(Line reason) {
  return failed(line_text(reason));
}

// The step-limit option that does not fit a file of kind `newlty`, if any.
const char* step_option_misfit(const RunOptions& o, int32_t newlty) {
  if (newlty == 1) {
    if (o.load_case) return "load-case";
    if (o.load_level) return "load-level";
    return nullptr;
  }
  return o.time ? "time" : nullptr;
}

// Opens the log and file i, announces it, recalls its data and looks up its
// arrays into `a`; the outcome that stops the file, or nothing when it is
// ready to be checked.
std::optional<FileOutcome> open_and_read(RunState& run, const std::string& current,
                                         const std::string& name, FileArrays& a) {
  const int log_status =
      textio::open_file(textio::fixed(run.options.log_file, kNameLength), kLogFile, 0);
  if (log_status != 0) {
    run.status = -1;
    report_failure(Line::kCannotOpen, {run.options.log_file, status_reason(log_status)});
    return run_ends();
  }

  // A file that cannot be opened fails before it is announced.
  int32_t raf_error = 0;
  INIRAF_0("OLD", current, 1, kRafFile, kScreen, kLogFile, run.status, &raf_error);
  if (run.status != 0) return failed(raf_refusal_reason(raf_error, name));
  platform::write_record(kScreen, line_text(Line::kFileSeparator));
  platform::write_record(kScreen, line_text(Line::kNowProcessing, {name}));

  if (!recall_first_step(run.iw, run.rw, run.nwiwa, kRafFile, kOutputFile, run.status)) {
    return failed(Line::kReasonUnreadable);
  }

  if (!lookup_arrays(run, a)) return failed(Line::kReasonUnreadable);
  if (!read_parameters(run, a)) return failed(Line::kReasonUnreadable);
  return std::nullopt;
}

// Capacity: the result blocks of the run hold at most as many values as
// 1000 files of 10,000 elements would.  The failure of a file whose element
// count does not fit, or nothing.
std::optional<FileOutcome> capacity_refusal(const RunState& run, const FileArrays& a) {
  if (a.nel < 0) {
    return failed(line_text(Line::kReasonNel, {a.nel}), line_text(Line::kNelDetail, {a.nel}));
  }
  const int64_t values = int64_t{run.file_count} * kValuesPerElement * a.nel;
  if (values > kResultCapacity) {
    return failed(line_text(Line::kReasonCapacity, {values, kResultCapacity}),
                  line_text(Line::kCapacityDetail,
                            {run.file_count, kValuesPerElement, a.nel, values, kResultCapacity}));
  }
  return std::nullopt;
}

// The step dialogue, for the first file read far enough to know its kind;
// the end of the run when a step-limit option does not fit that kind, else
// nothing.
std::optional<FileOutcome> settle_steps(RunState& run, int32_t i, const std::string& name,
                                        const FileArrays& a) {
  if (run.step_dialogue_done) return std::nullopt;
  if (const char* option = step_option_misfit(run.options, a.newlty)) {
    const std::string kind = line_text(a.newlty == 1 ? Line::kTimeDomainKind : Line::kStaticKind);
    platform::write_record(kScreen, line_text(Line::kStepOptionScreen, {name, option, kind}));
    report_failure(Line::kStepOption, {name, option, kind});
    run.step_option_misfit = true;
    run.status = -1;
    return run_ends();
  }
  if (run.capture != nullptr) run.capture->step_settings_begin();
  step_dialogue(run, a.newlty);
  if (run.capture != nullptr) run.capture->step_settings_end();
  run.step_dialogue_done = true;
  if (run.after_settled) run.after_settled(i);
  return std::nullopt;
}

// Runs the geometry check and the result pass of file i into its result
// block, handing both to `collector`; the file's outcome.
FileOutcome run_passes(RunState& run, int32_t i, const std::string& current, ResultBlocks& blocks,
                       FileArrays& a, exports::Collector& collector) {
  check::VemRask_04(a.nel, a.meltyp, a.mgetyp, a.melgeo, a.mnpc, a.mpmnpc, a.tcoord, a.tcrgeo,
                    a.mxgepr, a.melex, kOutputFile, run.status);
  if (run.status != 0) return failed(Line::kReasonGeometry);
  if (collector.active()) collector.file_geometry(i, current, a.newlty, views_of(a));

  PreparedBlock block = blocks.prepare(i, a.nel);
  check::VemRask_01(a.mglres, a.tglres, a.mxglpr, a.lststo, a.nel, a.meltyp, a.melex, a.melmat,
                    a.matyp, a.mxmapr, a.tmapa, a.melgeo, a.mgetyp, a.mxgepr, a.tcrgeo, a.mpevec,
                    a.tgepa, block.values, kValuesPerElement, kRafFile, run.iw, run.rw,
                    run.load_case, run.step_limit_on, run.step_limit, a.mnpc, a.mpmnpc, a.tcoord,
                    kOutputFile, run.status, collector.recorder());
  // A file skipped after a failed pass gets its skipped row instead.
  if (collector.active() && (run.status == 0 || !run.options.keep_going)) {
    collector.file_results(block.values, kValuesPerElement, views_of(a));
  }
  if (run.status != 0) {
    FileOutcome out = failed(Line::kReasonResultPass);
    out.peaks = false;  // the pass wrote its message to the output file
    return out;
  }
  return {};
}

// Opens, reads and checks file i into its result block.  `a` receives the
// file's arrays once they are known; `collector` takes what the outputs
// beside the report need.
FileOutcome check_file(RunState& run, int32_t i, ResultBlocks& blocks, FileArrays& a,
                       exports::Collector& collector) {
  const std::string& current = run.file_names[static_cast<std::size_t>(i - 1)];
  const std::string name(textio::trimmed(current));
  if (auto stop = open_and_read(run, current, name, a)) return std::move(*stop);
  if (auto stop = capacity_refusal(run, a)) return std::move(*stop);
  if (auto stop = settle_steps(run, i, name, a)) return std::move(*stop);
  return run_passes(run, i, current, blocks, a, collector);
}

// --keep-going: the file's messages stay where they were written; a line
// names it in the output file, on the screen and on standard error.
void skip_file(RunState& run, int32_t i, const std::string& reason) {
  const std::string name(textio::trimmed(run.file_names[static_cast<std::size_t>(i - 1)]));
  platform::write_record(kOutputFile, "");
  platform::write_record(kOutputFile, line_text(Line::kSkippedOutput, {name}));
  platform::write_record(kScreen, line_text(Line::kSkippedScreen, {name}));
  report_note(Line::kSkipped, {name, reason});
  run.skipped.push_back({i, name});
  run.status = 0;
}

// Element results of files 1..nfiles with value 1 at or above `limit`.
int64_t count_at_or_above(const ResultBlocks& blocks, int32_t nfiles, double limit) {
  int64_t count = 0;
  for (int32_t f = 1; f <= nfiles; ++f) {
    for (int32_t j = 1; j <= blocks.records(f); ++j) {
      if (blocks.value(f, j, 1) >= limit) ++count;
    }
  }
  return count;
}

// What the loop keeps of the files checked so far.
struct LoopState {
  LoopState(int32_t files, exports::Collector& c) : blocks(files), collector(c) {}
  ResultBlocks blocks;
  exports::Collector& collector;  ///< the outputs beside the report
  // What the report takes from the last checked file; its element numbers
  // are copied out of the work array, which a file skipped after it reuses.
  int32_t last_nel = 0;
  int32_t last_newlty = 0;
  std::vector<int32_t> last_melex;
  std::vector<int32_t> checked;
};

void keep_last(LoopState& s, int32_t i, int32_t nel, int32_t newlty, std::vector<int32_t> melex) {
  s.last_nel = nel;
  s.last_newlty = newlty;
  s.last_melex = std::move(melex);
  s.checked.push_back(i);
}

std::vector<int32_t> melex_of(const FileArrays& a) {
  return {a.melex.data(), a.melex.data() + a.melex.size()};
}

// Checks file i and does what the run does with its outcome: a skip under
// --keep-going, the failure line, the PEAKS exit.
campaign::Outcome settle_file(RunState& run, int32_t i, LoopState& s, FileArrays& a) {
  const FileOutcome outcome = check_file(run, i, s.blocks, a, s.collector);
  if (outcome.kind == FileOutcome::Kind::kRunEnds) return campaign::Outcome::kRunEnded;
  if (outcome.kind == FileOutcome::Kind::kFailed) {
    if (run.options.keep_going) {
      skip_file(run, i, outcome.reason);
      if (s.collector.active()) {
        s.collector.file_skipped(i, run.file_names[static_cast<std::size_t>(i - 1)]);
      }
      return campaign::Outcome::kSkipped;
    }
    const std::string name(textio::trimmed(run.file_names[static_cast<std::size_t>(i - 1)]));
    report_failure(Line::kRafRefused, {name, outcome.reason});
    if (outcome.peaks) {
      peaks_exit(run, outcome.peaks_detail);
      return campaign::Outcome::kRunEnded;
    }
    // A failed result pass keeps the run's status at -1: the run ends at
    // the next file, or after the report when it was the last one.
    keep_last(s, i, a.nel, a.newlty, melex_of(a));
    return campaign::Outcome::kPassFailed;
  }
  keep_last(s, i, a.nel, a.newlty, melex_of(a));
  return campaign::Outcome::kChecked;
}

// ---- progress, captured files, workers, parts ------------------------------

constexpr std::array<char, 4> kTimeTag = {'T', 'I', 'M', 'E'};

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// "[k/N] name 1.23 s" on a terminal; nothing where the screen is piped.
void progress_line(const RunState& run, int32_t i, double seconds) {
  static const bool terminal = isatty(STDOUT_FILENO) != 0;
  if (!terminal) return;
  const std::string name(textio::trimmed(run.file_names[static_cast<std::size_t>(i - 1)]));
  std::array<char, 32> time{};
  std::snprintf(time.data(), time.size(), "%.2f", seconds);
  platform::write_record(kScreen, line_text(Line::kProgress, {i, run.file_count, name,
                                                              std::string_view(time.data())}));
}

// Checks file i with its screen, output-file, log and standard-error text
// captured into a record, which also carries the file's result block.
campaign::FileRecord captured_file(RunState& run, int32_t i, LoopState& s, FileArrays& a) {
  const auto start = std::chrono::steady_clock::now();
  campaign::FileRecord record;
  {
    campaign::FileCapture capture;
    run.capture = &capture;
    record.outcome = settle_file(run, i, s, a);
    run.capture = nullptr;
    capture.finish(record);
  }
  const auto k = static_cast<std::size_t>(i - 1);
  record.position = i;
  record.name = textio::trimmed(run.file_names[k]);
  record.list_line_length =
      k < run.name_lengths.size() ? run.name_lengths[k] : textio::LENTRM(run.file_names[k]);
  if (record.outcome == campaign::Outcome::kChecked ||
      record.outcome == campaign::Outcome::kPassFailed) {
    record.nel = a.nel;
    record.newlty = a.newlty;
    record.melex = melex_of(a);
    std::vector<double> values(static_cast<std::size_t>(a.nel) * kValuesPerElement);
    for (int32_t j = 1; j <= s.blocks.records(i); ++j) {
      for (int32_t v = 1; v <= kValuesPerElement; ++v) {
        values[static_cast<std::size_t>((j - 1) * kValuesPerElement + v - 1)] =
            s.blocks.value(i, j, v);
      }
    }
    campaign::set_block(record, values, a.nel);
  }
  add_export_sections(s.collector.take(), record);
  if (record.outcome == campaign::Outcome::kRunEnded && run.step_option_misfit) {
    record.sections.push_back({campaign::format::kStepMisfitSection, {}});
  }
  record.sections.push_back({kTimeTag, std::to_string(seconds_since(start))});
  return record;
}

double record_seconds(const campaign::FileRecord& record) {
  const campaign::Section* time = campaign::find_section(record.sections, kTimeTag);
  return time != nullptr ? std::strtod(time->bytes.c_str(), nullptr) : 0.0;
}

// The parent's side of a worker's record: its text written in list order,
// its outcome applied to the run as the sequential loop applies it.  False
// when the run ends at this file without a report.
bool take_record(RunState& run, const campaign::FileRecord& record, LoopState& s) {
  const int32_t i = record.position;
  campaign::replay(record, true);
  progress_line(run, i, record_seconds(record));
  switch (record.outcome) {
    case campaign::Outcome::kSkipped:
      run.skipped.push_back({i, record.name});
      return true;
    case campaign::Outcome::kRunEnded:
      set_failure_reported();
      run.status = -1;
      return false;
    case campaign::Outcome::kPassFailed:
    case campaign::Outcome::kChecked: {
      const PreparedBlock block = s.blocks.prepare(i, record.nel);
      campaign::fill_block(
          record,
          std::span<double>(block.values.data(), static_cast<std::size_t>(block.values.size())));
      keep_last(s, i, record.nel, record.newlty, record.melex);
      if (record.outcome == campaign::Outcome::kChecked) return true;
      set_failure_reported();
      run.status = -1;
      return i == run.file_count;
    }
  }
  return false;
}

// --jobs: the worker pool runs in a launcher process forked the moment the
// first file has settled the step dialogue, so that the workers start on
// files first..N while this process finishes that file; the launcher sends
// the records through a pipe in list order, each as a frame: kind (0 a
// record, 1 a worker's fault, 2 a failure of the pool), list position,
// byte count, bytes.  Closing the pipe stops the launcher and its workers.
class Launcher {
 public:
  Launcher() = default;
  ~Launcher() { stop(); }
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  void start(RunState& run, int32_t first, LoopState& s) {
    std::array<int, 2> fds{};
    if (::pipe(fds.data()) != 0) return;  // the files are then checked here
    platform::flush_all_units();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return;
    }
    if (pid == 0) {
      ::close(fds[0]);
      std::signal(SIGPIPE, SIG_IGN);
      // Workers hand their files' share of the outputs up in the records,
      // and only when outputs are asked for: a plain run sends none.
      if (s.collector.active()) s.collector.keep_only();
      const int out = fds[1];
      const auto work = [&](int32_t i) {
        FileArrays a;
        return campaign::encode_record(captured_file(run, i, s, a));
      };
      const auto consume = [out](campaign::Delivery& d) {
        return send(out, d.fault.empty() ? 0 : 1, d.index, d.fault.empty() ? d.bytes : d.fault);
      };
      const campaign::PoolResult result =
          campaign::run_pool(first, run.file_count, run.options.jobs, work, consume);
      if (!result.error.empty()) send(out, 2, 0, result.error);
      ::_exit(0);
    }
    ::close(fds[1]);
    pid_ = pid;
    fd_ = fds[0];
  }

  [[nodiscard]] bool running() const { return pid_ > 0; }

  // The next frame; false at the end of the pipe.
  bool next(uint8_t& kind, int32_t& index, std::string& bytes) const {
    std::array<char, 13> head{};
    if (!read_all(head.data(), head.size())) return false;
    uint64_t length = 0;
    kind = static_cast<uint8_t>(head[0]);
    std::memcpy(&index, head.data() + 1, 4);
    std::memcpy(&length, head.data() + 5, 8);
    bytes.resize(length);
    return read_all(bytes.data(), bytes.size());
  }

  void stop() {
    if (pid_ <= 0) return;
    ::close(fd_);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
  }

 private:
  static bool send(int fd, uint8_t kind, int32_t index, const std::string& bytes) {
    std::string frame(13, '\0');
    frame[0] = static_cast<char>(kind);
    const uint64_t length = bytes.size();
    std::memcpy(frame.data() + 1, &index, 4);
    std::memcpy(frame.data() + 5, &length, 8);
    frame += bytes;
    return campaign::write_all(fd, frame.data(), frame.size());
  }
  bool read_all(char* data, std::size_t size) const { return campaign::read_all(fd_, data, size); }
  pid_t pid_ = 0;
  int fd_ = -1;
};

// The records of files first..N from the launcher, in list order.  False
// when the run ends without a report.
bool launched_files(RunState& run, int32_t first, LoopState& s, Launcher& launcher) {
  uint8_t kind = 0;
  int32_t index = 0;
  std::string bytes;
  for (int32_t i = first; i <= run.file_count; ++i) {
    std::string error;
    campaign::FileRecord record;
    if (!launcher.next(kind, index, bytes)) {
      error = line_text(Line::kPoolEndedEarly);
    } else if (kind != 0 || index != i) {
      error = kind == 0 ? line_text(Line::kRecordOutOfOrder) : bytes;
    } else if (!campaign::decode_record(bytes, record, error) ||
               !feed_exports(record, i, s.collector, true, error)) {
      error = line_text(Line::kBadRecord, {error});
    }
    if (!error.empty()) {
      const std::string name(textio::trimmed(run.file_names[static_cast<std::size_t>(i - 1)]));
      report_failure(Line::kWorker, {kind == 2 ? std::string("--jobs") : name, error});
      peaks_exit(run);
      return false;
    }
    if (!take_record(run, record, s)) return false;
  }
  return true;
}

// Ends per file whose history a part records (--history N; none without it).
int32_t part_history(const RunOptions& o) {
  return o.exports.history > 0 ? o.exports.history : 0;
}

// The collector of a run: a part run keeps every file's share of the outputs
// for its records (the data of the CSV files and the page, the histories of
// --history, and the frame); other runs write the outputs asked for.
exports::Collector run_collector(const RunOptions& o) {
  if (o.part) return exports::Collector(static_cast<std::size_t>(part_history(o)), true);
  return exports::Collector(o.exports);
}

// --part: every file's record goes into the part file in place of the
// report; the screen, the log and standard error get their text as always.
// The page draws the frame of the last checked file only, so a record is
// held back until the next one: a later frame drops the held record's.
void part_loop(RunState& run, LoopState& s) {
  const std::string& path = *run.options.part;
  campaign::PartWriter writer;
  std::string error;
  bool ok = writer.open(path, campaign::RunIdentity::fresh(std::string(version::kText)), error);
  std::optional<campaign::FileRecord> held;
  bool settled_here = false;
  for (int32_t i = 1; ok && i <= run.file_count && run.status == 0; ++i) {
    const bool settled = run.step_dialogue_done;
    FileArrays a;
    campaign::FileRecord record = captured_file(run, i, s, a);
    campaign::replay(record, true);
    progress_line(run, i, record_seconds(record));
    if (!settled && run.step_dialogue_done) {
      campaign::RunHeader header;
      header.load_case = run.load_case;
      header.step_limit_on = run.step_limit_on;
      header.step_limit = run.step_limit;
      header.first_kind = a.newlty == 1 ? 1 : 2;
      header.step_lines =
          record.output.substr(record.step_output.offset, record.step_output.length);
      add_part_sections(run.list_name, part_history(run.options), header);
      ok = writer.settle(header, error);
      settled_here = true;
    }
    if (held) {
      if (campaign::find_section(record.sections, campaign::format::kFrameSection) != nullptr) {
        std::erase_if(held->sections, [](const campaign::Section& c) {
          return c.tag == campaign::format::kFrameSection;
        });
      }
      ok = ok && writer.add(*held, error);
    }
    held = std::move(record);
    if (held->outcome == campaign::Outcome::kRunEnded) break;
  }
  if (ok && held) ok = writer.add(*held, error);
  if (ok && !settled_here) {
    // No file reached the step settings: the header has none.
    campaign::RunHeader header;
    add_part_sections(run.list_name, part_history(run.options), header);
    ok = writer.settle(header, error);
  }
  if (ok) ok = writer.commit(error);
  if (!ok) {
    report_failure(Line::kCannotWrite, {path, error});
    run.status = -1;
  }
}

}  // namespace

void file_loop(RunState& run) {
  if (run.file_count > kMaxFiles) {
    report_failure(Line::kTooManyFiles, {run.list_name, run.file_count, kMaxFiles});
    peaks_exit(run, line_text(Line::kTooManyFilesDetail, {run.file_count, kMaxFiles}));
    return;
  }

  exports::Collector collector = run_collector(run.options);
  start_exports(run, collector);
  LoopState s(run.file_count, collector);
  if (run.options.part) return part_loop(run, s);

  // --jobs: once a file has settled the step dialogue, the files after it
  // go to the workers while this process finishes it.  The workers keep
  // what their files give the outputs beside the report; this process
  // writes those outputs from the records, in list order.
  Launcher launcher;
  if (run.options.jobs > 1) {
    run.after_settled = [&](int32_t i) {
      if (i < run.file_count) launcher.start(run, i + 1, s);
    };
  }
  for (int32_t i = 1; i <= run.file_count; ++i) {
    // A failed result pass of the file before ends the run here, without
    // a report (its message is in the output file already).
    if (run.status != 0) return;
    if (launcher.running()) {
      if (!launched_files(run, i, s, launcher)) return;
      break;
    }

    const auto start = std::chrono::steady_clock::now();
    FileArrays a;
    const campaign::Outcome outcome = settle_file(run, i, s, a);
    progress_line(run, i, seconds_since(start));
    if (outcome == campaign::Outcome::kRunEnded) return;
  }

  int32_t nfiles = run.file_count;
  int32_t name_width = run.longest_name;
  std::vector<std::string> names;
  ResultBlocks& blocks = s.blocks;
  const std::vector<int32_t>& checked = s.checked;
  if (!run.skipped.empty()) {
    // The report of a run whose list held only the checked files.
    blocks.keep_only(checked);
    nfiles = static_cast<int32_t>(checked.size());
    name_width = 0;
    for (const int32_t i : checked) {
      const auto k = static_cast<std::size_t>(i - 1);
      names.push_back(run.file_names[k]);
      const int32_t length =
          k < run.name_lengths.size() ? run.name_lengths[k] : textio::LENTRM(run.file_names[k]);
      name_width = std::max(name_width, length);
    }
  }
  // A result pass that failed on the last file still gets its report (the
  // file's records hold what the steps before the failure gave, and the
  // failure message stands above it); the run's status stays -1, so the run
  // ends with exit status 1.
  write_report(blocks, nfiles, run.skipped.empty() ? run.file_names : names, name_width,
               run.sorted_list_length, s.last_nel,
               dms::Vec1<int32_t>(s.last_melex.data(), static_cast<int64_t>(s.last_melex.size())),
               s.last_newlty, kOutputFile, run.skipped);
  if (run.options.fail_above) {
    run.at_or_above = count_at_or_above(blocks, nfiles, *run.options.fail_above);
  }
  finish_exports(run, collector, s.last_newlty);
}

}  // namespace driver
