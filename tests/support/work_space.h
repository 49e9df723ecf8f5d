// A work array with its integer and real views, for the tests of the layers
// that work in it.
#pragma once

#include <cstdint>

#include "dms/work_array.h"

namespace test_support {

/// A work array of `nwords` words, every word set to `fill` (so that words
/// a routine should not reach can be told from those it wrote).
struct WorkSpace {
  WorkSpace(int64_t nwords, int32_t fill)
      : work(nwords),
        iw(dms::int_view(work.bytes(), nwords)),
        rw(dms::real_view(work.bytes(), nwords)) {
    for (int64_t k = 1; k <= nwords; ++k) iw(k) = fill;
  }
  dms::WorkArray work;
  dms::IntView iw;
  dms::RealView rw;
};

}  // namespace test_support
