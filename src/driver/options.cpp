#include "driver/options.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>

#include "campaign/worker_pool.h"
#include "cli/cli.h"
#include "driver/messages.h"
#include "version/version.h"

namespace driver {
namespace {

constexpr std::array<cli::OptionSpec, 17> kSpecs = {{
    {'l', "list", "FILE", "file holding the RAF file names, one a line"},
    {'o', "output", "FILE", "output file of the report"},
    {'n', "sorted", "N", "elements per sorted list: N, 'all' (default) or 0"},
    {'t', "time", "T", "time-domain files: check up to time T (default: all)"},
    {'c', "load-case", "C", "static files: check load case C (default: all steps)"},
    {'L', "load-level", "V", "static files: check load case C up to load level V"},
    {'w', "workspace", "SIZE", "work space in millions of words, like SIZE"},
    {0, "log", "FILE", "RAF message log (default: raf.log here)"},
    {'k', "keep-going", "", "skip a RAF file that cannot be checked; the run goes on"},
    {0, "fail-above", "U", "exit status 3 when an element's utilisation is U or more"},
    {0, "csv", "DIR", "also write ends.csv, elements.csv and files.csv into DIR"},
    {0, "history", "N", "utilisation history of the N governing ends of each file"},
    {0, "html", "FILE", "also write a self-contained HTML page of the run"},
    {'j', "jobs", "N", "check the files with N worker processes (0: one a core)"},
    {0, "part", "FILE", "write a part file for 'vemrask merge' in place of --output"},
    {'h', "help", "", "show this text and exit"},
    {'V', "version", "", "show the version and exit"},
}};

// True when the size conversion reads a number from the start of `text`
// ("-3", "-3abc", "-inf", "-0x10"): such a first argument was always the
// size, and stays it.
bool begins_as_number(const std::string& text) {
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return end != text.c_str();
}

CommandLine error(Line line, std::initializer_list<textio::Arg> args) {
  CommandLine out;
  out.action = CommandLine::Action::kError;
  out.error = line_text(line, args);
  return out;
}

// A first argument that does not look like an option, or begins as a
// number (a negative one included), is the size, as it always was.  A lone
// "-" was always a size (of no words) as well.
bool is_positional_size(std::span<const std::string> args) {
  return !args.empty() && (!args[0].starts_with('-') || args[0] == "-" ||
                           cli::reads_as_number(args[0]) || begins_as_number(args[0]));
}

// Sets --list, --output and --part and whether the run asks nothing; an
// error when they do not go together.
std::optional<CommandLine> read_files(const cli::Parsed& parsed, RunOptions& o) {
  o.list = parsed.value("list");
  o.output = parsed.value("output");
  o.part = parsed.value("part");
  if (o.part && o.output) return error(Line::kPartWithOutput, {});
  if (o.part && !o.list) return error(Line::kPartWithoutList, {});
  // A part run writes no report: its output-file text travels in the part.
  if (o.part) o.output = "/dev/null";
  if (o.list && !o.output) return error(Line::kListWithoutOutput, {});
  if (o.output && !o.list) return error(Line::kOutputWithoutList, {});
  o.non_interactive = o.list.has_value();
  return std::nullopt;
}

// Sets --sorted, --time, --load-case and --load-level; an error for a value
// that does not read or a level without a case.  The number of --fail-above
// is checked here too, in its old order.
std::optional<CommandLine> read_step_limits(const cli::Parsed& parsed, RunOptions& o) {
  if (const auto n = parsed.value("sorted")) {
    if (*n == "all") {
      o.sorted = std::string();
    } else if (cli::to_int(*n)) {
      o.sorted = *n;
    } else {
      return error(Line::kBadSorted, {*n});
    }
  }
  for (const char* name : {"time", "load-level", "fail-above"}) {
    const auto value = parsed.value(name);
    if (value && !cli::to_real(*value)) return error(Line::kBadNumber, {name, *value});
  }
  o.time = parsed.value("time");
  if (const auto c = parsed.value("load-case")) {
    if (!cli::to_int(*c)) return error(Line::kBadWholeNumber, {"load-case", *c});
    o.load_case = c;
  }
  o.load_level = parsed.value("load-level");
  if (o.load_level && !o.load_case) return error(Line::kLevelWithoutCase, {});
  return std::nullopt;
}

// Sets --jobs (0: one a core, at most the pool's limit); an error for a
// count out of range.
std::optional<CommandLine> read_jobs(const cli::Parsed& parsed, RunOptions& o) {
  if (const auto j = parsed.value("jobs")) {
    const auto n = cli::to_int(*j);
    if (!n || *n < 0 || *n > campaign::kMaxJobs) {
      return error(Line::kBadJobs, {std::to_string(campaign::kMaxJobs), *j});
    }
    o.jobs = *n != 0 ? *n : static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    o.jobs = std::min(o.jobs, campaign::kMaxJobs);
  }
  return std::nullopt;
}

// Sets --csv, --html and --history; an error for a bad count, a history
// with no export to hold it, or CSV files or a page of a part run (a part
// records the histories of --history for the merge that writes them).
std::optional<CommandLine> read_exports(const cli::Parsed& parsed, RunOptions& o) {
  o.exports.csv_dir = parsed.value("csv").value_or("");
  o.exports.html_file = parsed.value("html").value_or("");
  if (const auto n = parsed.value("history")) {
    const auto count = cli::to_int(*n);
    if (!count || *count < 0) return error(Line::kBadCount, {"history", *n});
    if (o.exports.empty() && !o.part) return error(Line::kHistoryWithoutOutput, {});
    o.exports.history = static_cast<int>(*count);
  }
  if (o.part && !o.exports.empty()) return error(Line::kPartWithExports, {});
  return std::nullopt;
}

}  // namespace

CommandLine parse_command_line(std::span<const std::string> args) {
  CommandLine out;
  const bool positional_size = is_positional_size(args);
  const std::span<const std::string> rest = positional_size ? args.subspan(1) : args;
  const cli::Parsed parsed = cli::parse(rest, kSpecs, true);
  if (!parsed.error.empty()) {
    out.action = CommandLine::Action::kError;
    out.error = parsed.error;
    return out;
  }
  if (parsed.has("help")) {
    out.action = CommandLine::Action::kHelp;
    return out;
  }
  if (parsed.has("version")) {
    out.action = CommandLine::Action::kVersion;
    return out;
  }
  RunOptions& o = out.options;
  if (auto failed = read_files(parsed, o)) return std::move(*failed);
  if (auto failed = read_step_limits(parsed, o)) return std::move(*failed);
  const auto workspace = parsed.value("workspace");
  if (positional_size && workspace) return error(Line::kSizeTwice, {args[0], *workspace});
  if (positional_size) out.size = args[0];
  if (workspace) out.size = workspace;
  if (const auto log = parsed.value("log")) {
    o.log_file = *log;
    o.log_given = true;
  }
  o.keep_going = parsed.has("keep-going");
  if (const auto u = parsed.value("fail-above")) o.fail_above = cli::to_real(*u);
  if (auto failed = read_jobs(parsed, o)) return std::move(*failed);
  if (auto failed = read_exports(parsed, o)) return std::move(*failed);
  return out;
}

std::string usage_text() {
  return "Usage: vemrask [SIZE] [OPTION]...\n"
         "   or: vemrask merge -o REPORT [OPTION]... PART...   (see 'vemrask merge --help')\n"
         "Checks the pipe element ends of the RAF files named in a list file for pancake\n"
         "buckling and writes a report.  The questions are asked on the console (or read\n"
         "from standard input) unless --list and --output are given: then nothing is read\n"
         "and every question no option answers takes its default.\n"
         "\n"
         "  SIZE                  work space in millions of 4-byte words (default 400)\n" +
         cli::option_lines(kSpecs) +
         "\n"
         "Exit status:\n"
         "  0  the run completed and the report was written\n"
         "  1  the run failed, or a --csv or --html output could not be written (a reason\n"
         "     is written to standard error)\n"
         "  2  a command-line error, or a RAF file was skipped (--keep-going)\n"
         "  3  an element's utilisation is at or above the --fail-above value\n";
}

std::string version_line() {
  return "vemrask " + std::string(version::kText) + "\n";
}

std::string banner_version() {
  const std::string patch = std::to_string(version::kPatch);
  return std::to_string(version::kMajor) + "." + std::to_string(version::kMinor) + "-" +
         (patch.size() < 2 ? "0" + patch : patch);
}

}  // namespace driver
