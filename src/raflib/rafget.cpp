// Reading and writing arrays: RAFGIN, RAFGRE, RAFGDP, RAFGRD and the write
// routines RAFPIN, RAFPRE, RAFPDP.
//
// Data moves straight between the file and the caller's buffer; byte
// reversal and the widening of RAFGRD work in place.
#include <cstdlib>
#include <cstring>

#include "raflib/format.h"
#include "raflib/raflib.h"
#include "raflib/state.h"

namespace raflib {
namespace {

using format::DataType;

// Reads NEL elements of `type`; `room` is the bytes per element the buffer
// must offer (8 for RAFGRD, which widens in place afterwards).
void read_array(std::string_view routine, DataType type, std::span<std::byte> a, int32_t nel,
                int32_t iarr, int32_t ifile, int32_t room, int32_t& ierr) {
  RafState& st = raf_state();
  const auto t = static_cast<int32_t>(type);
  ierr = 0;
  RFFNFP(ifile, iarr, t, nel, kModeRead, ierr);
  if (ierr < 0) {
    RFTRAC(routine);
    return;
  }
  Slot& slot = *current_slot();
  if (slot.lock_state == kReadLockedState) {
    issue(Msg::kReadLocked, routine, ierr);
    return;
  }
  if (int64_t{nel} * room > static_cast<int64_t>(a.size())) {
    issue(Msg::kTooManyElements, routine, ierr);
    return;
  }
  const int64_t words = int64_t{format::element_bytes(t)} * nel / format::kWordBytes;
  int32_t address = st.entry.address;
  FFILE(std::abs(slot.unit), kOpRead, address, a, words, ierr);
  if (ierr != 0) {
    RFFERR(ierr, routine, 0, kOpRead);
    return;
  }
  slot.access_state = access_after_read(slot.access_state);
  RFCNVD(format::kDataTypeNames[static_cast<std::size_t>(t)], a, nel, ierr);
  if (ierr < 0) RFTRAC(routine);
}

void write_array(std::string_view routine, DataType type, std::span<const std::byte> a, int32_t nel,
                 int32_t iarr, int32_t ifile, int32_t& ierr) {
  RafState& st = raf_state();
  const auto t = static_cast<int32_t>(type);
  const int32_t size = format::element_bytes(t);
  ierr = 0;
  // Find the file and the entry first, so that a refusal shows them.
  RFFNFP(ifile, iarr, t, nel, kModeNoChecks, ierr);
  if (ierr < 0) {
    RFTRAC(routine);
    return;
  }
  if (nel < 0) {
    issue(Msg::kTooFewElements, routine, ierr);
    return;
  }
  if (int64_t{nel} * size > static_cast<int64_t>(a.size())) {
    issue(Msg::kTooManyElements, routine, ierr);
    return;
  }
  RFCHKW(ierr);
  if (ierr < 0) {
    RFTRAC(routine);
    return;
  }
  if (current_slot()->lock_state == kWriteLockedState) {
    issue(Msg::kWriteLocked, routine, ierr);
    return;
  }
  RFFNFP(ifile, iarr, t, nel, kModeWrite, ierr);
  if (ierr < 0) {
    RFTRAC(routine);
    return;
  }
  Slot& slot = *current_slot();
  const int64_t words = (int64_t{size} * nel + format::kWordBytes - 1) / format::kWordBytes;
  int32_t address = st.entry.address;
  ffile_write(std::abs(slot.unit), address, a, words, ierr);
  if (ierr != 0) {
    RFFERR(ierr, routine, 0, kOpWrite);
    return;
  }
  slot.access_state = access_after_write(slot.access_state);
  ++st.write_counter;
  ++slot.writes;
}

}  // namespace

void RAFGIN(std::span<std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  read_array("RAFGIN", DataType::kInteger, a, nel, iarr, ifile, 4, ierr);
}

void RAFGRE(std::span<std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  read_array("RAFGRE", DataType::kReal, a, nel, iarr, ifile, 4, ierr);
}

void RAFGDP(std::span<std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  read_array("RAFGDP", DataType::kDouble, a, nel, iarr, ifile, 8, ierr);
}

void RAFGRD(std::span<std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  read_array("RAFGRE", DataType::kReal, a, nel, iarr, ifile, 8, ierr);
  if (ierr < 0) {
    RFTRAC("RAFGRD");
    return;
  }
  // From the last element to the first: double k covers reals 2k-1 and 2k,
  // which are read (k-th) or already widened before it is written.
  for (int64_t k = nel - 1; k >= 0; --k) {
    float single = 0.0F;
    std::memcpy(&single, a.data() + k * 4, 4U);
    const double wide = single;
    std::memcpy(a.data() + k * 8, &wide, 8U);
  }
}

void RAFPIN(std::span<const std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  write_array("RAFPIN", DataType::kInteger, a, nel, iarr, ifile, ierr);
}

void RAFPRE(std::span<const std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  write_array("RAFPRE", DataType::kReal, a, nel, iarr, ifile, ierr);
}

void RAFPDP(std::span<const std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  write_array("RAFPDP", DataType::kDouble, a, nel, iarr, ifile, ierr);
}

}  // namespace raflib
