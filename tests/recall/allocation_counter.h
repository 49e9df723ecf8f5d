// Counting heap allocations: the test binary's operator new counts while a
// counter lives.
#pragma once

namespace recall_test {

class AllocationCounter {
 public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;
  /// Allocations since construction.
  [[nodiscard]] long count() const;

 private:
  long start_;
};

}  // namespace recall_test
