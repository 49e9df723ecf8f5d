// The command line of vemrask: the size argument, the options and what they
// answer.  The options become the answers of the run dialogue; a question no
// option answers is asked as always (or takes its blank answer when the run
// is non-interactive).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "exports/request.h"

namespace driver {

/// The answers and switches the command line gives a run.
struct RunOptions {
  /// With --list and --output nothing is read from standard input: every
  /// question without an option takes its blank answer.
  bool non_interactive = false;
  /// Answers as typed; std::nullopt = not given (the question is asked).
  /// An empty text is the blank answer (--sorted all).
  std::optional<std::string> list, output, sorted, time, load_case, load_level;
  /// The RAF message log; `log_given` when --log named it.
  std::string log_file = "raf.log";
  bool log_given = false;
  bool keep_going = false;
  std::optional<double> fail_above;
  /// --csv, --history, --html: the outputs beside the report.
  exports::Request exports;
  /// Worker processes (--jobs; 1 = the sequential loop).
  int jobs = 1;
  /// --part: the part file written in place of the report.
  std::optional<std::string> part;
};

/// What the command line asks for.
struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kError } action = Action::kRun;
  std::optional<std::string> size;  ///< the size argument or --workspace, as given
  RunOptions options;
  std::string error;  ///< for kError: the one-line reason
};

/// Reads the arguments after the program name.
CommandLine parse_command_line(std::span<const std::string> args);

/// The usage text of --help.
std::string usage_text();

/// The version line of --version ("vemrask 0.9.3").
std::string version_line();

/// The version as the banner shows it ("0.9-03").
std::string banner_version();

}  // namespace driver
