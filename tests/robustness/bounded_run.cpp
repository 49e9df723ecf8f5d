#include "robustness/bounded_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace robustness {

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

BoundedRun run_bounded(const std::string& program, const std::vector<std::string>& args,
                       const fs::path& dir, const std::string& input, double limit_seconds,
                       long file_size_limit) {
  // The capture files live outside the run's directory, which a case may
  // make read-only.
  static int runs = 0;
  const std::string stem =
      "vemrask-robust-" + std::to_string(::getpid()) + "-" + std::to_string(++runs);
  const fs::path in_file = fs::temp_directory_path() / (stem + ".in");
  const fs::path out_file = fs::temp_directory_path() / (stem + ".out");
  const fs::path err_file = fs::temp_directory_path() / (stem + ".err");
  {
    std::ofstream in(in_file, std::ios::binary | std::ios::trunc);
    in << input;
  }

  std::vector<std::string> argv_text;
  argv_text.push_back(program);
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::setpgid(0, 0);
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    const int in = ::open(in_file.c_str(), O_RDONLY);
    const int out = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (file_size_limit > 0) {
      struct rlimit limit {};
      limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(file_size_limit);
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::setpgid(pid, pid);

  BoundedRun result;
  int wstatus = 0;
  const auto limit = std::chrono::duration<double>(limit_seconds);
  for (;;) {
    const pid_t done = ::waitpid(pid, &wstatus, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    if (std::chrono::steady_clock::now() - start > limit) {
      result.timed_out = true;
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &wstatus, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (WIFEXITED(wstatus)) result.exit_status = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) result.signal = WTERMSIG(wstatus);
  result.screen = slurp(out_file);
  result.errors = slurp(err_file);
  std::error_code ec;
  fs::remove(in_file, ec);
  fs::remove(out_file, ec);
  fs::remove(err_file, ec);
  return result;
}

}  // namespace robustness
