// Running a program of the build in a directory of its own, with answers on
// standard input, for the end-to-end and robustness suites; a run can be
// bounded in memory, file size and time (a run that hangs is killed and
// reported as such instead of stalling the suite).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

/// A fresh directory under the system's temporary folder, removed with the
/// object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::filesystem::path operator/(const std::string& name) const {
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

struct RunResult {
  int exit_status = -1;    ///< exit code, or 128 + signal number
  int signal = 0;          ///< the signal that ended the program; 0 when it exited
  bool timed_out = false;  ///< killed after the time limit
  double seconds = 0.0;    ///< wall time of the run
  std::string screen;      ///< everything written to standard output
  std::string errors;      ///< everything written to standard error
  long max_rss_kb = 0;     ///< peak resident set of the child, in kilobytes
};

/// Limits of a run; 0 is no limit.
struct RunLimits {
  long address_space_mb = 0;  ///< the child's address space
  long file_size_bytes = 0;   ///< any file the child writes (the shell's "ulimit -f")
  double seconds = 0.0;       ///< wall time, after which the child's process group is killed
};

/// Runs `program` with `args` in `dir`, feeding `input` on standard input.
/// Standard input, output and error go through files outside `dir` (a run
/// may make `dir` read-only), removed afterwards.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& dir, const std::string& input,
                      const RunLimits& limits);

/// The same with only the address space limited (in MB; 0: no limit).
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& dir, const std::string& input,
                      long limit_address_space_mb = 0);

std::string read_file(const std::filesystem::path& file);
void write_file(const std::filesystem::path& file, const std::string& content);

/// Copies every file of `from` into `to`, with write permission for the owner.
void copy_folder(const std::filesystem::path& from, const std::filesystem::path& to);

/// A RAF message log with the time stamps of its messages (" - dd-mm-yy
/// hh:mm:ss - ") replaced by " - <date> - ", for comparing the logs of two runs.
std::string log_without_dates(const std::string& log);

/// Lines of a text (without line ends).
std::vector<std::string> lines_of(const std::string& text);

}  // namespace test_support
