// The file loop: every listed RAF file is opened, its arrays are recalled,
// the first file's step dialogue is run, and the geometry and result passes
// of the pancake check fill the file's result block; after the last file the
// report is written.  A failure before the result pass ends the run through
// the PEAKS exit; with --keep-going the file is skipped instead and the
// report covers the files that were checked.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/check.h"
#include "dms/dms.h"
#include "driver/dialogue.h"
#include "driver/driver.h"
#include "driver/messages.h"
#include "driver/raf_open.h"
#include "driver/report.h"
#include "driver/result_blocks.h"
#include "driver/structure.h"
#include "exports/exports.h"
#include "platform/local_time.h"
#include "platform/units.h"
#include "recall/recall.h"
#include "textio/textio.h"

namespace driver {

using platform::kLogFile;
using platform::kOutputFile;
using platform::kRafFile;
using platform::kScreen;

namespace {

/// Array-name table handed to the in-core store: name n is array number n.
constexpr int32_t kUserArrays = recall::kProgramArrayNumbers;
constexpr const auto& kArrayNames = recall::kProgramArrayNames;
constexpr int32_t kLongestName = 8;

/// Values the capacity check allows: files x 10 x elements.
constexpr int64_t kResultCapacity = 100000000;

void peaks_exit(RunState& run, const std::string& detail = {}) {
  platform::write_record(kOutputFile, "");
  platform::write_record(kOutputFile, "  *** ERROR IN PEAKS   ***");
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
  platform::write_record(kOutputFile, "  *** ERROR IN ARGTIP ***");
  platform::write_record(kOutputFile, "      Array " + std::string(name) + " " + detail);
  --status;
}

// The view of the array `name` at `pointer`: its length from the store, its
// element size checked against the view it is read through, its storage
// checked to lie inside the work array.
template <class T>
dms::Vec1<T> array_view(const RunState& run, std::string_view name, int32_t pointer,
                        int32_t& status) {
  constexpr int32_t kWords = sizeof(T) / 4;
  const int32_t length = dms::DMSINQ(run.iw, name, dms::kInquireLength);
  const int32_t words = dms::DMSINQ(run.iw, name, dms::kInquireWordsPerElement);
  if (words != kWords) {
    lookup_error(name,
                 "holds elements of " + std::to_string(words) + " words; " +
                     std::to_string(kWords) + " expected",
                 status);
    return {};
  }
  const int64_t elements = sizeof(T) == 4 ? run.iw.size() : run.rw.size();
  if (pointer < 1 || length < 0 || int64_t{pointer} - 1 + length > elements) {
    lookup_error(name, "lies outside the work space", status);
    return {};
  }
  T* base = nullptr;
  if constexpr (sizeof(T) == 4) {
    base = run.iw.data() + (pointer - 1);
  } else {
    base = run.rw.data() + (pointer - 1);
  }
  return dms::Vec1<T>(base, length);
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

  a.mstru = lookup<int32_t>(run, "MSTRU", run.status);
  a.mglres = lookup<int32_t>(run, "MGLRES", run.status);
  a.tglres = lookup<double>(run, "TGLRES", run.status);
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
    platform::write_record(kScreen, " This is a Time Domain Simulation");
    empty(2);
    run.load_case = 1;
    const std::string answer =
        driver::answer(run, Question::kTime, "Give Time  (Default is up to max): ");
    if (textio::LENTRM(answer) == 0) {
      platform::write_record(kScreen, " Checks entire simulation");
      empty(2);
      run.step_limit_on = 0;
    } else {
      run.step_limit = answer_real(answer);
      run.step_limit_on = 1;
      platform::write_record(kScreen,
                             " Checks to Time  :" + textio::fixed_field(run.step_limit, 10, 3));
    }
  } else {
    empty(2);
    platform::write_record(kScreen, " This is a Static Simulation with load case/level");
    empty(2);
    const std::string answer =
        driver::answer(run, Question::kLoadCase, "LoadCase  (Default is entire sim): ");
    if (textio::LENTRM(answer) == 0) {
      empty(2);
      platform::write_record(kScreen, " Checks entire simulation    ");
      empty(2);
      run.load_case = 0;
      run.step_limit_on = 0;
    } else {
      run.load_case = answer_int(answer);
      empty(2);
      platform::write_record(kScreen, " Checks Load Case :" + textio::int_field(run.load_case, 6));
      const std::string level =
          driver::answer(run, Question::kLoadLevel, "Load Level (Default is up to max): ");
      if (textio::LENTRM(level) == 0) {
        platform::write_record(kScreen, " Checks entire load case ");
        empty(2);
        run.step_limit_on = 0;
      } else {
        run.step_limit = answer_real(level);
        run.step_limit_on = 1;
        platform::write_record(kScreen,
                               " Checks to Level :" + textio::fixed_field(run.step_limit, 10, 3));
      }
    }
  }

