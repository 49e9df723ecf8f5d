// Program entry: the work-space size, its allocation, the call of the main
// routine and the exit status.
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "dms/work_array.h"
#include "driver/driver.h"
#include "driver/messages.h"
#include "driver/options.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace {

constexpr int32_t kDefaultWords = 400000000;

// The size argument in millions of words: converted to a double, then to
// single precision, multiplied by a million in single precision and truncated
// toward zero.  A product outside the 32-bit range gives the lowest 32-bit
// value, which the caller refuses as not positive.
int32_t words_from_argument(const char* text, float& product) {
  const double value = std::strtod(text, nullptr);
  const auto single = static_cast<float>(value);
  product = single * 1000000.0F;
  if (!(product > -2147483648.0F && product < 2147483648.0F)) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(product);
}

// The reason a size argument gives no work space, for standard error.
void report_size(const std::string& text, float product) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  if (end == begin || std::isnan(value)) {
    driver::report_failure(driver::Line::kSizeNotANumber, {text});
  } else if (product >= 2147483648.0F) {
    driver::report_failure(driver::Line::kSizeTooLarge, {text});
  } else {
    driver::report_failure(driver::Line::kSizeNotPositive, {text});
  }
}

// Sets up the process: a file that outgrows the file size limit makes its
// write fail (and the run report it) instead of ending the process.
void prepare_process() {
  std::signal(SIGXFSZ, SIG_IGN);
#if defined(__GLIBC__)
  // The passes of every file allocate and free tables of about a megabyte;
  // kept in the heap once freed, the next table reuses their pages instead
  // of faulting in fresh ones.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

// Answers a command line that asks for no run (an error, --help, --version)
// and gives its exit status; nothing for a run.
std::optional<int> answer_without_run(const driver::CommandLine& command) {
  switch (command.action) {
    case driver::CommandLine::Action::kError:
      std::fprintf(stderr, "vemrask: %s\n%s\n", command.error.c_str(),
                   driver::line_text(driver::Line::kUsageHint).c_str());
      return 2;
    case driver::CommandLine::Action::kHelp:
      std::fputs(driver::usage_text().c_str(), stdout);
      return 0;
    case driver::CommandLine::Action::kVersion:
      std::fputs(driver::version_line().c_str(), stdout);
      return 0;
    case driver::CommandLine::Action::kRun:
      break;
  }
  return std::nullopt;
}

// Writes the screen box and the standard-error line of a work space that
// could not be allocated.
void report_allocation_failed(const driver::CommandLine& command, int32_t millions) {
  std::printf("%c", 7);
  std::printf("\n\n ***************************************************** ");
  std::printf("\n ******  Allocating %4d million words failed!  ****** ", millions);
  std::printf("\n ***************************************************** \n\n");
  driver::report_failure(
      driver::Line::kAllocation,
      {command.size.value_or(std::to_string(kDefaultWords / 1000000)), std::to_string(millions)});
}

// Writes the screen line of an allocated work space: whole millions, or
// the single-precision size with two decimals below a million.
void report_allocated(int32_t millions, float product) {
  if (millions > 0) {
    std::printf("\n\n %d million words successfully allocated \n\n", millions);
  } else {
    const float size = product / 1000000.0F;
    std::printf("\n\n %.2f million words successfully allocated \n\n", static_cast<double>(size));
  }
}

// Runs the main routine in `work`; an input that stops the run is reported
// and gives nothing (the units are closed then), else the routine's status.
std::optional<int32_t> run_in(dms::WorkArray& work, int32_t nwiwa,
                              const driver::CommandLine& command, driver::RunEnd& end) {
  int32_t unused = 0;
  try {
    return driver::vemrask(dms::int_view(work.bytes(), nwiwa), dms::real_view(work.bytes(), nwiwa),
                           nwiwa, unused, command.options, end);
  } catch (const textio::InputStop& stop) {
    driver::report_failure(driver::Line::kAnswer, {stop.what()});
    platform::flush_all_units();
    std::printf("\n\n *** STOP: %s\n", stop.what());
    std::printf(" *** The run ends without a report.\n");
    std::fflush(stdout);
    platform::close_all_units();
    return std::nullopt;
  }
}

// The exit status of a run that ended with `status` and `end`.
int exit_status(int32_t status, const driver::RunEnd& end) {
  // A step-limit option that does not fit is a command-line error: its
  // message stands on the screen already.
  if (end.step_option_misfit) return 2;
  if (status != 0) {
    std::printf("\n Return value from vemrask: %d \n", status);
    return 1;
  }
  // An asked-for output that is missing is a failed run; its line on
  // standard error says which.
  if (end.exports_failed) return 1;
  if (end.skipped > 0) return 2;
  if (end.at_or_above > 0) return 3;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  prepare_process();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "merge") {
    const int status = driver::merge_main(std::span<const std::string>(args).subspan(1));
    platform::close_all_units();
    return status;
  }
  const driver::CommandLine command = driver::parse_command_line(args);
  if (const auto answered = answer_without_run(command)) return *answered;

  int32_t nwiwa = kDefaultWords;
  float product = static_cast<float>(kDefaultWords);
  if (command.size) {
    nwiwa = words_from_argument(command.size->c_str(), product);
    if (nwiwa <= 0) {
      std::printf("\n The nwiwa value (%d) is zero or negative! \n", nwiwa);
      report_size(*command.size, product);
      return 1;
    }
  }
  const int32_t millions = nwiwa / 1000000;

  int32_t status = 0;
  driver::RunEnd end;
  {
    dms::WorkArray work(nwiwa);
    if (!work.ok()) {
      report_allocation_failed(command, millions);
      return 1;
    }
    report_allocated(millions, product);
    const auto ran = run_in(work, nwiwa, command, end);
    if (!ran) return 1;
    status = *ran;
  }

  platform::close_all_units();
  return exit_status(status, end);
}
