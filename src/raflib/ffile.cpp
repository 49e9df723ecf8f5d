// FFILE, the word transfer between a buffer and consecutive records.
//
// A transfer of n words covers ceil(n / 128) records, 128 words to a record
// and the rest in the last.  A read first tries the whole run of records in
// one call; when that fails it is repeated record by record, so that the
// status reported, the address reached and what the buffer holds are those
// of the record-by-record transfer.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/units.h"
#include "raflib/format.h"
#include "raflib/raflib.h"
#include "raflib/state.h"

namespace raflib {
namespace {

int64_t records_for(int64_t nwords) {
  return (nwords + format::kRecordWords - 1) / format::kRecordWords;
}

int32_t status_to_ierr(int status) {
  return status > 0 ? -status : -platform::kStatusBadUnit;
}

void read_records(int32_t unit, int32_t& iadr, std::byte* buf, int64_t nwords, int32_t& ierr) {
  const int64_t nrec = records_for(nwords);
  const auto total = static_cast<std::size_t>(nwords) * format::kWordBytes;
  if (platform::read_direct_run(unit, iadr, buf, total) == 0) {
    iadr = static_cast<int32_t>(iadr + nrec);
    return;
  }
  for (int64_t k = 0; k < nrec; ++k) {
    const int64_t first = k * format::kRecordWords;
    const int64_t words = std::min<int64_t>(format::kRecordWords, nwords - first);
    const int status = platform::read_direct(unit, iadr, buf + first * format::kWordBytes,
                                             static_cast<std::size_t>(words) * format::kWordBytes);
    ++iadr;
    if (status != 0) {
      ierr = status_to_ierr(status);
      return;
    }
  }
}

void write_records(int32_t unit, int32_t& iadr, const std::byte* buf, int64_t nwords,
                   int32_t& ierr) {
  const int64_t nrec = records_for(nwords);
  for (int64_t k = 0; k < nrec; ++k) {
    const int64_t first = k * format::kRecordWords;
    const int64_t words = std::min<int64_t>(format::kRecordWords, nwords - first);
    const int status = platform::write_direct(unit, iadr, buf + first * format::kWordBytes,
                                              static_cast<std::size_t>(words) * format::kWordBytes);
    ++iadr;
    if (status != 0) {
      ierr = status_to_ierr(status);
      return;
    }
  }
}

// The checks and transfers of FFILE; `in` is the buffer read into, `out`
// the one written from (the same bytes for FFILE itself).
void transfer(int32_t iunit, int32_t iop, int32_t& iadr, std::byte* in, const std::byte* out,
              std::size_t bytes, int64_t nwords, int32_t& ierr) {
  if (nwords == 0) {
    ierr = 0;
    return;
  }
  if (nwords < 0) {
    ierr = kFfileNegativeCount;
    return;
  }
  if (iop != kOpAdvance) {
    if (iunit < 1 || iunit > platform::kMaxUnit) {
      ierr = kFfileBadUnit;
      return;
    }
    if (iop != kOpWrite && iop != kOpRead) {
      ierr = kFfileBadOperation;
      return;
    }
  }
  if (iadr <= 0) {
    ierr = kFfileBadAddress;
    return;
  }
  ierr = 0;
  const int64_t nrec = records_for(nwords);
  // Record numbers are 32-bit, and so is the address after the run: a run
  // that would pass the highest one cannot be addressed (nor, when reading,
  // lie inside any file).
  if (iadr + nrec > std::numeric_limits<int32_t>::max()) {
    ierr = iop == kOpRead ? -platform::kStatusPastEnd : -kStatusFileTooLarge;
    return;
  }
  if (iop == kOpAdvance) {
    iadr = static_cast<int32_t>(iadr + nrec);
    return;
  }
  if (static_cast<uint64_t>(nwords) > bytes / format::kWordBytes) {
    ierr = kFfileBufferTooShort;
    return;
  }
  if (iop == kOpRead) {
    read_records(iunit, iadr, in, nwords, ierr);
  } else {
    write_records(iunit, iadr, out, nwords, ierr);
  }
}

}  // namespace

void FFILE(int32_t iunit, int32_t iop, int32_t& iadr, std::span<std::byte> buf, int64_t nwords,
           int32_t& ierr) {
  transfer(iunit, iop, iadr, buf.data(), buf.data(), buf.size(), nwords, ierr);
}

void ffile_write(int32_t iunit, int32_t& iadr, std::span<const std::byte> buf, int64_t nwords,
                 int32_t& ierr) {
  transfer(iunit, kOpWrite, iadr, nullptr, buf.data(), buf.size(), nwords, ierr);
}

}  // namespace raflib
