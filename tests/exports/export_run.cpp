// A test-only driver of the exports until vemrask takes their options: runs
// the file loop as vemrask does, with the answers on standard input, and an
// exports request from its arguments.
//
//   export_run [--csv DIR] [--history N] [--html FILE] < answers
//
// The answers are vemrask's: list file, output file, sorted-list length, then
// the step dialogue; the output file gets what vemrask writes to it.  Exit
// status 0 when the run and the exports succeeded.
#include <cstdio>
#include <string>

#include "dms/work_array.h"
#include "driver/dialogue.h"
#include "driver/driver.h"
#include "platform/units.h"
#include "textio/textio.h"

int main(int argc, char** argv) {
  driver::RunState run;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--csv") run.exports.csv_dir = argv[i + 1];
    if (option == "--html") run.exports.html_file = argv[i + 1];
    if (option == "--history") run.exports.history = std::stoi(argv[i + 1]);
  }
  constexpr int32_t kWords = 20000000;
  dms::WorkArray work(kWords);
  run.iw = dms::int_view(work.bytes(), kWords);
  run.rw = dms::real_view(work.bytes(), kWords);
  run.nwiwa = kWords;
  std::string list_name;
  std::string output_name;
  try {
    list_name = std::string(textio::trimmed(driver::ask_answer("List file: ")));
    output_name = std::string(textio::trimmed(driver::ask_answer("Output file: ")));
    const std::string length = driver::ask_answer("Sorted list: ");
    run.sorted_list_length = textio::LENTRM(length) == 0 ? -1 : driver::answer_int(length);
  } catch (const textio::InputStop&) {
    return 2;
  }
  run.exports.list_file = list_name;

  std::FILE* list = std::fopen(list_name.c_str(), "r");
  if (list == nullptr) return 2;
  char line[driver::kNameLength + 2];
  while (std::fgets(line, sizeof line, list) != nullptr) {
    std::string name(line);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    name = textio::fixed(name, driver::kNameLength);
    const int32_t length = textio::LENTRM(name);
    if (length == 0) continue;
    run.longest_name = std::max(run.longest_name, length);
    if (length > 4 && name.compare(static_cast<std::size_t>(length - 4), 4, ".raf") != 0) {
      textio::APPSTR(name, ".raf");
    }
    run.file_names.push_back(name);
    ++run.file_count;
  }
  std::fclose(list);

  textio::OPNFIL(output_name, platform::kOutputFile, 0, run.status);
  if (run.status != 0) return 2;
  platform::write_record(platform::kOutputFile, "");
  platform::write_record(platform::kOutputFile, "");
  for (const std::string& banner : driver::banner_lines()) {
    platform::write_record(platform::kOutputFile, banner);
  }
  try {
    driver::file_loop(run);
  } catch (const textio::InputStop&) {
    return 2;
  }
  driver::finish_output(run);
  platform::close_all_units();
  return run.status == 0 && !run.exports_failed ? 0 : 1;
}
