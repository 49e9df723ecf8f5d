// Writing RAF files the way a frame analysis leaves them: named arrays under
// the keys of their store types, and the file's own catalogue, which the
// recall layer reads and merges when it sets up the in-core store.
//
// Keys of a file with key base B, structure key block N4, result key block
// N5 and restart key block N6 (keys are the RAF file's array numbers):
//
//   KEYS                                       CONTENTS
//   1 .. B                                     not used
//   B+1 .. B+N4                                structure key block; B+1, B+2, B+3 hold
//                                              the catalogue NUMRAF, KEYRAF, IARRNM
//   B+N4+(s-1)(N5+N6) + 1 .. + N5              result key block of step s
//   B+N4+(s-1)(N5+N6) + N5 + 1 .. + N6         restart key block of step s
//
// The catalogue (integers):
//   NUMRAF  20 words: 1-3 arrays counted in each key block (the catalogue
//           arrays are the first three of the structure block), 4-6 N4, N5,
//           N6, 7 record length R of KEYRAF, 8 highest array number M, 9
//           longest name (8), 10 key base, 11 divisor of KEYRAF word 10 (100).
//   KEYRAF  R x M words; record n describes array number n: 1 data type code,
//           2 words per element, 3 length in elements, 4 store type code, 5-7
//           index in the structure, result and restart key block, 8 flag
//           "stored as 4-byte reals", 9 unused, 10 in-core pointer / 100.
//   IARRNM  2 x M words: the name code of array number n in words 2n-1, 2n.
// User arrays take the numbers from 11 on; the catalogue arrays the three
// highest numbers, with store type "-AR-" and structure indices 1, 2, 3.
//
// Two ways in.  write_model() takes a model held in memory.  For a large
// model, or a deliberately odd file, plan_catalogue() lays out the keys,
// the Catalogue may then be edited, and a RafWriter writes the arrays one
// call per array and step, and the catalogue last.
//
// The RAF library keeps one state for the whole program: the writer opens
// its file on a unit of its own (WriterSettings::unit), calls RAFINI with
// its message unit and never resets the library, so files that others hold
// open stay open.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "recall/catalogue.h"

