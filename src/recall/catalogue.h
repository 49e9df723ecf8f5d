// The in-core catalogue of a RAF file's arrays: store types, data types, the
// layout of the three catalogue arrays NUMRAF, KEYRAF and IARRNM, and the RAF
// key under which an array's values lie for a step.
//
// The file is laid out, key by key, as: keys 1 .. base for the file itself;
// the structure key block of N4 keys; then for every step a result key block
// of N5 keys followed by a restart key block of N6 keys.  An array's catalogue
// record gives its index in each block it belongs to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace recall {

// ---- store types ------------------------------------------------------------

/// Store type codes, as KEYRAF word 4 holds them.
enum class StoreType : int32_t {
  kSkip = 0,              ///< not on the file ("SKIP"), or a scratch array ("SCRA")
  kStructure = 1,         ///< "STRU": structure key block
  kRestart = 2,           ///< "REST": restart key block of each step
  kResult = 3,            ///< "POST": result key block of each step
  kStructureRestart = 4,  ///< "S+RS" / "RS+S": structure and restart key blocks
  kStructureResult = 5,   ///< "S+PO" / "PO+S": structure and result key blocks
  kControl = 11,          ///< "CTRL": structure key block
  kGlobal = 13,           ///< "GLOB": structure key block
  kExclusive = 50,        ///< "EXCL": structure key block
  kCatalogue = 51,        ///< "-AR-": the catalogue arrays themselves
};

/// The store type words of the interfaces (4 characters each).
namespace store_word {
inline constexpr std::string_view kSkip = "SKIP";
inline constexpr std::string_view kScratch = "SCRA";
inline constexpr std::string_view kStructure = "STRU";
inline constexpr std::string_view kRestart = "REST";
inline constexpr std::string_view kResult = "POST";
inline constexpr std::string_view kStructureRestart = "S+RS";
inline constexpr std::string_view kRestartStructure = "RS+S";
inline constexpr std::string_view kStructureResult = "S+PO";
inline constexpr std::string_view kResultStructure = "PO+S";
inline constexpr std::string_view kControl = "CTRL";
inline constexpr std::string_view kGlobal = "GLOB";
inline constexpr std::string_view kExclusive = "EXCL";
inline constexpr std::string_view kCatalogue = "-AR-";
/// The word shown for a code outside the table.
inline constexpr std::string_view kUnknown = "????";
}  // namespace store_word

/// A store type word decoded.
struct StoreTypeInfo {
  StoreType code = StoreType::kSkip;
  bool scratch = false;  ///< "SCRA": code 0, and no pointer in KEYRAF word 10
};

/// Decodes a store type word: its first four characters, blank-padded, are
/// compared as one word.  Nothing for an unknown word.
std::optional<StoreTypeInfo> decode_store_type(std::string_view word);

/// The word of a store type code ("????" for a code outside the table).
std::string_view store_type_word(int32_t code);

/// True for the codes with a key in the structure key block (NUMRAF word 1).
bool in_structure_block(int32_t code);
/// True for the codes with a key in each step's result key block (word 2).
bool in_result_block(int32_t code);
/// True for the codes with a key in each step's restart key block (word 3).
bool in_restart_block(int32_t code);

// ---- data types -------------------------------------------------------------

/// Data type codes, as KEYRAF word 1 holds them (0: the record is empty).
enum class DataType : int32_t {
  kNone = 0,
  kInteger = 1,   ///< "IN": integers, integer view
  kSingle = 2,    ///< "SP": single-precision reals, integer view
  kDouble = 3,    ///< "RE" (flag 1, single precision on the file) or "DP": real view
  kInteger8 = 4,  ///< "I8": pairs of integer words, integer view
};

/// The data type words of the interfaces (only the first two characters
/// count).
namespace data_word {
inline constexpr std::string_view kInteger = "IN";
inline constexpr std::string_view kSingle = "SP";
inline constexpr std::string_view kReal = "RE";
inline constexpr std::string_view kDouble = "DP";
inline constexpr std::string_view kInteger8 = "I8";
/// The word shown for a code outside the table.
inline constexpr std::string_view kUnknown = "??";
}  // namespace data_word

/// A data type word decoded.
struct DataTypeInfo {
  DataType code = DataType::kNone;
  int32_t words_per_element = 0;  ///< 4-byte words per element
  int32_t re_flag = 0;            ///< KEYRAF word 8: 1 for "RE"
};

/// Decodes a data type word by its first two characters; nothing for an
/// unknown word.
std::optional<DataTypeInfo> decode_data_type(std::string_view word);

/// The word of a data type code and "RE" flag ("??" outside the table).
std::string_view data_type_word(int32_t code, int32_t re_flag);

// ---- the catalogue arrays -----------------------------------------------------

inline constexpr std::string_view kNumrafName = "NUMRAF";
inline constexpr std::string_view kKeyrafName = "KEYRAF";
inline constexpr std::string_view kIarrnmName = "IARRNM";

