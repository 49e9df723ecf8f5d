// Store types, data types and keys of the catalogue (decode_store_type,
// decode_data_type, raf_key) and the catalogue entry of a named array
// (ARKEYS, ArKeyChk1).
#include <array>
#include <limits>

#include "recall/catalogue.h"
#include "recall/recall.h"
#include "recall/recall_detail.h"

namespace recall {
namespace {

struct StoreTypeRow {
  std::string_view word;
  StoreType code;
  bool scratch;
};

constexpr std::array<StoreTypeRow, 13> kStoreTypes = {{
    {store_word::kSkip, StoreType::kSkip, false},
    {store_word::kScratch, StoreType::kSkip, true},
    {store_word::kStructure, StoreType::kStructure, false},
    {store_word::kRestart, StoreType::kRestart, false},
    {store_word::kResult, StoreType::kResult, false},
    {store_word::kStructureRestart, StoreType::kStructureRestart, false},
    {store_word::kRestartStructure, StoreType::kStructureRestart, false},
    {store_word::kStructureResult, StoreType::kStructureResult, false},
    {store_word::kResultStructure, StoreType::kStructureResult, false},
    {store_word::kControl, StoreType::kControl, false},
    {store_word::kGlobal, StoreType::kGlobal, false},
    {store_word::kExclusive, StoreType::kExclusive, false},
    {store_word::kCatalogue, StoreType::kCatalogue, false},
}};

struct DataTypeRow {
  std::string_view word;
  DataTypeInfo info;
};

constexpr std::array<DataTypeRow, 5> kDataTypes = {{
    {data_word::kInteger, {DataType::kInteger, 1, 0}},
    {data_word::kSingle, {DataType::kSingle, 1, 0}},
    {data_word::kReal, {DataType::kDouble, 2, 1}},
    {data_word::kDouble, {DataType::kDouble, 2, 0}},
    {data_word::kInteger8, {DataType::kInteger8, 2, 0}},
}};

// True when the first `n` characters of `word`, blank-padded, are `fixed`.
bool same_word(std::string_view word, std::string_view fixed, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    const char c = k < word.size() ? word[k] : ' ';
    if (c != fixed[k]) return false;
  }
  return true;
}

constexpr int32_t code_of(StoreType t) {
  return static_cast<int32_t>(t);
}

}  // namespace

std::optional<StoreTypeInfo> decode_store_type(std::string_view word) {
  for (const StoreTypeRow& row : kStoreTypes) {
    if (same_word(word, row.word, 4)) return StoreTypeInfo{row.code, row.scratch};
  }
  return std::nullopt;
}

std::string_view store_type_word(int32_t code) {
  // The first row of each code gives its word ("SKIP" for 0, "S+RS", "S+PO").
  for (const StoreTypeRow& row : kStoreTypes) {
    if (code_of(row.code) == code) return row.word;
  }
  return store_word::kUnknown;
}

bool in_structure_block(int32_t code) {
  switch (static_cast<StoreType>(code)) {
    case StoreType::kStructure:
    case StoreType::kStructureRestart:
    case StoreType::kStructureResult:
    case StoreType::kControl:
    case StoreType::kGlobal:
    case StoreType::kExclusive:
    case StoreType::kCatalogue:
      return true;
    default:
      return false;
  }
}

bool in_result_block(int32_t code) {
  return code == code_of(StoreType::kResult) || code == code_of(StoreType::kStructureResult);
}

bool in_restart_block(int32_t code) {
  return code == code_of(StoreType::kRestart) || code == code_of(StoreType::kStructureRestart);
}

std::optional<DataTypeInfo> decode_data_type(std::string_view word) {
  for (const DataTypeRow& row : kDataTypes) {
    if (same_word(word, row.word, 2)) return row.info;
  }
  return std::nullopt;
}

