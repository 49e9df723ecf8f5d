// Program entry: the work-space size, its allocation, the call of the main
// routine and the exit status.
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "dms/work_array.h"
#include "driver/driver.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace {

constexpr int32_t kDefaultWords = 400000000;

// The size argument in millions of words: converted to a double, then to
// single precision, multiplied by a million in single precision and truncated
// toward zero.  A product outside the 32-bit range gives the lowest 32-bit
// value, which the caller refuses as not positive.
int32_t words_from_argument(const char* text, float& product) {
  const double value = std::strtod(text, nullptr);
  const auto single = static_cast<float>(value);
  product = single * 1000000.0F;
  if (!(product > -2147483648.0F && product < 2147483648.0F)) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(product);
}

}  // namespace

int main(int argc, char** argv) {
  // A file that outgrows the file size limit makes its write fail (and the
  // run report it) instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
#if defined(__GLIBC__)
  // The passes of every file allocate and free tables of about a megabyte;
  // kept in the heap once freed, the next table reuses their pages instead
  // of faulting in fresh ones.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  int32_t nwiwa = kDefaultWords;
  float product = static_cast<float>(kDefaultWords);
  if (argc > 1) {
    nwiwa = words_from_argument(argv[1], product);
    if (nwiwa <= 0) {
      std::printf("\n The nwiwa value (%d) is zero or negative! \n", nwiwa);
      return 1;
    }
  }
  const int32_t millions = nwiwa / 1000000;

  int32_t status = 0;
  {
    dms::WorkArray work(nwiwa);
    if (!work.ok()) {
      std::printf("%c", 7);
      std::printf("\n\n ***************************************************** ");
      std::printf("\n ******  Allocating %4d million words failed!  ****** ", millions);
      std::printf("\n ***************************************************** \n\n");
      return 1;
    }
    if (millions > 0) {
      std::printf("\n\n %d million words successfully allocated \n\n", millions);
    } else {
      const float size = product / 1000000.0F;
      std::printf("\n\n %.2f million words successfully allocated \n\n", static_cast<double>(size));
    }

    int32_t unused = 0;
    try {
      status = driver::vemrask(dms::int_view(work.bytes(), nwiwa),
                               dms::real_view(work.bytes(), nwiwa), nwiwa, unused);
    } catch (const textio::InputStop& stop) {
      platform::flush_all_units();
      std::printf("\n\n *** STOP: %s\n", stop.what());
      std::printf(" *** The run ends without a report.\n");
      std::fflush(stdout);
      platform::close_all_units();
      return 1;
    }
  }

  platform::close_all_units();
  if (status == 0) return 0;
  std::printf("\n Return value from vemrask: %d \n", status);
  return 1;
}