/// Words of NUMRAF (20 words).
namespace numraf {
inline constexpr int64_t kLength = 20;
inline constexpr int64_t kStructureCount = 1;   ///< arrays booked with a structure key
inline constexpr int64_t kResultCount = 2;      ///< arrays booked with a result key
inline constexpr int64_t kRestartCount = 3;     ///< arrays booked with a restart key
inline constexpr int64_t kStructureSize = 4;    ///< N4: keys of the structure block
inline constexpr int64_t kResultSize = 5;       ///< N5: keys of one step's result block
inline constexpr int64_t kRestartSize = 6;      ///< N6: keys of one step's restart block
inline constexpr int64_t kRecordLength = 7;     ///< KEYRAF record length
inline constexpr int64_t kHighestNumber = 8;    ///< highest array number
inline constexpr int64_t kLongestName = 9;      ///< longest array name
inline constexpr int64_t kKeyBase = 10;         ///< keys before the structure block
inline constexpr int64_t kPointerDivisor = 11;  ///< divisor of KEYRAF word 10
}  // namespace numraf

/// Words of a KEYRAF record.
namespace keyraf {
inline constexpr int64_t kDataType = 1;
inline constexpr int64_t kWordsPerElement = 2;
inline constexpr int64_t kLength = 3;
inline constexpr int64_t kStoreType = 4;
inline constexpr int64_t kStructureIndex = 5;
inline constexpr int64_t kResultIndex = 6;
inline constexpr int64_t kRestartIndex = 7;
inline constexpr int64_t kReFlag = 8;
inline constexpr int64_t kPointer = 10;
}  // namespace keyraf

/// The in-core KEYRAF record length, and the only one a file may have.
inline constexpr int32_t kRecordLength = 10;
/// The key base: keys 1..100 belong to the file itself.
inline constexpr int32_t kKeyBase = 100;
/// Longest array name.
inline constexpr int32_t kMaxNameLength = 8;
/// Array numbers 1..10 belong to the in-core store itself.
inline constexpr int32_t kFirstUserNumber = 11;
/// Keys of the file's own catalogue: NUMRAF, KEYRAF, IARRNM.
inline constexpr int32_t kNumrafKey = 101;
inline constexpr int32_t kKeyrafKey = 102;
inline constexpr int32_t kIarrnmKey = 103;

// ---- keys ---------------------------------------------------------------------

/// The key-block sizes and key base of the file being read (NUMRAF words 4,
/// 5, 6 and 10).
struct KeyBlocks {
  int64_t structure = 0;  ///< N4
  int64_t result = 0;     ///< N5
  int64_t restart = 0;    ///< N6
  int64_t base = 0;       ///< N10
};

/// The key just before the first key of a block: index i of the block is
/// that key plus i.  The result block of step s follows the restart block of
/// step s-1, and step s's restart block follows its result block.
constexpr int64_t structure_block_start(const KeyBlocks& blocks) {
  return blocks.base;
}
constexpr int64_t result_block_start(const KeyBlocks& blocks, int64_t step) {
  return blocks.base + blocks.structure + (step - 1) * (blocks.result + blocks.restart);
}
constexpr int64_t restart_block_start(const KeyBlocks& blocks, int64_t step) {
  return result_block_start(blocks, step) + blocks.result;
}

/// The block indices of one array (KEYRAF words 4 to 7).
struct KeyIndices {
  int32_t store_type = 0;
  int32_t structure = 0;  ///< w5
  int32_t result = 0;     ///< w6
  int32_t restart = 0;    ///< w7
};

/// A key that the catalogue gives but that cannot be one: the block index
/// lies outside its block, or the key outside 1 .. 2^31-1.
inline constexpr int32_t kInvalidKey = -1;

/// The RAF key of an array for `step`: 0 when the array has no record for
/// the step (no key blocks on the file, or a store type without a key);
/// kInvalidKey when the catalogue's numbers do not give a usable key.  Steps
/// 0 and below take "S+RS" and "S+PO" arrays from their structure-block copy.
/// Computed in 64 bits.
int32_t raf_key(const KeyBlocks& blocks, const KeyIndices& indices, int32_t step);

// ---- recall instructions ------------------------------------------------------

inline constexpr std::string_view kRecallStructure = "**Recall structure data**";
inline constexpr std::string_view kRecallControl = "**Recall control data  **";
inline constexpr std::string_view kRecallGlobal = "**Recall global data   **";
inline constexpr std::string_view kRecallExclusive = "**Recall exclusive data *";
inline constexpr std::string_view kRecallResult = "**Recall result data   **";
inline constexpr std::string_view kRecallRestart = "**Recall restart data  **";
/// Length of a recall instruction.
inline constexpr std::size_t kInstructionLength = 25;

}  // namespace recall
