// The worker pool: results come back in index order whatever order the
// workers finish in, a stop ends the pool at once, and a worker that dies
// is reported against its own index.
#include "campaign/worker_pool.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <ostream>

#include <csignal>
#include <cstdio>

#include "support/run_program.h"

namespace {

struct PoolCase {
  const char* name;
  int32_t count;
  int jobs;
  int32_t crash_at;  // the worker on this index kills itself; 0 = none
  int32_t stop_at;   // consume answers false here; 0 = never
};
void PrintTo(const PoolCase& c, std::ostream* os) {
  *os << c.name;
}

const PoolCase kCases[] = {
    {"one_worker", 6, 1, 0, 0},
    {"two_workers", 9, 2, 0, 0},
    {"more_workers_than_files", 3, 8, 0, 0},
    {"stop_in_the_middle", 12, 3, 0, 5},
    {"crash_in_the_middle", 8, 2, 4, 0},
    {"crash_on_the_last", 5, 4, 5, 0},
    {"every_worker_crashes_once", 4, 1, 2, 0},
};

int worker_state = 0;  // changed by the workers only

class WorkerPool : public testing::TestWithParam<PoolCase> {};

TEST_P(WorkerPool, DeliversInOrder) {
  const PoolCase& c = GetParam();
  test_support::TempDir dir;
  // Text buffered in the parent before the pool must be written once.
  const auto buffered = dir / "buffered.txt";
  std::FILE* stream = std::fopen(buffered.c_str(), "w");
  ASSERT_NE(stream, nullptr);
  std::fputs("once\n", stream);

  const auto work = [&](int32_t k) {
    ++worker_state;
    ::usleep(static_cast<useconds_t>((c.count - k) % 4) * 3000);  // later ones finish first
    if (k == c.crash_at) std::raise(SIGKILL);
    return "file " + std::to_string(k);
  };
  std::vector<campaign::Delivery> got;
  const auto consume = [&](campaign::Delivery& d) {
    got.push_back(d);
    return d.index != c.stop_at;
  };
  const auto result = campaign::run_pool(1, c.count, c.jobs, work, consume, dir.path().string());
  std::fclose(stream);

  EXPECT_EQ(result.error, "");
  const int32_t expected = c.stop_at != 0 ? c.stop_at : c.count;
  EXPECT_EQ(result.consumed, expected);
  EXPECT_EQ(result.stopped, c.stop_at != 0);
  ASSERT_EQ(got.size(), static_cast<std::size_t>(expected));
  for (int32_t k = 1; k <= expected; ++k) {
    const campaign::Delivery& d = got[static_cast<std::size_t>(k - 1)];
    EXPECT_EQ(d.index, k);
    if (k == c.crash_at) {
      EXPECT_EQ(d.bytes, "");
      EXPECT_EQ(d.fault, "terminated by signal 9");
    } else {
      EXPECT_EQ(d.bytes, "file " + std::to_string(k));
      EXPECT_EQ(d.fault, "");
    }
  }
  EXPECT_EQ(worker_state, 0) << "work ran in the parent";
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a worker was left behind";
  EXPECT_EQ(test_support::read_file(buffered), "once\n");
  std::filesystem::remove(buffered);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "results left on disk";
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkerPool, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
