// A pool of worker processes for checking the files of a list at once.
//
// Why processes and not threads: the routines that read a RAF file and the
// in-core store keep their state in statics (the RAF file table, the store's
// book-keeping, the unit table and its capture buffers), and each file's work
// assumes it owns all of them.  A worker forked from the parent starts with
// the parent's settled state (options, the step settings of the first file,
// the open log unit) and changes it only in its own copy, so no routine needs
// to become reentrant.  A worker that crashes takes only its own file down.
//
// Work is handed out by a counter in memory shared by all workers: each takes
// the next file index, runs `work` on it and leaves the bytes it returns in a
// file of the pool's temporary folder, then tells the parent through its pipe.
// The parent hands the results to `consume` strictly in index order, each as
// soon as it and all before it are done; results that finish early wait on
// disk, not in memory.  When `consume` returns false the pool stops at once:
// the workers are killed and nothing after that index is consumed.
//
// Before every fork the parent flushes every stdio stream and unit, so that
// no buffered text is written twice; a worker ends with _exit and never runs
// exit handlers or flushes inherited buffers.  It follows that whatever a
// worker writes must travel in the bytes `work` returns: text it writes to a
// unit that is not captured, or to stdout, is lost with its buffers, and
// what it writes to standard error (unbuffered) appears at once, out of list
// order.  Capture the units (campaign/file_capture.h) and carry standard-
// error lines in the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace campaign {

/// Most workers a pool runs.
inline constexpr int kMaxJobs = 256;

/// One index's result, in the parent.
struct Delivery {
  int32_t index = 0;
  std::string bytes;  ///< what `work` returned
  /// Empty, or why the worker died while on this index ("terminated by
  /// signal 11", "ended with exit status 3"); `bytes` is then empty.
  std::string fault;
};

struct PoolResult {
  int32_t consumed = 0;  ///< deliveries handed to `consume`
  bool stopped = false;  ///< `consume` returned false
  std::string error;     ///< a failure of the pool itself (fork, pipe, disk)
};

/// Writes all `n` bytes at `p` to `fd`, again after an interruption; false
/// when the descriptor fails or closes.
bool write_all(int fd, const char* p, std::size_t n);
/// Reads exactly `n` bytes from `fd` into `p`; false at the end of the data
/// or on a failure.
bool read_all(int fd, char* p, std::size_t n);

/// Runs `work(k)` for k = first..last on `jobs` worker processes (1 to
/// kMaxJobs; more than the indices is cut) and hands each result to
/// `consume` in order k = first, first+1, ... in the calling process.
/// `work` runs in a worker: whatever it changes stays there.  A worker that
/// dies is replaced while indices remain.  The results wait in a temporary
/// folder under `temp_root` (TMPDIR or /tmp when empty), removed at the end.
PoolResult run_pool(int32_t first, int32_t last, int jobs,
                    const std::function<std::string(int32_t)>& work,
                    const std::function<bool(Delivery&)>& consume,
                    const std::string& temp_root = {});

}  // namespace campaign
