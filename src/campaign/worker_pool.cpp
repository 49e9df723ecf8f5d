#include "campaign/worker_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <sstream>
#include <vector>

#include "platform/units.h"

namespace campaign {
namespace {

// Memory shared by the parent and every worker.
struct Shared {
  std::atomic<int32_t> next;               // next index to hand out
  std::atomic<int32_t> current[kMaxJobs];  // index worker w is on; 0 = none
};
static_assert(std::atomic<int32_t>::is_always_lock_free);

struct Worker {
  pid_t pid = -1;
  int pipe = -1;  // read end of the worker's "done" pipe
};

std::string result_path(const std::string& dir, int32_t k) {
  return dir + "/" + std::to_string(k);
}

// The body of a worker: takes indices until none is left.  Never returns.
[[noreturn]] void worker_main(int slot, Shared& shared, int32_t last, int notify,
                              const std::string& dir,
                              const std::function<std::string(int32_t)>& work) {
  int status = 0;
  try {
    for (;;) {
      const int32_t k = shared.next.fetch_add(1);
      if (k > last) break;
      shared.current[slot].store(k);
      const std::string bytes = work(k);
      const std::string temp = result_path(dir, k) + ".tmp";
      std::ofstream out(temp, std::ios::binary);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      out.close();
      if (!out || std::rename(temp.c_str(), result_path(dir, k).c_str()) != 0 ||
          !write_all(notify, reinterpret_cast<const char*>(&k), sizeof k)) {
        status = 3;
        break;
      }
      shared.current[slot].store(0);
    }
  } catch (...) {
    status = 4;
  }
  ::_exit(status);
}

std::string death_of(int wait_status) {
  if (WIFSIGNALED(wait_status)) {
    return "terminated by signal " + std::to_string(WTERMSIG(wait_status));
  }
  return "ended with exit status " + std::to_string(WEXITSTATUS(wait_status));
}

class Pool {
 public:
  Pool(int32_t first, int32_t last, const std::function<std::string(int32_t)>& work)
      : first_(first),
        last_(last),
        work_(work),
        state_(static_cast<std::size_t>(last - first + 1), kPending) {}
  ~Pool() { shut_down(); }
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  bool start(int jobs, const std::string& temp_root, std::string& error) {
    void* map =
        ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) return fail(error, "shared memory");
    shared_ = new (map) Shared{};
    shared_->next.store(first_);
    std::string root = temp_root;
    if (root.empty()) {
      const char* tmp = std::getenv("TMPDIR");
      root = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    }
    std::string pattern = root + "/vemrask-jobs.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return fail(error, "temporary folder " + root);
    dir_ = pattern;
    workers_.resize(static_cast<std::size_t>(jobs));
    for (int w = 0; w < jobs; ++w) {
      if (!spawn(w, error)) return false;
    }
    return true;
  }