  if (newlty == 1) {
    if (run.step_limit_on == 1) {
      platform::write_record(
          kOutputFile, "#    Up to Time         : " + textio::fixed_field(run.step_limit, 12, 3));
    } else {
      platform::write_record(kOutputFile, "#    Checks Entire Load Case");
    }
  } else if (run.load_case >= 1) {
    platform::write_record(kOutputFile,
                           "# Checks Load Case      : " + textio::int_field(run.load_case, 6));
    if (run.step_limit_on == 1) {
      platform::write_record(
          kOutputFile, "#    Up to Load Level   : " + textio::fixed_field(run.step_limit, 12, 3));
    } else {
      platform::write_record(kOutputFile, "#    Checks Entire Load Case");
    }
  } else {
    platform::write_record(kOutputFile, "# Checks Entire Simulation");
  }
}

void VemRask_IniDMS(dms::IntView iw, int32_t nwiwa, int32_t raf_unit, int32_t output_unit,
                    int32_t& status) {
  int32_t local = 0;
  int32_t unit = output_unit;
  recall::INIDMS(iw, nwiwa, recall::ArrayNameTable(kArrayNames), kUserArrays, kLongestName,
                 raf_unit, recall::MessageControl(&unit, 1), local);
  if (local != 0) {
    platform::write_record(output_unit, "");
    platform::write_record(output_unit, "  *** ERROR IN VemRask_IniDMS ***");
    status = -1;
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
  const platform::LocalTime now = platform::local_time_now();
  char date[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d", now.year, now.month, now.day,
                now.hour, now.minute);
  exports::RunInfo info;
  info.date = date;
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

// Opens, reads and checks file i into its result block.  `a` receives the
// file's arrays once they are known; `collector` takes what the outputs
// beside the report need.
FileOutcome check_file(RunState& run, int32_t i, ResultBlocks& blocks, FileArrays& a,
                       exports::Collector& collector) {
  const std::string& current = run.file_names[static_cast<std::size_t>(i - 1)];
  const std::string name(textio::trimmed(current));
  int32_t output_unit = kOutputFile;
  const recall::MessageControl messages(&output_unit, 1);

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
  platform::write_record(kScreen, std::string(45, '='));
  platform::write_record(kScreen, " Now processing: " + name);

  VemRask_IniDMS(run.iw, run.nwiwa, kRafFile, kOutputFile, run.status);
  if (run.status != 0) return failed(Line::kReasonUnreadable);

  for (std::string_view instruction : {recall::kRecallStructure, recall::kRecallControl,
                                       recall::kRecallGlobal, recall::kRecallResult}) {
    recall::ARRECL(run.iw, run.rw, instruction, 1, kRafFile, messages, run.status);
  }
  if (run.status != 0) return failed(Line::kReasonUnreadable);

  if (!lookup_arrays(run, a)) return failed(Line::kReasonUnreadable);
  if (!read_parameters(run, a)) return failed(Line::kReasonUnreadable);

  // Capacity: the result blocks of the run hold at most as many values as
  // 1000 files of 10,000 elements would.
  if (a.nel < 0) {
    return failed(line_text(Line::kReasonNel, {std::to_string(a.nel)}),
                  "      The element count NEL =" + textio::int_field(a.nel, 12) +
                      " of this file is not valid");
  }
  const int64_t values = int64_t{run.file_count} * kValuesPerElement * a.nel;
  if (values > kResultCapacity) {
    return failed(
        line_text(Line::kReasonCapacity, {std::to_string(values), std::to_string(kResultCapacity)}),
        "      " + std::to_string(run.file_count) + " files x " +
            std::to_string(kValuesPerElement) + " x " + std::to_string(a.nel) +
            " elements = " + std::to_string(values) + " result values exceed the capacity of " +
            std::to_string(kResultCapacity));
  }

  // The step dialogue, for the first file read far enough to know its kind.
  if (!run.step_dialogue_done) {
    if (const char* option = step_option_misfit(run.options, a.newlty)) {
      const std::string kind = a.newlty == 1 ? "time domain" : "static";
      platform::write_record(kScreen, line_text(Line::kStepOptionScreen, {name, option, kind}));
      report_failure(Line::kStepOption, {name, option, kind});
      run.step_option_misfit = true;
      run.status = -1;
      return run_ends();
    }
    step_dialogue(run, a.newlty);
    run.step_dialogue_done = true;
  }

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

}  // namespace

void file_loop(RunState& run) {
  if (run.file_count > kMaxFiles) {
    report_failure(Line::kTooManyFiles,
                   {run.list_name, std::to_string(run.file_count), std::to_string(kMaxFiles)});
    peaks_exit(run, "      The list names " + std::to_string(run.file_count) +
                        " RAF files; a run takes at most " + std::to_string(kMaxFiles));
    return;
  }

  ResultBlocks blocks(run.file_count);
  // What the report takes from the last checked file; its element numbers
  // are copied out of the work array, which a file skipped after it reuses.
  int32_t last_nel = 0;
  int32_t last_newlty = 0;
  std::vector<int32_t> last_melex;
  std::vector<int32_t> checked;
  exports::Collector collector(run.options.exports);
  start_exports(run, collector);

  for (int32_t i = 1; i <= run.file_count; ++i) {
    // A failed result pass of the file before ends the run here, without
    // a report (its message is in the output file already).
    if (run.status != 0) return;

    FileArrays a;
    const FileOutcome outcome = check_file(run, i, blocks, a, collector);
    if (outcome.kind == FileOutcome::Kind::kRunEnds) return;
    if (outcome.kind == FileOutcome::Kind::kFailed) {
      if (run.options.keep_going) {
        skip_file(run, i, outcome.reason);
        if (collector.active())
          collector.file_skipped(i, run.file_names[static_cast<std::size_t>(i - 1)]);
        continue;
      }
      const std::string name(textio::trimmed(run.file_names[static_cast<std::size_t>(i - 1)]));
      report_failure(Line::kRafRefused, {name, outcome.reason});
      if (outcome.peaks) return peaks_exit(run, outcome.peaks_detail);
      // A failed result pass keeps the run's status at -1: the run ends at
      // the next file, or after the report when it was the last one.
    }
    last_nel = a.nel;
    last_newlty = a.newlty;
    last_melex.assign(a.melex.data(), a.melex.data() + a.melex.size());
    checked.push_back(i);
  }

  int32_t nfiles = run.file_count;
  int32_t name_width = run.longest_name;
  std::vector<std::string> names;
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
               run.sorted_list_length, last_nel,
               dms::Vec1<int32_t>(last_melex.data(), static_cast<int64_t>(last_melex.size())),
               last_newlty, kOutputFile, run.skipped);
  if (run.options.fail_above) {
    run.at_or_above = count_at_or_above(blocks, nfiles, *run.options.fail_above);
  }
  finish_exports(run, collector, last_newlty);
}

}  // namespace driver