std::string_view data_type_word(int32_t code, int32_t re_flag) {
  switch (static_cast<DataType>(code)) {
    case DataType::kInteger:
      return data_word::kInteger;
    case DataType::kSingle:
      return data_word::kSingle;
    case DataType::kDouble:
      return re_flag == 1 ? data_word::kReal : data_word::kDouble;
    case DataType::kInteger8:
      return data_word::kInteger8;
    default:
      return data_word::kUnknown;
  }
}

int32_t raf_key(const KeyBlocks& blocks, const KeyIndices& indices, int32_t step) {
  if (blocks.structure + blocks.result + blocks.restart <= 0) return 0;
  // A block of negative size is not a layout; it would shift every key.
  if (blocks.structure < 0 || blocks.result < 0 || blocks.restart < 0) return kInvalidKey;

  const int32_t code = indices.store_type;
  int64_t first = 0;  // the key before the block's first key
  int64_t size = 0;
  int64_t index = 0;
  if (step >= 1 && in_result_block(code)) {
    first = result_block_start(blocks, step);
    size = blocks.result;
    index = indices.result;
  } else if (step >= 1 && in_restart_block(code)) {
    first = restart_block_start(blocks, step);
    size = blocks.restart;
    index = indices.restart;
  } else if (in_structure_block(code)) {
    first = structure_block_start(blocks);
    size = blocks.structure;
    index = indices.structure;
  } else {
    return 0;
  }
  // An index outside its block would name a key of another array.
  if (index < 1 || index > size) return kInvalidKey;
  const int64_t key = first + index;
  if (key < 1 || key > std::numeric_limits<int32_t>::max()) return kInvalidKey;
  return static_cast<int32_t>(key);
}

void ARKEYS(dms::IntView iw, std::string_view name, int32_t step, CatalogueEntry& entry,
            int32_t message_unit, int32_t& error_counter) {
  int32_t flag = 0;
  int32_t number = 0;
  ARNUMB(iw, name, number, message_unit, flag);
  std::optional<detail::Catalogue> catalogue;
  if (flag == 0) {
    std::string_view missing;
    catalogue = detail::find_catalogue(iw, message_unit, flag, missing);
  }
  if (flag != 0 || !catalogue || !catalogue->has_record(number)) {
    detail::write_error_record(message_unit, "ARKEYS");
    detail::lower(error_counter);
    return;
  }
  const dms::Vec1<int32_t> record = catalogue->record(number);
  const dms::Vec1<int32_t> numraf = catalogue->numraf;
  entry.data_type = record(keyraf::kDataType);
  entry.words_per_element = record(keyraf::kWordsPerElement);
  entry.length = record(keyraf::kLength);
  entry.store_type = record(keyraf::kStoreType);
  entry.structure_index = record(keyraf::kStructureIndex);
  entry.result_index = record(keyraf::kResultIndex);
  entry.restart_index = record(keyraf::kRestartIndex);
  entry.re_flag = record(keyraf::kReFlag);
  const KeyBlocks blocks{numraf(numraf::kStructureSize), numraf(numraf::kResultSize),
                         numraf(numraf::kRestartSize), numraf(numraf::kKeyBase)};
  entry.key = raf_key(
      blocks, {entry.store_type, entry.structure_index, entry.result_index, entry.restart_index},
      step);
  entry.store_word = store_type_word(entry.store_type);
  entry.data_word = data_type_word(entry.data_type, entry.re_flag);
}

int32_t ArKeyChk1(dms::Vec1<int32_t> keyraf, int32_t number, std::string_view store_word,
                  int32_t record_length, int32_t /*message_unit*/, int32_t& error_counter) {
  const auto type = decode_store_type(store_word);
  const auto record = detail::keyraf_record(keyraf, record_length, number);
  if (!type || !record) {
    detail::lower(error_counter);
    return 0;
  }
  return code_of(type->code) == (*record)(keyraf::kStoreType) ? 0 : -1;
}

}  // namespace recall
