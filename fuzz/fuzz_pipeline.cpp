// Fuzz target: the whole per-file pipeline of the program on an arbitrary
// file.
//
// The input is written as one RAF file and run through the file loop as a
// list of that one file: "raf.log", the RAF open, the in-core store set-up,
// the four recalls, the lookups and structure parameters, the step dialogue
// (its answers picked by the input's length), the geometry pass, the
// result-step pass and the report.  Output and log go to /dev/null except
// that the file loop opens "raf.log" in the current directory (the run
// scripts start the target in a scratch directory).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "dms/work_array.h"
#include "driver/driver.h"
#include "driver/run_state.h"
#include "fuzz_support.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace {

/// Words of the work array (the program's "2": two million words).
constexpr int32_t kWorkWords = 2'000'000;

// Answers of the step dialogue (the dialogue reads the keyboard): the
// whole simulation, a time limit, a load case with a level, a load case
// alone.
constexpr const char* kAnswers[] = {"\n\n\n", "0.75\n", "2\n0.5\n", "1\n\n"};

void feed_answers(std::size_t choice) {
  static const std::string files = [] {
    std::string prefix = vemrask_fuzz::scratch_dir() + "/answers-";
    for (std::size_t k = 0; k < std::size(kAnswers); ++k) {
      const std::string text = kAnswers[k];
      vemrask_fuzz::write_input("answers-" + std::to_string(k),
                                reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    return prefix;
  }();
  if (std::freopen((files + std::to_string(choice)).c_str(), "r", stdin) == nullptr) {
    std::perror("answers");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  vemrask_fuzz::silence_screen();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static dms::WorkArray work(kWorkWords);
  const std::string path = vemrask_fuzz::write_input("input.raf", data, size);
  feed_answers(size % std::size(kAnswers));

  driver::RunState run;
  run.iw = dms::int_view(work.bytes(), kWorkWords);
  run.rw = dms::real_view(work.bytes(), kWorkWords);
  run.nwiwa = kWorkWords;
  run.sorted_list_length = static_cast<int32_t>(size % 7) - 1;
  run.file_count = 1;
  run.longest_name = static_cast<int32_t>(path.size());
  run.file_names.push_back(textio::fixed(path, driver::kNameLength));

  int32_t status = 0;
  textio::OPNFIL("/dev/null", platform::kOutputFile, 0, status);
  try {
    driver::file_loop(run);
  } catch (const textio::InputStop&) {
    // An answer the dialogue could not use: the program's stop.
  }
  platform::close_all_units();
  return 0;
}
