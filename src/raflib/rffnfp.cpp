// MFP entries: RFFNFP (find and check), RFMFPB with RFSMFP (the cache of ten
// pages per file), and RFALL (allocation of array space).
//
// The cache.  Each buffer holds one page and an age, 1 for the most
// recently used up to 10.  A hit makes its buffer the youngest and ages the
// younger ones by one; a miss loads the page into the first oldest buffer
// (writing it back first when dirty), ages every buffer by one (at most 10)
// and makes the loaded one the youngest.  So a run of reads over nearby
// array numbers reads each page once.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/units.h"
#include "raflib/format.h"
#include "raflib/raflib.h"
#include "raflib/state.h"

namespace raflib {
namespace {

// First record of page `page`; false when it cannot be a record number.
bool page_address(const Slot& slot, int32_t page, int32_t& address) {
  const int64_t at = int64_t{slot.values.mfpadr} + int64_t{format::kRecordsPerPage} * (page - 1);
  if (at < 1 || at > std::numeric_limits<int32_t>::max()) return false;
  address = static_cast<int32_t>(at);
  return true;
}

int32_t entry_word(int32_t index, format::EntryWord word) {
  return (index - 1) * format::kEntryWords + static_cast<int32_t>(word);
}

// Allocates the current entry: `nel` elements of `itype`, used count `used`.
void allocate(int32_t itype, int32_t nel, int32_t used, int32_t& ierr) {
  RafState& st = raf_state();
  Slot& slot = *current_slot();
  CurrentEntry& e = st.entry;
  const int32_t size = format::element_bytes(itype);
  if (size == 0) {
    issue(Msg::kUnknownDataType, "RFALL", ierr, itype);
    return;
  }
  if (nel < 0 || used < 0) {
    issue(Msg::kTooFewElements, "RFALL", ierr);
    return;
  }
  if (used > nel) {
    issue(Msg::kTooManyElements, "RFALL", ierr);
    return;
  }
  const int64_t words = (int64_t{nel} * size + format::kWordBytes - 1) / format::kWordBytes;
  const int64_t records = (words + format::kRecordWords - 1) / format::kRecordWords;
  if (slot.values.mfpnxt + records > format::kMaxI8) {
    ierr = -kStatusFileTooLarge;
    RFFERR(ierr, "RFALL", 0, kOpAdvance);
    return;
  }
  int32_t next = slot.values.mfpnxt;
  FFILE(std::abs(slot.unit), kOpAdvance, next, {}, words, ierr);
  if (ierr != 0) {
    RFFERR(ierr, "RFALL", 0, kOpAdvance);
    return;
  }
  e.address = slot.values.mfpnxt;
  e.type = itype;
  e.allocated = nel;
  e.used = used;
  PageBuffer& b = slot.pages[static_cast<std::size_t>(e.buffer - 1)];
  set_page_word(b, entry_word(e.index, format::EntryWord::kAddress), e.address);
  set_page_word(b, entry_word(e.index, format::EntryWord::kType), e.type);
  set_page_word(b, entry_word(e.index, format::EntryWord::kAllocated), e.allocated);
  set_page_word(b, entry_word(e.index, format::EntryWord::kUsed), e.used);
  b.dirty = true;
  slot.values.mfpnxt = next;
  slot.values.mfpcur = std::max(slot.values.mfpcur, e.array);
}

}  // namespace

void RFSMFP(int32_t& ierr) {
  RafState& st = raf_state();
  Slot* slot = current_slot();
  ierr = 0;
  if (slot == nullptr || st.entry.buffer < 1 || st.entry.buffer > kPageBuffers) {
    issue(Msg::kNotInitialised, "RFSMFP", ierr);
    return;
  }
  const int32_t unit = std::abs(slot->unit);
  PageBuffer& b = slot->pages[static_cast<std::size_t>(st.entry.buffer - 1)];
  if (b.page != 0 && b.dirty) {
    RFCHKW(ierr);
    if (ierr < 0) {
      RFTRAC("RFSMFP");
      return;
    }
    int32_t at = 0;
    if (!page_address(*slot, b.page, at)) at = -1;
    ffile_write(unit, at, b.bytes, format::kPageWords, ierr);
    if (ierr != 0) {
      RFFERR(ierr, "RFSMFP", 0, kOpWrite);
      return;
    }
    ++st.write_counter;
    ++slot->writes;
  }
  b.page = 0;
  b.dirty = false;
  int32_t at = 0;
  if (page_address(*slot, st.entry.page, at)) {
    FFILE(unit, kOpRead, at, b.bytes, format::kPageWords, ierr);
  } else {
    ierr = -platform::kStatusPastEnd;
  }
  if (ierr != 0) {
    b.bytes.fill(std::byte{0});
    RFFERR(ierr, "RFSMFP", 0, kOpRead);
    return;
  }
  RFCNVD("IN", b.bytes, format::kPageWords, ierr);
  if (ierr < 0) {
    b.bytes.fill(std::byte{0});
    RFTRAC("RFSMFP");
    return;
  }
  b.page = st.entry.page;
}

void RFMFPB(int32_t iarr, int32_t& ierr) {
  RafState& st = raf_state();
  CurrentEntry& e = st.entry;
  e.array = iarr;
  ierr = 0;
  Slot* slot = current_slot();
  if (slot == nullptr) {
    issue(Msg::kNotInitialised, "RFMFPB", ierr);
    return;
  }
  if (iarr < 1 || iarr > slot->values.mfpmax) {
    issue(Msg::kOutsideMfp, "RFMFPB", ierr);
    return;
  }
  const int32_t page = (iarr - 1) / format::kPageEntries + 1;
  auto& pages = slot->pages;
  auto hit = std::find_if(pages.begin(), pages.end(),
                          [page](const PageBuffer& b) { return b.page == page; });
  if (hit != pages.end()) {
    const int32_t age = hit->age;
    if (age != 1) {
      for (PageBuffer& b : pages) {
        if (b.age < age) ++b.age;
      }
      hit->age = 1;
    }
  } else {
    hit = std::max_element(pages.begin(), pages.end(),
                           [](const PageBuffer& a, const PageBuffer& b) { return a.age < b.age; });
    e.page = page;
    e.buffer = static_cast<int32_t>(hit - pages.begin()) + 1;
    RFSMFP(ierr);
    for (PageBuffer& b : pages) b.age = std::min(b.age + 1, kPageBuffers);
    hit->age = 1;
  }
  e.page = page;
  e.buffer = static_cast<int32_t>(hit - pages.begin()) + 1;
  e.index = (iarr - 1) % format::kPageEntries + 1;
  if (ierr < 0) {
    // The buffer does not hold this page: no entry to show.
    e.address = e.type = e.allocated = e.used = 0;
    return;
  }
  e.address = page_word(*hit, entry_word(e.index, format::EntryWord::kAddress));
  e.type = page_word(*hit, entry_word(e.index, format::EntryWord::kType));
  e.allocated = page_word(*hit, entry_word(e.index, format::EntryWord::kAllocated));
  e.used = page_word(*hit, entry_word(e.index, format::EntryWord::kUsed));
}

void RFFNFP(int32_t ifile, int32_t iarr, int32_t itype, int32_t nel, int32_t mode, int32_t& ierr) {
  RafState& st = raf_state();
  ierr = 0;
  RFFINO(ifile, ierr);
  if (ierr >= 0) RFMFPB(iarr, ierr);
  if (ierr < 0) {
    RFTRAC("RFFNFP");
    return;
  }
  if (mode == kModeNoChecks) return;
  CurrentEntry& e = st.entry;
  if (e.address > 0 && mode == kModeAllocate) {
    issue(Msg::kAlreadyAllocated, "RFFNFP", ierr);
    return;
  }
  if (e.address == 0) {
    if (mode == kModeRead) {
      issue(Msg::kNotAllocated, "RFFNFP", ierr);
      return;
    }
    if (mode == kModeAllocate || mode == kModeWrite) {
      allocate(itype, nel, mode == kModeAllocate ? 0 : nel, ierr);
      if (ierr < 0) {
        RFTRAC("RFFNFP");
        return;
      }
    }
  }
  if (itype != e.type) {
    issue(Msg::kTypeMismatch, "RFFNFP", ierr);
    return;
  }
  if (mode == kModeWrite) {
    // A write may hold fewer elements than the last one: its count becomes
    // the used count, recorded only once the request has passed the checks.
    if (nel > e.allocated) {
      issue(Msg::kTooManyElements, "RFFNFP", ierr);
    } else if (nel < 0) {
      issue(Msg::kTooFewElements, "RFFNFP", ierr);
    } else if (nel != e.used && e.address > 0) {
      e.used = nel;
      PageBuffer& b = current_slot()->pages[static_cast<std::size_t>(e.buffer - 1)];
      set_page_word(b, entry_word(e.index, format::EntryWord::kUsed), nel);
      b.dirty = true;
    }
    return;
  }
  if (nel < e.used) {
    issue(Msg::kTooFewElements, "RFFNFP", ierr);
    return;
  }
  if (nel > e.allocated) issue(Msg::kTooManyElements, "RFFNFP", ierr);
}

void RFALL(int32_t ifile, int32_t iarr, int32_t itype, int32_t nel, int32_t used, int32_t& ierr) {
  ierr = 0;
  RFFINO(ifile, ierr);
  if (ierr >= 0) RFMFPB(iarr, ierr);
  if (ierr < 0) {
    RFTRAC("RFALL");
    return;
  }
  if (raf_state().entry.address != 0) {
    issue(Msg::kAlreadyAllocated, "RFALL", ierr);
    return;
  }
  allocate(itype, nel, used, ierr);
}

std::optional<int32_t> highest_array(int32_t ifile) {
  for (const Slot& slot : raf_state().slots) {
    if (slot.unit == ifile) return slot.values.mfpmax;
  }
  return std::nullopt;
}

EntryCounts last_entry() {
  const CurrentEntry& e = raf_state().entry;
  return {e.type, e.allocated, e.used};
}

}  // namespace raflib
