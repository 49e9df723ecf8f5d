#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
int g_counters = 0;
long g_allocations = 0;
}  // namespace

void* operator new(std::size_t n) {
  if (g_counters > 0) ++g_allocations;
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace recall_test {

AllocationCounter::AllocationCounter() : start_(g_allocations) {
  ++g_counters;
}
AllocationCounter::~AllocationCounter() {
  --g_counters;
}
long AllocationCounter::count() const {
  return g_allocations - start_;
}

}  // namespace recall_test
