// The main routine: banner, run dialogue, list file, banner in the output
// file, file loop, close.
#include <optional>
#include <string>

#include "driver/dialogue.h"
#include "driver/driver.h"
#include "driver/messages.h"
#include "driver/options.h"
#include "platform/units.h"
#include "raflib/format.h"
#include "textio/textio.h"

namespace driver {

using platform::kListFile;
using platform::kLogFile;
using platform::kOutputFile;
using platform::kScreen;

namespace {

// "-----   Version 0.9-03 / Jun 29, 2023     ------" from the build's version.
std::string version_banner_line() {
  std::string line = "-----   Version " + banner_version() + " / Jun 29, 2023";
  line.resize(42, ' ');
  return line + "------";
}

}  // namespace

const std::string (&banner_lines())[9] {
  static const std::string lines[9] = {
      "------------------------------------------------",
      "------------------------------------------------",
      "------------------------------------------------",
      "-----         V e m  R a s k              ------",
      "-----  Checks pipes for pancake buckling  ------",
      version_banner_line(),
      "-----      Made by the VemRask team       ------",
      "------------------------------------------------",
      "------------------------------------------------",
  };
  return lines;
}

namespace {

void write_banner(int unit) {
  platform::write_record(unit, "");
  platform::write_record(unit, "");
  for (const std::string& line : banner_lines()) platform::write_record(unit, line);
}

void write_empty_lines(int unit, int count) {
  for (int k = 0; k < count; ++k) platform::write_record(unit, "");
}

// Reads the list file on unit 19 into the file-name table.
void read_list(RunState& run, const std::string& list_name) {
  run.file_count = 0;
  run.longest_name = 0;
  std::string line;
  for (;;) {
    const int io = platform::read_record(kListFile, line);
    if (io == platform::kEndOfFile) break;
    if (io != 0) {
      report_failure(Line::kCannotRead, {list_name, status_reason(io)});
      throw textio::InputStop("Reading the list of RAF files failed (error flag " +
                              std::to_string(io) + ")");
    }
    std::string name = textio::fixed(line, kNameLength);
    const int32_t length = textio::LENTRM(name);
    if (length == 0) continue;
    if (length > run.longest_name) run.longest_name = length;
    if (length > 4 && name.compare(static_cast<std::size_t>(length - 4), 4, ".raf") != 0) {
      textio::APPSTR(name, ".raf");
    }
    ++run.file_count;
    // Names beyond the table are counted, not stored: the run ends before
    // the first file is opened (see the capacity check of the file loop).
    if (run.file_count <= kMaxFiles) {
      run.file_names.push_back(std::move(name));
      run.name_lengths.push_back(length);
    }
  }
}

// Asks for the list file until one opens on unit 19 (an option names it
// once) and gives its name; nothing when a run that asks nothing cannot
// open it.
std::optional<std::string> open_list(RunState& run) {
  for (;;) {
    const std::string name = answer(run, Question::kList, "File containing RAF file names    :  ");
    const int opened = textio::open_file(name, kListFile, 1);
    std::string list_name(textio::trimmed(name));
    run.list_name = list_name;
    if (opened == 0) return list_name;
    platform::write_record(kScreen, "*** ERROR Opening file: " + list_name);
    if (run.options.non_interactive) {
      report_failure(Line::kCannotOpen, {shown_name(list_name), status_reason(opened)});
      return std::nullopt;
    }
    platform::write_record(kScreen, "         Try once more !");
  }
}

// Asks for the output file and opens it on unit 20; false (with the run's
// status set and the units closed) when it cannot be opened or is a RAF file.
bool open_output(RunState& run) {
  const std::string output_name =
      answer(run, Question::kOutput, "Give Output File Name             :  ");
  // A RAF file named as the output file would be lost: it is never cut.
  const std::string output_file(textio::trimmed(output_name));
  run.output_name = output_file;
  const bool raf_file = platform::file_begins_with(output_file, raflib::format::kMagicText);
  const int opened = raf_file ? 0 : textio::open_file(output_name, kOutputFile, 0);
  if (!raf_file && opened == 0) return true;
  if (raf_file) {
    report_failure(Line::kOutputIsRaf, {output_file});
  } else {
    report_failure(Line::kCannotOpen, {shown_name(output_file), status_reason(opened)});
  }
  // A file that cannot be opened ends the run with its status alone; the
  // refusal of a RAF file is the program's own and says so.
  run.status = -1;
  if (raf_file) {
    platform::write_record(kScreen, "*** ERROR Opening output file: " + output_file);
    platform::write_record(kScreen, "         It is a RAF file: it is not overwritten");
  }
  platform::close_unit(kOutputFile);
  platform::close_unit(kLogFile);
  return false;
}

// Asks for the length of the sorted lists (blank: all elements) and shows
// the answer on the screen.
void ask_sorted_length(RunState& run) {
  const std::string length_answer =
      answer(run, Question::kSorted, "Max elements in sorted list       :  ");
  if (textio::LENTRM(length_answer) == 0) {
    write_empty_lines(kScreen, 2);
    platform::write_record(kScreen, " Prints all elements         ");
    write_empty_lines(kScreen, 2);
    run.sorted_list_length = -1;
  } else {
    run.sorted_list_length = answer_int(length_answer);
    write_empty_lines(kScreen, 2);
    platform::write_record(kScreen,
                           " Prints" + textio::int_field(run.sorted_list_length, 6) + " elements");
  }
}

// After a completed run, tells the screen and the log how many elements are
// at or above the --fail-above value, when any are.
void report_at_or_above(const RunState& run) {
  if (run.status != 0 || run.at_or_above <= 0) return;
  const std::string count = std::to_string(run.at_or_above);
  std::string limit = textio::fixed_field(*run.options.fail_above, 10, 3);
  limit.erase(0, limit.find_first_not_of(' '));
  platform::write_record(kScreen, "");
  platform::write_record(kScreen, line_text(Line::kAtOrAboveScreen, {"", count, limit}));
  report_note(Line::kAtOrAbove, {run.output_name, count, limit});
}

int32_t run_main(RunState& run, dms::IntView iw, dms::RealView rw, int32_t nwiwa) {
  run.iw = iw;
  run.rw = rw;
  run.nwiwa = nwiwa;

  write_banner(kScreen);

  const std::optional<std::string> list_name = open_list(run);
  if (!list_name) return -1;
  if (!open_output(run)) return run.status;
  ask_sorted_length(run);

  read_list(run, *list_name);
  platform::write_record(kScreen, "");
  platform::write_record(kScreen,
                         " ...Number of files found : " + textio::int_field(run.file_count, 6));
  platform::write_record(kScreen, "");

  write_banner(kOutputFile);

  file_loop(run);

  finish_output(run);
  report_at_or_above(run);
  return run.status;
}

}  // namespace

int32_t vemrask(dms::IntView iw, dms::RealView rw, int32_t& nwiwa, int32_t& unused) {
  RunEnd end;
  return vemrask(iw, rw, nwiwa, unused, RunOptions{}, end);
}

int32_t vemrask(dms::IntView iw, dms::RealView rw, int32_t& nwiwa, int32_t& /*unused*/,
                const RunOptions& options, RunEnd& end) {
  RunState run;
  run.options = options;
  const int32_t status = run_main(run, iw, rw, nwiwa);
  end.step_option_misfit = run.step_option_misfit;
  end.skipped = static_cast<int32_t>(run.skipped.size());
  end.at_or_above = run.at_or_above;
  end.exports_failed = run.exports_failed;
  return status;
}

}  // namespace driver