namespace raf_tools {

// ---- vocabulary --------------------------------------------------------------

/// Store type codes of the catalogue (KEYRAF word 4).
inline constexpr int32_t kStoreSkip = static_cast<int32_t>(recall::StoreType::kSkip);
inline constexpr int32_t kStoreStructure = static_cast<int32_t>(recall::StoreType::kStructure);
inline constexpr int32_t kStoreRestart = static_cast<int32_t>(recall::StoreType::kRestart);
inline constexpr int32_t kStoreResult = static_cast<int32_t>(recall::StoreType::kResult);
inline constexpr int32_t kStoreStructRest =
    static_cast<int32_t>(recall::StoreType::kStructureRestart);
inline constexpr int32_t kStoreStructPost =
    static_cast<int32_t>(recall::StoreType::kStructureResult);
inline constexpr int32_t kStoreControl = static_cast<int32_t>(recall::StoreType::kControl);
inline constexpr int32_t kStoreGlobal = static_cast<int32_t>(recall::StoreType::kGlobal);
inline constexpr int32_t kStoreExclusive = static_cast<int32_t>(recall::StoreType::kExclusive);
inline constexpr int32_t kStoreCatalogue = static_cast<int32_t>(recall::StoreType::kCatalogue);

/// Code of a store type word (its first four characters); nothing for a
/// word that is not one.
std::optional<int32_t> store_type_code(std::string_view word);

/// Word of a store type code; "????" for an unknown code.
using recall::store_type_word;

/// Whether arrays of a store type code have a key in the structure key
/// block, in each step's result key block, in each step's restart key block.
using recall::in_restart_block;
using recall::in_result_block;
using recall::in_structure_block;

/// How the array's elements are stored on the RAF file (MFP data type).
enum class FileType : int32_t {
  kInteger = 1,  ///< 4-byte integers (RAFPIN)
  kReal = 2,     ///< 4-byte reals (RAFPRE)
  kDouble = 3,   ///< 8-byte reals (RAFPDP)
};

/// A data type word of the catalogue.
struct DataTypeInfo {
  int32_t code = 0;               ///< KEYRAF word 1
  int32_t words_per_element = 0;  ///< KEYRAF word 2
  int32_t re_flag = 0;            ///< KEYRAF word 8
  FileType file_type = FileType::kInteger;
  bool integers = true;                   ///< values given as integers (else as reals)
  int32_t file_elements_per_element = 1;  ///< 2 for "I8" (two integers each)
};

/// "IN", "SP", "RE", "DP", "I8" (first two characters); nothing for any
/// other word.
std::optional<DataTypeInfo> data_type_info(std::string_view word);

/// Word of a data type code and "RE" flag; "??" for an unknown code.
std::string_view data_type_word(int32_t code, int32_t re_flag);

/// The name code of `name` (1 to 8 characters with codes 33..126): two
/// decimal digits (character code - 30) per character, characters 1-4 in
/// `first` with weights 10^6, 10^4, 100, 1, characters 5-8 in `second`.
/// False for a name that cannot be coded.
[[nodiscard]] bool name_code(std::string_view name, int32_t& first, int32_t& second);

/// The name of a name code; empty when a digit pair is not a character.
std::string decode_name(int32_t first, int32_t second);

// ---- the catalogue -------------------------------------------------------------

/// An array to be catalogued.
struct CataloguedArray {
  std::string name;        ///< 1 to 8 characters
  std::string store_type;  ///< "STRU", "CTRL", "GLOB", "POST", "REST", "S+PO", ...
  std::string data_type;   ///< "IN", "SP", "RE", "DP", "I8"
  int32_t length = 0;      ///< elements (an "I8" element is two integers)
  int32_t number = 0;      ///< array number; 0 = the next free number from 11
};

/// One user array of a planned catalogue.  Every field may be edited before
/// the catalogue is written; the data are checked against `data_length`,
/// the catalogue shows `length`.
struct CatalogueEntry {
  std::string name;
  int32_t number = 0;
  int32_t type_code = 0;          ///< KEYRAF word 1
  int32_t words_per_element = 0;  ///< KEYRAF word 2
  int32_t length = 0;             ///< KEYRAF word 3
  int32_t store_code = 0;         ///< KEYRAF word 4
  int32_t structure_index = 0;    ///< KEYRAF word 5 (0: none)
  int32_t result_index = 0;       ///< KEYRAF word 6
  int32_t restart_index = 0;      ///< KEYRAF word 7
  int32_t re_flag = 0;            ///< KEYRAF word 8
  int32_t pointer_word = 0;       ///< KEYRAF word 10
  int32_t data_length = 0;        ///< elements a put of this array takes
  DataTypeInfo data;              ///< how the values are given and stored
};

/// Layout choices; the defaults are those of every analysis file.
struct CatalogueOptions {
  int32_t key_base = 100;
  int32_t record_length = 10;
  int32_t spare_structure_keys = 0;  ///< unused keys at the end of the structure block
  int32_t spare_result_keys = 0;     ///< unused keys at the end of each result block
  int32_t spare_restart_keys = 0;    ///< unused keys at the end of each restart block
  int32_t spare_numbers = 0;         ///< unused array numbers below the catalogue arrays
  int32_t spare_keys = 0;            ///< room in the MFP beyond the last key
};

/// The words of the three catalogue arrays and the keys they are written
/// under, as handed to the file.
struct CatalogueWords {
  std::vector<int32_t> numraf;
  std::vector<int32_t> keyraf;
  std::vector<int32_t> iarrnm;
  std::array<int32_t, 3> keys{};  ///< keys of NUMRAF, KEYRAF, IARRNM
};

struct Catalogue {
  int32_t key_base = 100;
  int32_t record_length = 10;
  int32_t structure_keys = 0;  ///< N4
  int32_t result_keys = 0;     ///< N5
  int32_t restart_keys = 0;    ///< N6
  int32_t highest = 0;         ///< M: highest array number
  int32_t steps = 0;           ///< steps the key blocks are laid out for
  int32_t mfp_max = 0;         ///< room of the file's MFP (arrays)
  std::vector<CatalogueEntry> entries;

  /// The entry of `name`, or nullptr.
  [[nodiscard]] const CatalogueEntry* find(std::string_view name) const;
  [[nodiscard]] CatalogueEntry* find(std::string_view name);

  /// The key-block sizes and key base, as the recall layer reads them.
  [[nodiscard]] recall::KeyBlocks key_blocks() const;
  /// The key of the entry's structure copy; 0 when it has none.
  [[nodiscard]] int32_t structure_key(const CatalogueEntry& entry) const;
  /// The key of the entry in step `step` (1-based): its result or restart
  /// key; 0 when it has none.
  [[nodiscard]] int32_t step_key(const CatalogueEntry& entry, int32_t step) const;

