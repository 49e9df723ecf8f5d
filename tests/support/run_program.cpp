#include "support/run_program.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

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

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const fs::path& dir, const std::string& input, long limit_address_space_mb) {
  const fs::path in_file = dir / ".stdin";
  const fs::path out_file = dir / ".stdout";
  const fs::path err_file = dir / ".stderr";
  write_file(in_file, input);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    int in = ::open(in_file.c_str(), O_RDONLY);
    int out = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (limit_address_space_mb > 0) {
      struct rlimit limit {};
      limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(limit_address_space_mb) << 20;
      ::setrlimit(RLIMIT_AS, &limit);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  struct rusage usage {};
  // wait4 gives the resources of this one child (RUSAGE_CHILDREN would also
  // count every earlier child of the test).
  while (::wait4(pid, &wstatus, 0, &usage) < 0) {
    if (errno != EINTR) throw std::runtime_error("wait4 failed");
  }
  RunResult result;
  result.max_rss_kb = usage.ru_maxrss;
  if (WIFEXITED(wstatus)) {
    result.exit_status = WEXITSTATUS(wstatus);
  } else if (WIFSIGNALED(wstatus)) {
    result.exit_status = 128 + WTERMSIG(wstatus);
  }
  result.screen = read_file(out_file);
  result.errors = read_file(err_file);
  fs::remove(in_file);
  fs::remove(out_file);
  fs::remove(err_file);
  return result;
}

}  // namespace test_support
