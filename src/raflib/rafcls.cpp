// Finding an open file (RFFINO), writing back what changed (RAFUPD with
// RFPMFP and RFPKEY) and closing (RAFCLS).
#include <cstdlib>

#include "platform/units.h"
#include "raflib/format.h"
#include "raflib/raflib.h"
#include "raflib/state.h"

namespace raflib {
namespace {

// Makes the file as long as its allocated records: the last record below
// MFPNXT is written (zeros) when the file ends before it, so that every
// allocated array lies inside the file even when it was written short.
void complete_extent(Slot& slot, int32_t& ierr) {
  const int32_t unit = std::abs(slot.unit);
  const int64_t last = int64_t{slot.values.mfpnxt} - 1;
  const int64_t size = platform::direct_file_size(unit);
  if (last < 1 || size < 0 || size >= last * format::kRecordBytes) return;
  const std::array<std::byte, format::kRecordBytes> zeros{};
  int32_t at = static_cast<int32_t>(last);
  ffile_write(unit, at, zeros, format::kRecordWords, ierr);
  if (ierr != 0) RFFERR(ierr, "RAFUPD", 0, kOpWrite);
}

}  // namespace

void RFFINO(int32_t ifile, int32_t& ierr) {
  RafState& st = raf_state();
  st.entry = CurrentEntry{};
  ierr = 0;
  if (ifile > 0) {
    for (int32_t k = 1; k <= kSlots; ++k) {
      if (st.slots[static_cast<std::size_t>(k - 1)].unit == ifile) {
        st.current = k;
        return;
      }
    }
  }
  st.current = 0;
  issue(Msg::kNotInitialised, "RFFINO", ierr);
  RFTRAC("RFFINO");
}

void RFPMFP(int32_t& ierr) {
  Slot* slot = current_slot();
  ierr = 0;
  if (slot == nullptr) {
    issue(Msg::kNotInitialised, "RFPMFP", ierr);
    return;
  }
  RFCHKW(ierr);
  if (ierr < 0) {
    RFTRAC("RFPMFP");
    return;
  }
  bool wrote = false;
  for (PageBuffer& b : slot->pages) {
    if (b.page == 0 || !b.dirty) continue;
    int32_t at =
        static_cast<int32_t>(slot->values.mfpadr + int64_t{format::kRecordsPerPage} * (b.page - 1));
    ffile_write(std::abs(slot->unit), at, b.bytes, format::kPageWords, ierr);
    if (ierr != 0) {
      RFFERR(ierr, "RFPMFP", 0, kOpWrite);
      return;
    }
    b.dirty = false;
    wrote = true;
  }
  ++raf_state().write_counter;
  if (wrote) ++slot->writes;
}

void RAFUPD(int32_t ifile, int32_t& ierr) {
  RFFINO(ifile, ierr);
  if (ierr >= 0) RFPMFP(ierr);
  if (ierr >= 0) RFPKEY(ierr);
  if (ierr >= 0) complete_extent(*current_slot(), ierr);
  if (ierr < 0) RFTRAC("RAFUPD");
}

void RAFCLS(int32_t ifile, int32_t& ierr) {
  RafState& st = raf_state();
  ierr = 0;
  if (ifile <= 0) return;
  int32_t found = 0;
  for (int32_t k = 1; k <= kSlots && found == 0; ++k) {
    if (st.slots[static_cast<std::size_t>(k - 1)].unit == ifile) found = k;
  }
  if (found == 0) return;
  st.current = found;
  Slot& slot = st.slots[static_cast<std::size_t>(found - 1)];
  // Only a file that was written to is written back: closing a file that
  // was only read leaves it as it was.
  if (slot.writes != 0) {
    RAFUPD(ifile, ierr);
    if (ierr < 0) {
      RFTRAC("RAFCLS");
      return;
    }
  }
  platform::close_unit(ifile);
  slot = Slot{};
  st.current = 0;
}

}  // namespace raflib