  /// The catalogue arrays as they are written: NUMRAF, KEYRAF and IARRNM
  /// under keys key_base + 1, 2, 3.
  [[nodiscard]] CatalogueWords words() const;
};

/// Numbers the arrays, gives each its indices in the key blocks (in the
/// order given) and sizes the key blocks and the MFP for `steps` steps.
/// False, with `error` saying why, for a bad name, a duplicate name or
/// number, an unknown store or data type word, or a negative length.
[[nodiscard]] bool plan_catalogue(std::span<const CataloguedArray> arrays, int32_t steps,
                                  const CatalogueOptions& options, Catalogue& catalogue,
                                  std::string& error);

// ---- writing -------------------------------------------------------------------

struct WriterSettings {
  int32_t unit = 41;         ///< unit the file is written on
  int32_t message_unit = 0;  ///< unit of the RAF library's messages (0: none)
  bool write_catalogue = true;
  /// Called with the catalogue words just before they are written: the way
  /// to write a catalogue that no analysis would write.
  std::function<void(CatalogueWords&)> edit_catalogue;
};

/// Writes one RAF file: create(), then any number of puts in any order,
/// then finish().  Each put writes one array in one call.  A writer that is
/// destroyed unfinished closes its file without a catalogue.
class RafWriter {
 public:
  RafWriter(Catalogue catalogue, WriterSettings settings = {});
  ~RafWriter();
  RafWriter(const RafWriter&) = delete;
  RafWriter& operator=(const RafWriter&) = delete;

  /// Creates `file` (replacing an existing file) with room for the
  /// catalogue's keys.
  [[nodiscard]] bool create(const std::filesystem::path& file, std::string& error);

  /// Writes the structure copy of array `name`.
  [[nodiscard]] bool put(std::string_view name, std::span<const int32_t> values,
                         std::string& error);
  [[nodiscard]] bool put(std::string_view name, std::span<const double> values, std::string& error);

  /// Writes the values of array `name` in step `step` (1-based).
  [[nodiscard]] bool put_step(std::string_view name, int32_t step, std::span<const int32_t> values,
                              std::string& error);
  [[nodiscard]] bool put_step(std::string_view name, int32_t step, std::span<const double> values,
                              std::string& error);

  /// Writes `values` under `key` whatever the catalogue says (reals as
  /// 4-byte or 8-byte reals by `type`).
  [[nodiscard]] bool put_key(int32_t key, std::span<const int32_t> values, std::string& error);
  [[nodiscard]] bool put_key(int32_t key, FileType type, std::span<const double> values,
                             std::string& error);

  /// Writes the catalogue (unless the settings say not to) and closes.
  [[nodiscard]] bool finish(std::string& error);

  [[nodiscard]] const Catalogue& catalogue() const { return catalogue_; }

 private:
  [[nodiscard]] bool put_entry(const CatalogueEntry* entry, std::string_view name, int32_t key,
                               std::span<const int32_t> ints, std::span<const double> reals,
                               bool as_ints, std::string& error);
  [[nodiscard]] bool write_ints(int32_t key, std::span<const int32_t> values, std::string_view what,
                                std::string& error);
  [[nodiscard]] bool write_reals(int32_t key, FileType type, std::span<const double> values,
                                 std::string_view what, std::string& error);
  void close();

  Catalogue catalogue_;
  WriterSettings settings_;
  std::filesystem::path file_;
  bool open_ = false;
};

// ---- a model in memory -----------------------------------------------------------

/// Values of one array: integers for "IN" and "I8" (two per element),
/// reals for "SP", "RE" and "DP".
struct ArrayValues {
  std::vector<int32_t> ints;
  std::vector<double> reals;
};

/// A named array with its values: the structure copy for the store types
/// with a structure key, and one set per step for those with a result or
/// restart key.
struct ModelArray {
  std::string name;
  std::string store_type;
  std::string data_type;
  ArrayValues values;
  std::vector<ArrayValues> steps;
  /// KEYRAF word 3 when not -1 (a length the data do not have).
  int32_t catalogue_length = -1;
  /// False: catalogued, but no values written.
  bool write = true;
};

/// Catalogues and writes every array of `arrays` to `file`.  Every set of
/// values of an array must have the same length; the number of steps is
/// the longest step list.
[[nodiscard]] bool write_model(const std::filesystem::path& file,
                               std::span<const ModelArray> arrays, const CatalogueOptions& options,
                               const WriterSettings& settings, std::string& error);

}  // namespace raf_tools
