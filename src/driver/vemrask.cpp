// The main routine: banner, run dialogue, list file, banner in the output
// file, file loop, close.
#include <string>

#include "driver/dialogue.h"
#include "driver/driver.h"
#include "platform/units.h"
#include "raflib/format.h"
#include "textio/textio.h"

namespace driver {

using platform::kListFile;
using platform::kLogFile;
using platform::kOutputFile;
using platform::kScreen;

const std::string (&banner_lines())[9] {
  static const std::string lines[9] = {
      "------------------------------------------------",
      "------------------------------------------------",
      "------------------------------------------------",
      "-----         V e m  R a s k              ------",
      "-----  Checks pipes for pancake buckling  ------",
      "-----   Version 0.9-03 / Jun 29, 2023     ------",
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
void read_list(RunState& run) {
  run.file_count = 0;
  run.longest_name = 0;
  std::string line;
  for (;;) {
    const int io = platform::read_record(kListFile, line);
    if (io == platform::kEndOfFile) break;
    if (io != 0) {
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
    if (run.file_count <= kMaxFiles) run.file_names.push_back(std::move(name));
  }
}

}  // namespace

int32_t vemrask(dms::IntView iw, dms::RealView rw, int32_t& nwiwa, int32_t& /*unused*/) {
  RunState run;
  run.iw = iw;
  run.rw = rw;
  run.nwiwa = nwiwa;

  write_banner(kScreen);

  // The list file: asked until one opens.
  for (;;) {
    const std::string name = ask_answer("File containing RAF file names    :  ");
    textio::OPNFIL(name, kListFile, 1, run.status);
    if (run.status == 0) break;
    platform::write_record(kScreen,
                           "*** ERROR Opening file: " + std::string(textio::trimmed(name)));
    platform::write_record(kScreen, "         Try once more !");
    run.status = 0;
  }

  const std::string output_name = ask_answer("Give Output File Name             :  ");
  // A RAF file named as the output file would be lost: it is never cut.
  const std::string output_file(textio::trimmed(output_name));
  const bool raf_file = platform::file_begins_with(output_file, raflib::format::kMagicText);
  if (!raf_file) textio::OPNFIL(output_name, kOutputFile, 0, run.status);
  if (raf_file || run.status != 0) {
    // A file that cannot be opened ends the run with its status alone; the
    // refusal of a RAF file is the program's own and says so.
    run.status = -1;
    if (raf_file) {
      platform::write_record(kScreen, "*** ERROR Opening output file: " + output_file);
      platform::write_record(kScreen, "         It is a RAF file: it is not overwritten");
    }
    platform::close_unit(kOutputFile);
    platform::close_unit(kLogFile);
    return run.status;
  }

  const std::string length_answer = ask_answer("Max elements in sorted list       :  ");
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

  read_list(run);
  platform::write_record(kScreen, "");
  platform::write_record(kScreen,
                         " ...Number of files found : " + textio::int_field(run.file_count, 6));
  platform::write_record(kScreen, "");

  write_banner(kOutputFile);

  file_loop(run);

  finish_output(run);
  return run.status;
}

}  // namespace driver
