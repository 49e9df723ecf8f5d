// The numbered messages of the RAF library: 80 numbers, 1000 to 1079, each
// with a severity, a context kind and a text of at most 70 characters.
//
// A text may hold the field {1} (filled with the integer parameter) and the
// field {2} (filled with the character parameter) when the message is
// written; the table is a message table of textio/message_table.h with two
// more columns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "textio/message_table.h"

namespace raflib {

enum class Severity : int32_t {
  kInfo = 1,     ///< "INFO", marker "---", returned as +number
  kWarning = 2,  ///< "WARNING", marker "===", returned as +number
  kError = 3,    ///< "ERROR", marker "***", returned as -number
  kFatal = 4,    ///< "FATAL ERROR", marker "!!!", returned as -number
};

/// What the context line of a message shows.
enum class Context : int32_t {
  kNone = 0,      ///< no context line
  kFile = 1,      ///< file number
  kArray = 2,     ///< file and array number
  kAddress = 3,   ///< file, array number and file address
  kElements = 4,  ///< file, array number, file address and element count
};

/// The message numbers the library issues itself.
enum class Msg : int32_t {
  kNotRafFile = 1020,
  kNotInitialised = 1022,
  kReadLocked = 1023,
  kWriteLocked = 1024,
  kTypeMismatch = 1025,
  kTooFewElements = 1026,
  kTooManyElements = 1027,
  kTooNew = 1029,
  kUnknownDataType = 1032,
  kCannotOpen = 1034,
  kCannotWrite = 1035,
  kCannotRead = 1036,
  kFileNumberInUse = 1037,
  kTooManyFiles = 1038,
  kReinitialise = 1039,
  kBadStatusCode = 1040,
  kBadUnitInFfile = 1041,
  kBadOperationInFfile = 1042,
  kNegativeAddressInFfile = 1043,
  kNegativeCountInFfile = 1045,
  kBadMaximum = 1046,
  kAlreadyAllocated = 1047,
  kNotAllocated = 1048,
  kBadMfpadr = 1060,
  kBadMfpmax = 1061,
  kBadMfpcur = 1062,
  kBadMfpnxt = 1063,
  kKeyDecodeError = 1064,
  kOutsideMfp = 1069,
  kCannotReadFrom = 1070,
  kCannotGenerateFor = 1071,
};

struct MessageEntry {
  int32_t code;
  Severity severity;
  Context context;
  std::string_view text;
};

inline constexpr int32_t kFirstMessage = 1000;
inline constexpr int32_t kLastMessage = 1079;

namespace detail {
inline constexpr std::string_view kNotYetDefined = "NOT YET DEFINED";
using S = Severity;
using C = Context;
}  // namespace detail

/// The message table, entry k holding number 1000 + k.
inline constexpr std::array<MessageEntry, 80> kMessages = {{
    {1000, detail::S::kInfo, detail::C::kNone, "RAFLIB version 1.0 - Random Access File LIBrary"},
    {1001, detail::S::kInfo, detail::C::kFile, "RAFLIB file opened"},
    {1002, detail::S::kInfo, detail::C::kFile, "RAFLIB file initialized"},
    {1003, detail::S::kInfo, detail::C::kElements, "Array read from file"},
    {1004, detail::S::kInfo, detail::C::kElements, "Array written to file"},
    {1005, detail::S::kInfo, detail::C::kNone, detail::kNotYetDefined},
    {1006, detail::S::kInfo, detail::C::kNone, detail::kNotYetDefined},
    {1007, detail::S::kInfo, detail::C::kNone, detail::kNotYetDefined},
    {1008, detail::S::kInfo, detail::C::kNone, detail::kNotYetDefined},
    {1009, detail::S::kInfo, detail::C::kNone, detail::kNotYetDefined},
    {1010, detail::S::kWarning, detail::C::kFile, "File converted from RAFLIB revision {2}"},
    {1011, detail::S::kWarning, detail::C::kFile, "File converted from computer type {2}"},
    {1012, detail::S::kWarning, detail::C::kFile, "No RAFLIB file open with this number"},
    {1013, detail::S::kWarning, detail::C::kNone, detail::kNotYetDefined},
    {1014, detail::S::kWarning, detail::C::kNone, detail::kNotYetDefined},
    {1015, detail::S::kWarning, detail::C::kNone, detail::kNotYetDefined},
    {1016, detail::S::kWarning, detail::C::kNone, detail::kNotYetDefined},
    {1017, detail::S::kWarning, detail::C::kNone, detail::kNotYetDefined},
    {1018, detail::S::kWarning, detail::C::kNone, detail::kNotYetDefined},
    {1019, detail::S::kWarning, detail::C::kNone, detail::kNotYetDefined},
    {1020, detail::S::kError, detail::C::kFile, "File is not a RAFLIB file"},
    {1021, detail::S::kError, detail::C::kFile, "RAFLIB file generated on another computer ({2})"},
    {1022, detail::S::kError, detail::C::kFile,
     "No RAFLIB open/initialize routine called for this file"},
    {1023, detail::S::kError, detail::C::kFile, "File is read locked"},
    {1024, detail::S::kError, detail::C::kFile, "File is write locked"},
    {1025, detail::S::kError, detail::C::kElements, "Array type mismatch"},
    {1026, detail::S::kError, detail::C::kElements,
     "Array length mismatch (too few elements specified)"},
    {1027, detail::S::kError, detail::C::kElements,
     "Array length mismatch (too many elements specified)"},
    {1028, detail::S::kError, detail::C::kFile, "Too old RAFLIB file (version {2})"},
    {1029, detail::S::kError, detail::C::kFile,
     "Too new RAFLIB file (version {2}) - update program"},
    {1030, detail::S::kError, detail::C::kElements, "Corrupt MFP: Negative file address"},
    {1031, detail::S::kError, detail::C::kElements, "Corrupt MFP: Negative file address"},
    {1032, detail::S::kError, detail::C::kElements, "Corrupt MFP: Unknown datatype no ({1})"},
    {1033, detail::S::kError, detail::C::kElements, "Corrupt MFP: Negative no of elements ({1})"},
    {1034, detail::S::kError, detail::C::kFile, "Cannot open file - Computer's error flag = {1}"},
    {1035, detail::S::kError, detail::C::kElements,
     "Cannot write to file - Computer's error flag = {1}"},
    {1036, detail::S::kError, detail::C::kElements,
     "Cannot read from file - Computer's error flag = {1}"},
    {1037, detail::S::kError, detail::C::kNone, "File no already in use for another RAFLIB file"},
    {1038, detail::S::kError, detail::C::kNone,
     "Attempt to open more than {1} RAFLIB files simultanously"},
    {1039, detail::S::kError, detail::C::kNone,
     "Attempt to reinitialize the file without close and reopen"},
    {1040, detail::S::kError, detail::C::kNone,
     "Illegal file status code (Not NEW, OLD or UNKNOWN)"},
    {1041, detail::S::kError, detail::C::kElements, "Illegal file no in FFILE"},
    {1042, detail::S::kError, detail::C::kElements, "Illegal operation code in FFILE"},
    {1043, detail::S::kError, detail::C::kElements, "Negative file address in FFILE"},
    {1044, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1045, detail::S::kError, detail::C::kElements, "Negative word count in FFILE"},
    {1046, detail::S::kError, detail::C::kNone,
     "Attempt to define max no of arrays in file as zero or negative"},
    {1047, detail::S::kError, detail::C::kElements,
     "Attempt to allocate an already allocated array"},
    {1048, detail::S::kError, detail::C::kElements, "Attempt to read a non-allocated array"},
    {1049, detail::S::kError, detail::C::kNone,
     "Illegal array numbers (or wrong order) specified for delete"},
    {1050, detail::S::kFatal, detail::C::kFile,
     "Core copy of CHKEY corrupted (overwritten) during execution"},
    {1051, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1052, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1053, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1054, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1055, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1056, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1057, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1058, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1059, detail::S::kFatal, detail::C::kNone, detail::kNotYetDefined},
    {1060, detail::S::kError, detail::C::kFile, "Inconsistent CHKEY: MFPADR = {1} is illegal"},
    {1061, detail::S::kError, detail::C::kFile, "Inconsistent CHKEY: MFPMAX = {1} is illegal"},
    {1062, detail::S::kError, detail::C::kFile, "Inconsistent CHKEY: MFPCUR = {1} is illegal"},
    {1063, detail::S::kError, detail::C::kFile, "Inconsistent CHKEY: MFPNXT = {1} is illegal"},
    {1064, detail::S::kError, detail::C::kNone,
     "Inconsistent CHKEY: Decode error - Computer's error flag={1}"},
    {1065, detail::S::kError, detail::C::kNone,
     "Cannot open internal scratchfile - Computer's error flag={1}"},
    {1066, detail::S::kError, detail::C::kNone,
     "Cannot write internal scratchfile - Computer's error flag={1}"},
    {1067, detail::S::kError, detail::C::kNone,
     "Cannot read internal scratchfile - Computer's error flag={1}"},
    {1068, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1069, detail::S::kError, detail::C::kElements,
     "Attempt to access an array outside allocated MFP range"},
    {1070, detail::S::kError, detail::C::kFile, "Cannot read files generated on {2}"},
    {1071, detail::S::kError, detail::C::kFile, "Cannot generate files for {2}"},
    {1072, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1073, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1074, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1075, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1076, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1077, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1078, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
    {1079, detail::S::kError, detail::C::kNone, detail::kNotYetDefined},
}};

// The table is indexed by number - 1000; every text fits its 70 columns.
consteval bool message_table_is_consistent() {
  for (std::size_t k = 0; k < kMessages.size(); ++k) {
    if (kMessages[k].code != kFirstMessage + static_cast<int32_t>(k)) return false;
    if (kMessages[k].text.size() > 70) return false;
  }
  return true;
}
static_assert(message_table_is_consistent());
static_assert(textio::fields_are_valid(kMessages, 2));

}  // namespace raflib
