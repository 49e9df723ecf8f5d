// Computer types and conversion: RFCNVD with RFSWAP, RFCHKW and RFCVER.
//
// Files of computers that store the least significant byte first (codes 5,
// 14, 15) and of those that store the most significant byte first (8, 12)
// are read on each other by reversing the bytes of every element; files of
// any other computer type are refused.  A file is written only on the
// computer type that wrote it.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "raflib/chkey.h"
#include "raflib/format.h"
#include "raflib/raflib.h"
#include "raflib/state.h"

namespace raflib {
namespace {

enum class Pairing { kSame, kReverse, kRefused };

Pairing pairing(int32_t own, int32_t file) {
  if (own == file) return Pairing::kSame;
  const format::ByteOrder a = format::byte_order_of(own);
  const format::ByteOrder b = format::byte_order_of(file);
  if (a == format::ByteOrder::kOther || b == format::ByteOrder::kOther) return Pairing::kRefused;
  return a == b ? Pairing::kSame : Pairing::kReverse;
}

int32_t file_type() {
  const Slot* slot = current_slot();
  return slot != nullptr ? slot->computer_type : 0;
}

int32_t swap_size(std::string_view name) {
  if (name == "IN" || name == "RE" || name == "CO") return 4;
  if (name == "DP") return 8;
  return 0;
}

uint32_t swapped(uint32_t v) {
  return __builtin_bswap32(v);
}
uint64_t swapped(uint64_t v) {
  return __builtin_bswap64(v);
}

template <class Word>
void swap_words(std::byte* data, int64_t n) {
  for (int64_t k = 0; k < n; ++k) {
    Word w;
    std::memcpy(&w, data + k * sizeof(Word), sizeof(Word));
    w = swapped(w);
    std::memcpy(data + k * sizeof(Word), &w, sizeof(Word));
  }
}

}  // namespace

void RFSWAP(std::span<std::byte> data, int32_t n, int32_t len, int32_t& ierr) {
  if (n < 0) {
    ierr = -1;
    return;
  }
  if (len < 2 || len > 8) {
    ierr = -2;
    return;
  }
  if (static_cast<uint64_t>(n) * static_cast<uint64_t>(len) > data.size()) {
    ierr = -3;
    return;
  }
  ierr = 0;
  if (len == 4) {
    swap_words<uint32_t>(data.data(), n);
  } else if (len == 8) {
    swap_words<uint64_t>(data.data(), n);
  } else {
    for (int64_t k = 0; k < n; ++k) {
      std::byte* first = data.data() + k * len;
      std::reverse(first, first + len);
    }
  }
}

void RFCNVD(std::string_view name, std::span<std::byte> data, int32_t n, int32_t& ierr) {
  const RafState& st = raf_state();
  const int32_t type = file_type();
  ierr = 0;
  switch (pairing(st.own_type, type)) {
    case Pairing::kSame:
      return;
    case Pairing::kRefused:
      issue(Msg::kCannotReadFrom, "RFCNVD", ierr, kUnknown, computer_name(type));
      return;
    case Pairing::kReverse:
      break;
  }
  const int32_t size = swap_size(name);
  if (size == 0) return;
  RFSWAP(data, n, size, ierr);
  if (ierr != 0) RFTRAC("RFCNVD");
}

void RFCHKW(int32_t& ierr) {
  const int32_t type = file_type();
  ierr = 0;
  if (type != 0 && type != raf_state().own_type) {
    issue(Msg::kCannotGenerateFor, "RFCHKW", ierr, kUnknown, computer_name(type));
  }
}

void RFCVER(int32_t version, [[maybe_unused]] int32_t revision, int32_t& ierr) {
  ierr = 0;
  if (version > 0) return;
  Slot* slot = current_slot();
  if (slot == nullptr) {
    issue(Msg::kNotInitialised, "RFCVER", ierr);
    return;
  }
  // Only files with more than one full page hold entries to move.
  const int32_t n = slot->values.mfpmax / format::kPageEntries - 1;
  if (n <= 0) return;
  RFCHKW(ierr);
  if (ierr < 0) {
    RFTRAC("RFCVER");
    return;
  }
  const int32_t unit = std::abs(slot->unit);
  std::array<std::byte, std::size_t{2} * format::kPageBytes> pages{};
  constexpr std::size_t kLastEntry =
      static_cast<std::size_t>(format::kPageWords - format::kEntryWords) * 4U;
  int32_t address = slot->values.mfpadr;
  for (int32_t i = 1; i <= n; ++i) {
    // The last entry of page i takes the last entry of page i + 1.
    int32_t at = address;
    FFILE(unit, kOpRead, at, pages, int64_t{2} * format::kPageWords, ierr);
    if (ierr != 0) {
      RFFERR(ierr, "RFCVER", 0, kOpRead);
      return;
    }
    std::memcpy(pages.data() + kLastEntry, pages.data() + format::kPageBytes + kLastEntry,
                static_cast<std::size_t>(format::kEntryWords) * 4U);
    at = address;
    ffile_write(unit, at, pages, format::kPageWords, ierr);
    if (ierr != 0) {
      RFFERR(ierr, "RFCVER", 0, kOpWrite);
      return;
    }
    address += format::kRecordsPerPage;
  }
  put_key_int(slot->key, format::kVersion, format::kFileVersion);
  put_key_int(slot->key, format::kRevision, format::kFileRevision);
  put_key_int(slot->key, format::kRecordLength, format::kRecordBytes);
  RFPKEY(ierr);
  if (ierr < 0) {
    RFTRAC("RFCVER");
    return;
  }
  ++raf_state().write_counter;
  ++slot->writes;
}

}  // namespace raflib
