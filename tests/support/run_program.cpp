#include "support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace test_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("vemrask-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make everything removable again (tests may drop write permission).
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void write_file(const fs::path& file, const std::string& content) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
}

void copy_folder(const fs::path& from, const fs::path& to) {
  for (const auto& entry : fs::directory_iterator(from)) {
    if (!entry.is_regular_file()) continue;
    const fs::path target = to / entry.path().filename();
    fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  }
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

namespace {

/// Capture files of one run, in the temporary folder.
struct CaptureFiles {
  CaptureFiles() {
    static int runs = 0;
    const std::string stem =
        "vemrask-run-" + std::to_string(::getpid()) + "-" + std::to_string(++runs);
    in = fs::temp_directory_path() / (stem + ".in");
    out = fs::temp_directory_path() / (stem + ".out");
    err = fs::temp_directory_path() / (stem + ".err");
  }
  ~CaptureFiles() {
    std::error_code ec;
    fs::remove(in, ec);
    fs::remove(out, ec);
    fs::remove(err, ec);
  }
  CaptureFiles(const CaptureFiles&) = delete;
  CaptureFiles& operator=(const CaptureFiles&) = delete;
  fs::path in, out, err;
};

/// In the child: connects the capture files, sets the limits and runs the
/// program; never returns.
[[noreturn]] void exec_child(const std::string& program, const std::vector<std::string>& args,
                             const fs::path& dir, const CaptureFiles& files,
                             const RunLimits& limits) {
  if (limits.seconds > 0.0) ::setpgid(0, 0);
  if (::chdir(dir.c_str()) != 0) ::_exit(126);
  const int in = ::open(files.in.c_str(), O_RDONLY);
  const int out = ::open(files.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = ::open(files.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0) ::_exit(126);
  ::dup2(in, 0);
  ::dup2(out, 1);
  ::dup2(err, 2);
  if (limits.address_space_mb > 0) {
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(limits.address_space_mb) << 20;
    ::setrlimit(RLIMIT_AS, &limit);
  }
  if (limits.file_size_bytes > 0) {
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(limits.file_size_bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

/// Waits for the child, killing its process group once `seconds` (> 0) have
/// passed; wait4 gives the resources of this one child (RUSAGE_CHILDREN would
/// also count every earlier child of the test).
void wait_child(pid_t pid, double seconds, int& wstatus, struct rusage& usage, RunResult& result) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const auto limit = std::chrono::duration<double>(seconds);
  for (;;) {
    const pid_t done = ::wait4(pid, &wstatus, seconds > 0.0 ? WNOHANG : 0, &usage);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("wait4 failed");
    if (done == 0 && Clock::now() - start > limit) {
      result.timed_out = true;
      ::kill(-pid, SIGKILL);
      while (::wait4(pid, &wstatus, 0, &usage) < 0 && errno == EINTR) {
      }
      break;
    }
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const fs::path& dir, const std::string& input, const RunLimits& limits) {
  const CaptureFiles files;
  write_file(files.in, input);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) exec_child(program, args, dir, files, limits);
  if (limits.seconds > 0.0) ::setpgid(pid, pid);

  RunResult result;
  int wstatus = 0;
  struct rusage usage {};
  wait_child(pid, limits.seconds, wstatus, usage, result);
  result.max_rss_kb = usage.ru_maxrss;
  if (WIFEXITED(wstatus)) {
    result.exit_status = WEXITSTATUS(wstatus);
  } else if (WIFSIGNALED(wstatus)) {
    result.signal = WTERMSIG(wstatus);
    result.exit_status = 128 + result.signal;
  }
  result.screen = read_file(files.out);
  result.errors = read_file(files.err);
  return result;
}

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const fs::path& dir, const std::string& input, long limit_address_space_mb) {
  RunLimits limits;
  limits.address_space_mb = limit_address_space_mb;
  return run_program(program, args, dir, input, limits);
}

std::string log_without_dates(const std::string& log) {
  static const std::regex date(R"( - \d\d-\d\d-\d\d \d\d:\d\d:\d\d - )");
  return std::regex_replace(log, date, " - <date> - ");
}

}  // namespace test_support
