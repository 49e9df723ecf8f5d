#include "support/raf_image.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "dms/name_code.h"
#include "recall/catalogue.h"

namespace test_support {

namespace format = raflib::format;

int32_t RafImage::get32(std::size_t offset) const {
  if (offset + format::kWordBytes > bytes_.size()) throw std::out_of_range("RAF image word");
  int32_t v = 0;
  std::memcpy(&v, bytes_.data() + offset, format::kWordBytes);
  return v;
}

void RafImage::put32(std::size_t offset, int32_t value) {
  if (offset + format::kWordBytes > bytes_.size()) throw std::out_of_range("RAF image word");
  std::memcpy(bytes_.data() + offset, &value, format::kWordBytes);
}

int64_t RafImage::key_field(format::KeyField field) const {
  const std::string text =
      bytes_.substr(static_cast<std::size_t>(field.offset), static_cast<std::size_t>(field.width));
  try {
    return std::stoll(text);
  } catch (const std::exception&) {
    return 0;
  }
}

void RafImage::set_key_field(format::KeyField field, std::string_view text) {
  std::string value(static_cast<std::size_t>(field.width), ' ');
  const std::size_t n = std::min(text.size(), value.size());
  value.replace(value.size() - n, n, text.substr(0, n));
  bytes_.replace(static_cast<std::size_t>(field.offset), value.size(), value);
}

int32_t RafImage::mfpadr() const {
  return static_cast<int32_t>(key_field(format::kMfpadr));
}
int32_t RafImage::mfpmax() const {
  return static_cast<int32_t>(key_field(format::kMfpmax));
}
int32_t RafImage::mfplen() const {
  return static_cast<int32_t>(key_field(format::kMfplen));
}

std::size_t RafImage::entry_offset(int32_t key, format::EntryWord word) const {
  const auto page = static_cast<std::size_t>((key - 1) / format::kPageEntries);
  const auto index = static_cast<std::size_t>((key - 1) % format::kPageEntries);
  const std::size_t record =
      static_cast<std::size_t>(mfpadr()) - 1 + format::kRecordsPerPage * page;
  return record * format::kRecordBytes + index * format::kEntryWords * format::kWordBytes +
         static_cast<std::size_t>(static_cast<int32_t>(word) - 1) * format::kWordBytes;
}

int32_t RafImage::entry(int32_t key, format::EntryWord word) const {
  return get32(entry_offset(key, word));
}

void RafImage::set_entry(int32_t key, format::EntryWord word, int32_t value) {
  put32(entry_offset(key, word), value);
}

std::size_t RafImage::data_offset(int32_t key) const {
  return (static_cast<std::size_t>(entry(key, format::EntryWord::kAddress)) - 1) *
         format::kRecordBytes;
}

std::size_t RafImage::data_bytes(int32_t key) const {
  const int32_t size = format::element_bytes(entry(key, format::EntryWord::kType));
  return static_cast<std::size_t>(entry(key, format::EntryWord::kUsed)) *
         static_cast<std::size_t>(size == 0 ? format::kWordBytes : size);
}

int32_t RafImage::int_word(int32_t key, int64_t k) const {
  return get32(data_offset(key) + static_cast<std::size_t>(k - 1) * format::kWordBytes);
}

void RafImage::set_int_word(int32_t key, int64_t k, int32_t value) {
  put32(data_offset(key) + static_cast<std::size_t>(k - 1) * format::kWordBytes, value);
}

int32_t RafImage::key_of(std::string_view name, int32_t step) const {
  int32_t first = 0;
  int32_t second = 0;
  if (dms::encode_name(name, false, first, second) != dms::NameCodeResult::kOk) return 0;
  auto numraf = [&](int64_t word) { return int_word(recall::kNumrafKey, word); };
  const int32_t r = numraf(recall::numraf::kRecordLength);
  const int32_t m = numraf(recall::numraf::kHighestNumber);
  for (int32_t j = 1; j <= m; ++j) {
    if (int_word(recall::kIarrnmKey, 2 * int64_t{j} - 1) != first ||
        int_word(recall::kIarrnmKey, 2 * int64_t{j}) != second) {
      continue;
    }
    auto keyraf = [&](int64_t word) {
      return int_word(recall::kKeyrafKey, int64_t{r} * (j - 1) + word);
    };
    const recall::KeyBlocks blocks{
        numraf(recall::numraf::kStructureSize), numraf(recall::numraf::kResultSize),
        numraf(recall::numraf::kRestartSize), numraf(recall::numraf::kKeyBase)};
    const recall::KeyIndices indices{
        keyraf(recall::keyraf::kStoreType), keyraf(recall::keyraf::kStructureIndex),
        keyraf(recall::keyraf::kResultIndex), keyraf(recall::keyraf::kRestartIndex)};
    const int32_t key = recall::raf_key(blocks, indices, step);
    return key == recall::kInvalidKey ? 0 : key;
  }
  return 0;
}

}  // namespace test_support
