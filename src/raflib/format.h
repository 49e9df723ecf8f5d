// The layout of a RAF file on disk: records, the key record CHKEY, the array
// pointer table MFP, data types and computer types.
//
// A RAF file is an unformatted direct-access file of 512-byte records,
// numbered from 1:
//
//   RECORDS            CONTENTS
//   1, 2               CHKEY, 1024 characters of text (independent of byte order)
//   MFPADR ...         the MFP: pages of 64 entries of four 4-byte integers,
//                      each page two records (MFPADR is 3 in every new file)
//   MFPADR + MFPLEN .. array data, one run of consecutive records per array
//
// Binary values (MFP entries, array data) are in the byte order of the
// computer that wrote the file, named by the computer type code in CHKEY.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace raflib::format {

// ---- records and words ---------------------------------------------------------

inline constexpr int32_t kRecordBytes = 512;
inline constexpr int32_t kWordBytes = 4;
inline constexpr int32_t kRecordWords = 128;

/// Record number of CHKEY; MFPADR must lie above it.
inline constexpr int32_t kKeyRecord = 1;
inline constexpr int32_t kKeyBytes = 1024;
inline constexpr int32_t kKeyWords = 256;

/// MFPADR of every file this library creates.
inline constexpr int32_t kFirstMfpRecord = 3;

// ---- MFP -------------------------------------------------------------------------

inline constexpr int32_t kPageEntries = 64;
inline constexpr int32_t kEntryWords = 4;
inline constexpr int32_t kPageWords = kPageEntries * kEntryWords;  // 256
inline constexpr int32_t kPageBytes = kPageWords * kWordBytes;     // 1024
inline constexpr int32_t kRecordsPerPage = 2;

/// Words of an MFP entry (1-based, as in the entry).
enum class EntryWord : int32_t {
  kAddress = 1,    ///< record number of the first record; 0 = not allocated
  kType = 2,       ///< data type number
  kAllocated = 3,  ///< allocated number of elements
  kUsed = 4,       ///< number of elements last written
};

// ---- CHKEY -----------------------------------------------------------------------

/// A field of CHKEY: offset from 0 and width in characters.
struct KeyField {
  int32_t offset;
  int32_t width;
};

//   OFFSET WIDTH FORM  FIELD
inline constexpr KeyField kMagic{0, 8};            //  text  "RAFLIB  "
inline constexpr KeyField kVersion{8, 4};          //  I4    file version
inline constexpr KeyField kRevision{12, 4};        //  I4    file revision
inline constexpr KeyField kComputerName{16, 40};   //  text  writing computer type
inline constexpr KeyField kComputerCode{56, 4};    //  I4    writing computer code
inline constexpr KeyField kCreatedStamp{60, 16};   //  text  creation stamp
inline constexpr KeyField kWrittenStamp{76, 16};   //  text  last opening with writes
inline constexpr KeyField kReadStamp{92, 16};      //  text  last opening with reads
inline constexpr KeyField kFirstLock{108, 4};      //  I4    first lock flag
inline constexpr KeyField kSecondLock{112, 4};     //  I4    second lock flag
inline constexpr KeyField kMfpadr{116, 8};         //  I8    first MFP record
inline constexpr KeyField kMfpmax{124, 8};         //  I8    maximum number of arrays
inline constexpr KeyField kMfpcur{132, 8};         //  I8    highest array allocated
inline constexpr KeyField kMfpnxt{140, 8};         //  I8    next free record
inline constexpr KeyField kReservedWide{148, 8};   //  I8    reserved, carried
inline constexpr KeyField kReservedShort{156, 4};  //  I4    reserved, carried
inline constexpr KeyField kMfplen{160, 8};         //  I8    records reserved for the MFP
inline constexpr KeyField kRecordLength{168, 8};   //  I8    record length in bytes (512)
// 176..1023: blanks

inline constexpr std::string_view kMagicText = "RAFLIB  ";
inline constexpr std::string_view kZeroStamp = "  000000  000000";
inline constexpr int32_t kStampWidth = 16;

/// The numeric block starts at MFPADR.  A new key receives 60 characters
/// (5I8, I4, 2I8, through the record length); every rewrite 56 (5I8, I4, I8
/// and four blanks), which leaves the record length's digits in place.
inline constexpr int32_t kNumericBlockOffset = 116;
inline constexpr int32_t kNumericBlockNewWidth = 60;
inline constexpr int32_t kNumericBlockRewriteWidth = 56;

/// File version and revision this library writes and reads as current.
inline constexpr int32_t kFileVersion = 2;
inline constexpr int32_t kFileRevision = 1;

/// Largest value an I8 field holds; MFPMAX and MFPNXT must stay within it.
inline constexpr int32_t kMaxI8 = 99'999'999;

// ---- data types ------------------------------------------------------------------

enum class DataType : int32_t {
  kInteger = 1,    ///< "IN", 32-bit integers
  kReal = 2,       ///< "RE", 32-bit reals
  kDouble = 3,     ///< "DP", 64-bit reals
  kCharacter = 4,  ///< "CO", 4-byte units
  kByte = 5,       ///< bytes, never converted
};
inline constexpr int32_t kFirstDataType = 1;
inline constexpr int32_t kLastDataType = 5;

/// Bytes per element by data type number (index 0 unused).
inline constexpr std::array<int32_t, 6> kElementBytes = {0, 4, 4, 8, 4, 1};
/// Names by data type number (type 5 has none).
inline constexpr std::array<std::string_view, 6> kDataTypeNames = {"", "IN", "RE", "DP", "CO", ""};

/// Bytes per element of a data type number, 0 for a number outside 1..5.
constexpr int32_t element_bytes(int32_t type) {
  return type >= kFirstDataType && type <= kLastDataType
             ? kElementBytes[static_cast<std::size_t>(type)]
             : 0;
}

// ---- computer types --------------------------------------------------------------

inline constexpr int32_t kComputerTypes = 20;
inline constexpr int32_t kComputerNameWidth = 40;

/// Names of the computer types by code (index 0 unused); blank for codes
/// without a computer.
inline constexpr std::array<std::string_view, kComputerTypes + 1> kComputerNames = {
    "",
    "",
    "",
    "",
    "Apollo / UNIX",
    "DECstation / Ultrix",
    "VAXstation / Ultrix",
    "HP MC-68xxx / HP-UX",
    "HP PA-Risc / HP-UX",
    "CRAY / Unicos",
    "IBM Powerstation / AIX",
    "Sun SPARC / SunOS",
    "Silicon Graphics / IRIX",
    "CRAY T3E / UnicosMk",
    "PC / DIGITAL Visual Fortran",
    "LINUX i386",
    "",
    "",
    "",
    "",
    "",
};

/// This computer: least significant byte first.
inline constexpr int32_t kThisComputer = 14;
inline constexpr std::string_view kThisComputerCode = "  14";
/// The computer of the other byte order that the helper tool writes for.
inline constexpr int32_t kBigEndianComputer = 12;

/// Byte order of a computer type code; kOther for codes outside both groups.
enum class ByteOrder { kLeastFirst, kMostFirst, kOther };

constexpr ByteOrder byte_order_of(int32_t code) {
  switch (code) {
    case 5:
    case 14:
    case 15:
      return ByteOrder::kLeastFirst;
    case 8:
    case 12:
      return ByteOrder::kMostFirst;
    default:
      return ByteOrder::kOther;
  }
}

}  // namespace raflib::format
