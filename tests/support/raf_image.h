// A RAF file image in memory, read and patched through the file's own
// layout (raflib/format.h) and catalogue vocabulary (recall/catalogue.h):
// key fields as text, MFP entries and integer array words by key, and the
// key of a catalogued array.  For tests that damage files on purpose; the
// image is in this computer's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "raflib/format.h"

namespace test_support {

class RafImage {
 public:
  explicit RafImage(std::string bytes) : bytes_(std::move(bytes)) {}
  [[nodiscard]] const std::string& bytes() const { return bytes_; }

  /// A decimal key field; 0 when it is not a number.
  [[nodiscard]] int64_t key_field(raflib::format::KeyField field) const;
  /// Writes `text` right-justified (or cut) into a key field.
  void set_key_field(raflib::format::KeyField field, std::string_view text);

  [[nodiscard]] int32_t mfpadr() const;
  [[nodiscard]] int32_t mfpmax() const;
  [[nodiscard]] int32_t mfplen() const;

  /// Byte offset of a word of the MFP entry of `key`.
  [[nodiscard]] std::size_t entry_offset(int32_t key, raflib::format::EntryWord word) const;
  [[nodiscard]] int32_t entry(int32_t key, raflib::format::EntryWord word) const;
  void set_entry(int32_t key, raflib::format::EntryWord word, int32_t value);

  /// Byte offset of the first data byte of `key`.
  [[nodiscard]] std::size_t data_offset(int32_t key) const;
  /// Bytes the array of `key` takes (its used count times its element size).
  [[nodiscard]] std::size_t data_bytes(int32_t key) const;
  /// Integer `k` (1-based) of the array under `key`, and its update.
  [[nodiscard]] int32_t int_word(int32_t key, int64_t k) const;
  void set_int_word(int32_t key, int64_t k, int32_t value);

  /// Key of the catalogued array `name` in `step` (0: its structure copy),
  /// computed from the image's own catalogue; 0 when it has none.
  [[nodiscard]] int32_t key_of(std::string_view name, int32_t step = 0) const;

 private:
  [[nodiscard]] int32_t get32(std::size_t offset) const;
  void put32(std::size_t offset, int32_t value);
  std::string bytes_;
};

}  // namespace test_support
