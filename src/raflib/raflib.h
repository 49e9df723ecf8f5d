// RAFLIB, the RAF file library: up to ten RAF files open at once, their key
// records checked on opening, numbered arrays read into (and written from)
// the caller's buffers, binary data converted from the byte order of the
// computer that wrote a file, and numbered messages.
//
// Error model.  IERR is 0 on success, -number for an error and +number for a
// warning, where number is a message number 1000..1079 (raflib/messages.h).
// Every refusal is written as a message block to the message units that
// RAFINI set; a routine that passes on the error of a routine it called adds
// the trace line " *** Error return from " and its own name.
//
// Current slot and current entry.  Every routine that finds a file makes its
// slot current; RFMFPB fills the current MFP entry.  Messages show the file
// number of the current slot and the current entry.
//
// Buffers.  The read routines take the caller's buffer as bytes and never
// touch a byte outside it: a request for more elements than the buffer holds
// is refused with 1027 (too many elements) before anything is transferred.
// Nothing read from a file (key numbers, MFP words, counts) can make the
// library read or write outside a buffer or allocate memory.
//
// Reading never writes to a file.  The only write to a file opened with
// RAFOLD that was not asked for is the conversion of a version-0 file.
//
// Single-threaded: all state lives in one library-wide block (raflib/state.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/local_time.h"

