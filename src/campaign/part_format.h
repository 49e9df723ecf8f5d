// The layout of a part file: the per-file results of one run (or one share
// of a campaign) that `vemrask merge` turns into the report one run over all
// the files would have written.
//
// All integers are little-endian, whatever the computer; a real is the 64
// bits of its double, as an unsigned integer.  A string is its byte count
// (U8) followed by its bytes.  A section list is a count (U4) followed by
// that many sections: a tag of four ASCII characters, a byte count (U8) and
// the bytes.  Sections carry data later versions add (ends rows, histories,
// the model's coordinates); a reader keeps the sections it does not know.
//
//   OFFSET  WIDTH  DESCRIPTION
//   0       16     magic text kMagic
//   16      4      U4  format version (kFormatVersion)
//   20      4      U4  reserved, 0
//   24      ...    chunks: tag (4 ASCII), payload length (U8), payload;
//                  one "HEAD", any number of "FILE", one "END "
//   size-8  8      U8  checksum of every byte before it: 64-bit FNV-1a taken
//                  over 8-byte little-endian words (hash = (hash XOR word) x
//                  FNV prime, from the FNV offset basis), the last 0..7
//                  bytes one by one as in byte-wise FNV-1a
//
// HEAD payload (the run):
//   16      run identity: random bytes drawn when the run started
//   8       I8  creation time, seconds since 1970-01-01 UTC
//   string  host name of the writing computer
//   string  version of the writing program
//   4       I4  load case (1 for a time-domain run, 0 = entire simulation)
//   4       I4  step-limit flag (1 when a time or load level limit is set)
//   8       R8  step limit, exact bits
//   4       I4  kind of the first file (its NEWLTY: 1 time domain; 0 when no
//               file of the run reached the step settings)
//   string  the step-limit line(s) as written to the output file
//   list    sections
//
// FILE payload (one listed file, in list order):
//   4       I4  position in the run's list (1, 2, ...)
//   4       I4  length of the list line as read (trimmed): the name column
//               of the report is as wide as the longest of them
//   string  stored name (the list name, ".raf" added), trailing blanks cut
//   1       U1  outcome (Outcome)
//   string  reason: the text that names a skipped file or a failure
//   string  bytes written to the screen for this file
//   string  bytes written to the output file for this file
//   string  bytes written to the message log for this file
//   string  bytes written to standard error for this file
//   16      U8, U8  offset and length of the step settings in the screen
//               bytes (length 0: none); kept only for the first file of a run
//   16      U8, U8  the same in the output-file bytes
//   4       I4  NEL, element count of the file
//   4       I4  NEWLTY of the file
//   4       I4  element records stored (0..NEL): those not all zero bits
//   84 each I4 element position (1..NEL, ascending), R8 x 10 record values
//   4       I4  MELEX entries, then I4 each
//   list    sections
//
// END payload:
//   8       U8  number of FILE chunks
//
// Sections of the run header:
//   "LIST"  the list file the run read, as named (the HTML page of a merge
//           shows the first part's)
//   "EXPO"  U4, ends per file whose utilisation history the records hold
//           (--history N; 0 without it); present when the records carry
//           the data of the CSV files and the HTML page
// Sections of a FILE record (in a part whose header has "EXPO", and in a
// worker's record of a --jobs run with --csv or --html):
//   "EXPO"  the file's rows for the CSV files and the page, when the file
//           reached them (checked, failed in its result pass, or skipped);
//           layout in exports/record.h
//   "FRAM"  the frame of a checked file for the page's drawing (layout in
//           exports/record.h); a part keeps it for its last checked file only
//   "STEP"  no bytes: the run ended at this file because a step-limit option
//           does not fit the file's kind (a command-line error: exit status 2)
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace campaign::format {

inline constexpr std::string_view kMagic{"VEMRASK PART\r\n\x1a\n", 16};
inline constexpr uint32_t kFormatVersion = 1;

/// Bytes before the first chunk, and of the checksum after the last.
inline constexpr int64_t kHeaderBytes = 24;
inline constexpr int64_t kChecksumBytes = 8;
/// Tag and payload length of a chunk.
inline constexpr int64_t kChunkFrameBytes = 12;

inline constexpr std::string_view kHeadTag = "HEAD";
inline constexpr std::string_view kFileTag = "FILE";
inline constexpr std::string_view kEndTag = "END ";

/// Sections (see above); the tags of a run header and of a record are apart.
inline constexpr std::array<char, 4> kListSection = {'L', 'I', 'S', 'T'};
inline constexpr std::array<char, 4> kExportSection = {'E', 'X', 'P', 'O'};
inline constexpr std::array<char, 4> kFrameSection = {'F', 'R', 'A', 'M'};
inline constexpr std::array<char, 4> kStepMisfitSection = {'S', 'T', 'E', 'P'};

inline constexpr int64_t kRunIdBytes = 16;
/// Values of an element result record.
inline constexpr int32_t kRecordValues = 10;

}  // namespace campaign::format