  // Waits for the next worker event: a finished index or a worker's end.
  bool wait_event(std::string& error) {
    std::vector<pollfd> fds;
    std::vector<int> slots;
    for (std::size_t w = 0; w < workers_.size(); ++w) {
      if (workers_[w].pipe >= 0) {
        fds.push_back({workers_[w].pipe, POLLIN, 0});
        slots.push_back(static_cast<int>(w));
      }
    }
    if (fds.empty()) return fail(error, "no worker left");
    if (::poll(fds.data(), fds.size(), -1) < 0) return errno == EINTR || fail(error, "poll");
    for (std::size_t f = 0; f < fds.size(); ++f) {
      if (fds[f].revents == 0) continue;
      Worker& worker = workers_[static_cast<std::size_t>(slots[f])];
      int32_t k = 0;
      const ssize_t got = ::read(worker.pipe, &k, sizeof k);
      if (got == static_cast<ssize_t>(sizeof k) && k >= first_ && k <= last_) {
        state(k) = kDone;
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (!reap(slots[f], error)) return false;
    }
    return true;
  }

  // The next index in order, when it is ready.
  bool ready(int32_t k) { return state(k) != kPending; }

  bool take(int32_t k, Delivery& d, std::string& error) {
    d.index = k;
    d.bytes.clear();
    d.fault = faults_[k];
    faults_.erase(k);
    if (state(k) == kDone) {
      std::ifstream in(result_path(dir_, k), std::ios::binary);
      std::ostringstream all;
      all << in.rdbuf();
      if (!in) return fail(error, "result of file " + std::to_string(k));
      d.bytes = std::move(all).str();
      std::remove(result_path(dir_, k).c_str());
    }
    return true;
  }

  void shut_down() {
    for (Worker& w : workers_) {
      if (w.pid > 0) ::kill(w.pid, SIGKILL);
    }
    for (Worker& w : workers_) {
      if (w.pid > 0) ::waitpid(w.pid, nullptr, 0);
      if (w.pipe >= 0) ::close(w.pipe);
      w = Worker{};
    }
    if (!dir_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(dir_, ignored);
      dir_.clear();
    }
    if (shared_ != nullptr) {
      shared_->~Shared();
      ::munmap(shared_, sizeof(Shared));
      shared_ = nullptr;
    }
  }

 private:
  enum State : char { kPending, kDone, kFault };
  char& state(int32_t k) { return state_[static_cast<std::size_t>(k - first_)]; }

  static bool fail(std::string& error, const std::string& what) {
    error = "worker pool: " + what + ": " + std::strerror(errno);
    return false;
  }

  bool spawn(int slot, std::string& error) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return fail(error, "pipe");
    shared_->current[slot].store(0);
    platform::flush_all_units();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return fail(error, "fork");
    }
    if (pid == 0) {
      ::close(fds[0]);
      for (const Worker& other : workers_) {
        if (other.pipe >= 0) ::close(other.pipe);
      }
      worker_main(slot, *shared_, last_, fds[1], dir_, work_);
    }
    ::close(fds[1]);
    workers_[static_cast<std::size_t>(slot)] = {pid, fds[0]};
    return true;
  }

  // A worker's pipe closed: it ended.  An index it was on is a fault of that
  // index; a worker that died is replaced while indices remain.
  bool reap(int slot, std::string& error) {
    Worker& w = workers_[static_cast<std::size_t>(slot)];
    int status = 0;
    while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::close(w.pipe);
    w = Worker{};
    const int32_t k = shared_->current[slot].exchange(0);
    const bool died = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    if (k >= first_ && k <= last_ && state(k) == kPending) {
      state(k) = kFault;
      faults_[k] = death_of(status);
    }
    if (died && shared_->next.load() <= last_) return spawn(slot, error);
    return true;
  }

  int32_t first_, last_;
  const std::function<std::string(int32_t)>& work_;
  std::vector<char> state_;
  std::map<int32_t, std::string> faults_;
  Shared* shared_ = nullptr;
  std::string dir_;
  std::vector<Worker> workers_;
};

}  // namespace

bool write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t put = ::write(fd, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

bool read_all(int fd, char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t got = ::read(fd, p, n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

PoolResult run_pool(int32_t first, int32_t last, int jobs,
                    const std::function<std::string(int32_t)>& work,
                    const std::function<bool(Delivery&)>& consume, const std::string& temp_root) {
  PoolResult result;
  if (last < first) return result;
  const int64_t count = int64_t{last} - first + 1;
  jobs = static_cast<int>(std::clamp<int64_t>(std::min<int64_t>(jobs, count), 1, kMaxJobs));
  Pool pool(first, last, work);
  if (!pool.start(jobs, temp_root, result.error)) return result;
  Delivery d;
  for (int32_t k = first; k <= last; ++k) {
    while (!pool.ready(k)) {
      if (!pool.wait_event(result.error)) return result;
    }
    if (!pool.take(k, d, result.error)) return result;
    ++result.consumed;
    if (!consume(d)) {
      result.stopped = true;
      break;
    }
  }
  pool.shut_down();
  return result;
}

}  // namespace campaign
