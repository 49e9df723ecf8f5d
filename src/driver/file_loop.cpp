// The file loop: every listed RAF file is opened, its arrays are recalled,
// the first file's step dialogue is run, and the geometry and result passes
// of the pancake check fill the file's result block; after the last file the
// report is written.  A failure before the result pass ends the run through
// the PEAKS exit.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "check/check.h"
#include "dms/dms.h"
#include "driver/dialogue.h"
#include "driver/driver.h"
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
constexpr int32_t kUserArrays = 50;
constexpr std::array<std::string_view, kUserArrays> kArrayNames = {
    "",       "",       "",       "",       "",       "",       "",       "",      "",
    "",       "MSTRU",  "MSCRA",  "TSCRA2", "ICTEXT", "MGLRES", "TGLRES", "",      "MATYP",
    "MELECC", "MELEX",  "MELGEO", "MELMAT", "MELTYP", "MGETYP", "MNPC",   "MNPEX", "MPEVEC",
    "MPMNPC", "TCOORD", "TCRGEO", "TFLE",   "TMAPA",  "TGEPA",  "",       "",      "",
    "",       "",       "",       "",       "",       "",       "",       "",      "",
    "",       "",       "",       "",       ""};
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
    const std::string answer = ask_answer("Give Time  (Default is up to max): ");
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
    const std::string answer = ask_answer("LoadCase  (Default is entire sim): ");
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
      const std::string level = ask_answer("Load Level (Default is up to max): ");
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
  std::fprintf(stderr, "vemrask: %s\n", error.c_str());
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
  info.list_file = run.exports.list_file;
  info.step_limit =
      exports::describe_step_limit(newlty == 1, run.load_case, run.step_limit_on, run.step_limit);
  info.files_listed = run.file_count;
  std::string error;
  if (!collector.finish(info, error)) exports_failed(run, error);
}

}  // namespace

void file_loop(RunState& run) {
  if (run.file_count > kMaxFiles) {
    peaks_exit(run, "      The list names " + std::to_string(run.file_count) +
                        " RAF files; a run takes at most " + std::to_string(kMaxFiles));
    return;
  }

  int32_t output_unit = kOutputFile;
  const recall::MessageControl messages(&output_unit, 1);
  ResultBlocks blocks(run.file_count);
  FileArrays last;
  exports::Collector collector(run.exports);
  start_exports(run, collector);

  for (int32_t i = 1; i <= run.file_count; ++i) {
    const std::string current = run.file_names[static_cast<std::size_t>(i - 1)];

    // A failed result pass of the file before ends the run here, without
    // a report (its message is in the output file already).
    if (run.status != 0) return;
    textio::OPNFIL(textio::fixed("raf.log", kNameLength), kLogFile, 0, run.status);
    if (run.status != 0) return;

    // A file that cannot be opened ends the run before it is announced.
    INIRAF_0("OLD", current, 1, kRafFile, kScreen, kLogFile, run.status);
    if (run.status != 0) return peaks_exit(run);
    platform::write_record(kScreen, std::string(45, '='));
    platform::write_record(kScreen, " Now processing: " + std::string(textio::trimmed(current)));

    VemRask_IniDMS(run.iw, run.nwiwa, kRafFile, kOutputFile, run.status);
    if (run.status != 0) return peaks_exit(run);

    for (std::string_view instruction : {recall::kRecallStructure, recall::kRecallControl,
                                         recall::kRecallGlobal, recall::kRecallResult}) {
      recall::ARRECL(run.iw, run.rw, instruction, 1, kRafFile, messages, run.status);
    }
    if (run.status != 0) return peaks_exit(run);

    FileArrays a;
    if (!lookup_arrays(run, a)) return peaks_exit(run);
    if (!read_parameters(run, a)) return peaks_exit(run);

    // Capacity: the result blocks of the run hold at most as many values as
    // 1000 files of 10,000 elements would.
    if (a.nel < 0) {
      return peaks_exit(run, "      The element count NEL =" + textio::int_field(a.nel, 12) +
                                 " of this file is not valid");
    }
    const int64_t values = int64_t{run.file_count} * kValuesPerElement * a.nel;
    if (values > kResultCapacity) {
      return peaks_exit(run, "      " + std::to_string(run.file_count) + " files x " +
                                 std::to_string(kValuesPerElement) + " x " + std::to_string(a.nel) +
                                 " elements = " + std::to_string(values) +
                                 " result values exceed the capacity of " +
                                 std::to_string(kResultCapacity));
    }

    if (i == 1) step_dialogue(run, a.newlty);

    check::VemRask_04(a.nel, a.meltyp, a.mgetyp, a.melgeo, a.mnpc, a.mpmnpc, a.tcoord, a.tcrgeo,
                      a.mxgepr, a.melex, kOutputFile, run.status);
    if (run.status != 0) return peaks_exit(run);
    if (collector.active()) collector.file_geometry(i, current, a.newlty, views_of(a));

    PreparedBlock block = blocks.prepare(i, a.nel);
    check::VemRask_01(a.mglres, a.tglres, a.mxglpr, a.lststo, a.nel, a.meltyp, a.melex, a.melmat,
                      a.matyp, a.mxmapr, a.tmapa, a.melgeo, a.mgetyp, a.mxgepr, a.tcrgeo, a.mpevec,
                      a.tgepa, block.values, kValuesPerElement, kRafFile, run.iw, run.rw,
                      run.load_case, run.step_limit_on, run.step_limit, a.mnpc, a.mpmnpc, a.tcoord,
                      kOutputFile, run.status, collector.recorder());
    if (collector.active()) collector.file_results(block.values, kValuesPerElement, views_of(a));
    last = a;
  }

  // A result pass that failed on the last file still gets its report (the
  // file's records hold what the steps before the failure gave, and the
  // failure message stands above it); the run's status stays -1, so the run
  // ends with exit status 1.
  write_report(blocks, run.file_count, run.file_names, run.longest_name, run.sorted_list_length,
               last.nel, last.melex, last.newlty, kOutputFile);
  finish_exports(run, collector, last.newlty);
}

}  // namespace driver
