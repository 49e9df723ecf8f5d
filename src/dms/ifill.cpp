// IFILL: sets a block of integers to one value.
#include <algorithm>
#include <cstdint>

#include "dms/dms.h"

namespace dms {

void IFILL(Vec1<int32_t> ia, int32_t n, int32_t m, int32_t value) {
  const int64_t count = std::min<int64_t>(static_cast<int64_t>(n) * m, ia.size());
  if (count <= 0) return;
  std::fill_n(ia.data(), count, value);
}

}  // namespace dms