namespace raflib {

// ---- start-up ---------------------------------------------------------------------

/// Forgets every file and clears all tables, page buffers, units and the
/// computer table; files still connected are not closed.  `status` = 0.
void RFRSET(int32_t& status);

/// Sets the library's constants: messages of severities WARNING, ERROR and
/// FATAL ERROR go to unit `iwfile` (0: nowhere), INFO nowhere; fills the
/// computer table (RFCOMP); write counter 0.  The file table is left alone.
void RAFINI(int32_t iwfile);

/// Fills the computer table and this computer's name and code (type 14).
void RFCOMP();

/// Replaces the local time used for stamps and message dates (tests);
/// nullptr restores the real clock.  Survives RFRSET.
void set_clock(platform::LocalTime (*clock)());

// ---- open and close ---------------------------------------------------------------

/// Removes leading blanks of `name`; a blank name becomes "raf" + the file
/// number in three digits + ".raf" (raf022.raf for 22).
void RFFNAM(std::string& name, int32_t ifile);

/// Opens the existing RAF file `name` on unit `ifile` and checks its key
/// (RFFIOP with status "OLD", then RFIOLD).  On opening, `name` receives the
/// name used (leading blanks removed, or the default name).
/// Messages: those of RFFIOP and RFIOLD, then the trace "RAFOLD".
void RAFOLD(int32_t ifile, std::string& name, int32_t& ierr);

/// Opens `name` with `status` (first letter N, O or U in either case: new,
/// old, unknown) and lays out a new RAF file with room for `nmax` arrays.
/// Messages: 1040 bad status, 1046 `nmax` below 1, 1061 `nmax` beyond the
/// eight digits of the key; those of RFFIOP and RFINEW; trace "RAFNEW".
void RAFNEW(int32_t ifile, std::string& name, std::string_view status, int32_t nmax, int32_t& ierr);

/// Writes the dirty MFP pages and the key of file `ifile` back (RFFINO,
/// RFPMFP, RFPKEY); trace "RAFUPD" on an error.
void RAFUPD(int32_t ifile, int32_t& ierr);

/// Closes file `ifile`: writes pages and key back when anything was written
/// to this file since it was opened, closes the unit and frees the slot.  A
/// number that is not open and initialised is no error (IERR 0, nothing
/// done).  A failed write-back leaves the file open (trace "RAFCLS").
void RAFCLS(int32_t ifile, int32_t& ierr);

/// Makes the slot of open file `ifile` current.  Not found: 1022, current
/// slot 0, trace "RFFINO".  Clears the current entry.
void RFFINO(int32_t ifile, int32_t& ierr);

/// Takes the first free slot and opens `name` on unit `ifile` for direct
/// access with 512-byte records and `status` ("OLD", "NEW", "UNKNOWN").
/// Messages: 1037 `ifile` already open and initialised, 1038 all ten slots
/// taken, 1034 the open failed (with the platform's status).
void RFFIOP(std::string_view name, int32_t ifile, std::string_view status, int32_t& ierr);

/// Reads and checks the key of file `ifile` opened by RFFIOP, and makes it
/// open.  Messages (from "RFIOLD", current slot 0): 1039 already open, 1022
/// not opened, 1020 not a RAF file, 1029 version above 2, 1060..1063
/// inconsistent key numbers, 1064 a key field that is not a number; RFGKEY's
/// and RFCVER's errors are repeated; 1070 (RFCNVD) for a computer type that
/// cannot be read, with the trace "RFIOLD" and the file left open.
void RFIOLD(int32_t ifile, int32_t& ierr);

/// Lays out a new file on `ifile` opened by RFFIOP: key, zero-filled MFP for
/// `nmax` arrays, first free record after it.  Messages: 1039, 1022, 1046,
/// 1061; transfer errors (RFFERR under "RFINEW").
void RFINEW(int32_t ifile, int32_t nmax, int32_t& ierr);

/// Reads CHKEY of the current slot (records 1 and 2) into its key copy.
void RFGKEY(int32_t& ierr);

/// Writes CHKEY of the current slot: stamps due by its access state, the
/// numeric block, then records 1 and 2 (after RFCHKW).
void RFPKEY(int32_t& ierr);

/// Writes every dirty page buffer of the current slot (after RFCHKW).
void RFPMFP(int32_t& ierr);

// ---- reading arrays ------------------------------------------------------------------

/// Read NEL elements of array `iarr` of file `ifile` into `a`: RAFGIN
/// integers ("IN"), RAFGRE 4-byte reals ("RE"), RAFGDP 8-byte reals ("DP"),
/// converted to this computer's byte order.  Accepted when the array is
/// allocated with that type and used <= NEL <= allocated.  Messages: those
/// of RFFNFP (1022, 1069, 1048, 1025, 1026, 1027) with the trace of the
/// routine; 1027 when `a` cannot hold NEL elements; 1023 read locked;
/// transfer errors (1036 read failure, 1043 negative address ...); 1070.
/// After a failed transfer `a` may be partly filled; after any other
/// refusal it is untouched.
void RAFGIN(std::span<std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr);
void RAFGRE(std::span<std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr);
void RAFGDP(std::span<std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr);

/// Reads NEL 4-byte reals of array `iarr` and widens them in place to NEL
/// 8-byte reals; `a` must hold 8 * NEL bytes (else 1027).  Trace "RAFGRD".
void RAFGRD(std::span<std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr);

// ---- writing arrays (creation path) ------------------------------------------------

/// Write NEL elements from `a` as array `iarr` of file `ifile`: RAFPIN
/// integers, RAFPRE 4-byte reals, RAFPDP 8-byte reals.  The first write
/// allocates the array with NEL elements; a later write may hold at most the
/// allocated count and becomes the used count.  Messages: those of RFFNFP
/// (1025, 1027, 1069 ...), 1027 when `a` holds fewer than NEL elements, 1026
/// for a negative NEL, 1071 for a file of another computer type, 1024 write
/// locked (lock state 1), transfer errors; trace of the routine.
void RAFPIN(std::span<const std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr);
void RAFPRE(std::span<const std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr);
void RAFPDP(std::span<const std::byte> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr);

// ---- MFP entries --------------------------------------------------------------------

/// Modes of RFFNFP.
inline constexpr int32_t kModeAllocate = 0;
inline constexpr int32_t kModeWrite = 1;
inline constexpr int32_t kModeRead = 2;
inline constexpr int32_t kModeNoChecks = 3;

/// Finds file `ifile` and the entry of array `iarr` and checks a request
/// for NEL elements of type `itype` in `mode`: 0 allocate, 1 write (allocate
/// on first write, else record NEL as the used count), 2 read, 3 no checks.
/// Messages ("RFFNFP"): 1047 allocating an allocated array, 1048 reading an
/// unallocated one, 1025 type, 1026 NEL below the used count (not in mode
/// 1), 1027 NEL above the allocated count; errors of RFFINO, RFMFPB and
/// RFALL get the trace "RFFNFP".
void RFFNFP(int32_t ifile, int32_t iarr, int32_t itype, int32_t nel, int32_t mode, int32_t& ierr);

/// The highest array number (MFPMAX) of the file open on unit `ifile`, or
/// nothing when no file is open there.  No messages.
std::optional<int32_t> highest_array(int32_t ifile);

/// Type and element counts of the MFP entry RFFNFP (or RFMFPB) found last.
struct EntryCounts {
  int32_t type = 0;
  int32_t allocated = 0;
  int32_t used = 0;
};
EntryCounts last_entry();

/// Loads the MFP entry of `iarr` of the current slot into the current
/// entry, through the slot's ten page buffers (least recently used page
/// replaced).  Messages: 1069 `iarr` outside 1..MFPMAX; RFSMFP's errors.
void RFMFPB(int32_t iarr, int32_t& ierr);

/// Loads the page of the current entry into the current entry's buffer,
/// writing that buffer's dirty page back first.  Messages ("RFSMFP"):
/// transfer errors, 1071 before a write-back, 1070 on conversion.
void RFSMFP(int32_t& ierr);

/// Allocates array `iarr` of file `ifile`: `nel` elements of type `itype`
/// with used count `used`, at the next free record.  Messages ("RFALL"):
/// 1047 already allocated, 1032 unknown type, 1026/1027 bad counts, 1035
/// when the file would outgrow the key's eight digits; RFFINO's and
/// RFMFPB's errors.
void RFALL(int32_t ifile, int32_t iarr, int32_t itype, int32_t nel, int32_t used, int32_t& ierr);

/// Operations of FFILE.
inline constexpr int32_t kOpAdvance = 0;
inline constexpr int32_t kOpWrite = 1;
inline constexpr int32_t kOpRead = 2;

/// FFILE's own statuses.
inline constexpr int32_t kFfileBadUnit = -991;
inline constexpr int32_t kFfileBadOperation = -992;
inline constexpr int32_t kFfileBadAddress = -993;
inline constexpr int32_t kFfileNegativeCount = -995;
inline constexpr int32_t kFfileBufferTooShort = -996;

/// The status, as the system gives it for "file too large", of a transfer
/// or an allocation that would take the file past the records it can
/// address (IERR holds it negated).
inline constexpr int32_t kStatusFileTooLarge = 27;

/// Transfers `nwords` words between `buf` and unit `iunit` from record
/// `iadr` on: operation kOpAdvance only advances `iadr`, kOpWrite writes,
/// kOpRead reads.  Each record takes 128 words (the last one the rest);
/// `iadr` rises by one per record, also after a failing transfer.  IERR: 0;
/// -995 negative count; -991 unit outside 1..99; -992 bad operation; -993
/// address below 1; -996 `buf` shorter than `nwords` words; -27 a run past
/// the highest record number; -(platform status) when a transfer fails.  No
/// message.
void FFILE(int32_t iunit, int32_t iop, int32_t& iadr, std::span<std::byte> buf, int64_t nwords,
           int32_t& ierr);

// ---- computer types ---------------------------------------------------------------

/// Converts `n` elements of data type `name` ("IN", "RE", "DP", "CO"; any
/// other name converts nothing) from the current file's computer type.
/// Message 1070 ("RFCNVD") when the file's type cannot be read here.
void RFCNVD(std::string_view name, std::span<std::byte> data, int32_t n, int32_t& ierr);

/// Reverses the `len` bytes of each of `n` elements.  IERR -1 for a negative
/// `n`, -2 for `len` outside 2..8, -3 when `data` is shorter than n * len
/// bytes; no message.
void RFSWAP(std::span<std::byte> data, int32_t n, int32_t len, int32_t& ierr);

/// Refuses (1071, "RFCHKW") when the current file was written by another
/// computer type: such files are never written.
void RFCHKW(int32_t& ierr);

/// Converts the current file of version `version` <= 0 in place to version
/// 2 revision 1; does nothing for version 1 or a file of at most 127 arrays.
void RFCVER(int32_t version, int32_t revision, int32_t& ierr);

// ---- messages -----------------------------------------------------------------------

/// Writes the message block of |ierr| from `routine` to the units of its
/// severity and sets `ierr` to -number (errors) or +number (info, warning).
/// `label` is shown when not 0; `ipar` fills field {1} of the text (-12345:
/// "<UNKNOWN>"), `apar` without its trailing blanks fills field {2}.
void RFMESS(int32_t& ierr, std::string_view routine, int32_t label, int32_t ipar,
            std::string_view apar);

/// Writes an empty line and " *** Error return from " + `routine` to the
/// units of severity ERROR.
void RFTRAC(std::string_view routine);

/// Turns an FFILE status into a message from `routine`: -991..-995 become
/// 1041..1045; other failures 1035 (write or advance, `iop` 0 or 1) or 1036
/// (read) with |ierr| as the computer's error flag.
void RFFERR(int32_t& ierr, std::string_view routine, int32_t label, int32_t iop);

// ---- typed buffers ------------------------------------------------------------------

inline void RAFGIN(std::span<int32_t> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  RAFGIN(std::as_writable_bytes(a), nel, iarr, ifile, ierr);
}
inline void RAFGRE(std::span<float> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  RAFGRE(std::as_writable_bytes(a), nel, iarr, ifile, ierr);
}
inline void RAFGDP(std::span<double> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  RAFGDP(std::as_writable_bytes(a), nel, iarr, ifile, ierr);
}
inline void RAFGRD(std::span<double> a, int32_t nel, int32_t iarr, int32_t ifile, int32_t& ierr) {
  RAFGRD(std::as_writable_bytes(a), nel, iarr, ifile, ierr);
}
inline void RAFPIN(std::span<const int32_t> a, int32_t nel, int32_t iarr, int32_t ifile,
                   int32_t& ierr) {
  RAFPIN(std::as_bytes(a), nel, iarr, ifile, ierr);
}
inline void RAFPRE(std::span<const float> a, int32_t nel, int32_t iarr, int32_t ifile,
                   int32_t& ierr) {
  RAFPRE(std::as_bytes(a), nel, iarr, ifile, ierr);
}
inline void RAFPDP(std::span<const double> a, int32_t nel, int32_t iarr, int32_t ifile,
                   int32_t& ierr) {
  RAFPDP(std::as_bytes(a), nel, iarr, ifile, ierr);
}

}  // namespace raflib
