// Running a program of the build with a time limit: the damaged-input suite
// must see every run end, so a run that hangs is killed and reported as such
// instead of stalling the suite.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace robustness {

struct BoundedRun {
  int exit_status = -1;    ///< exit code when the program exited
  int signal = 0;          ///< signal number when it was killed by one
  bool timed_out = false;  ///< killed after the time limit
  double seconds = 0.0;    ///< wall time of the run
  std::string screen;      ///< standard output
  std::string errors;      ///< standard error
};

/// Runs `program` with `args` in `dir`, `input` on standard input, and kills
/// its process group after `limit_seconds`.  Standard output and error are
/// captured through temporary files that are removed afterwards.  With
/// `file_size_limit` > 0 no file the program writes may grow beyond that
/// many bytes (the limit of the shell's "ulimit -f").
BoundedRun run_bounded(const std::string& program, const std::vector<std::string>& args,
                       const std::filesystem::path& dir, const std::string& input,
                       double limit_seconds, long file_size_limit = 0);

}  // namespace robustness
