// Little-endian fixed-width fields, whatever the computer: the byte form of
// the part files and of a file's share of the outputs (campaign/part_format.h,
// exports/record.h) is written and read through these.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace layout {

/// Appends the sizeof(T) little-endian bytes of `v`: a copy on a
/// little-endian computer, shifts on any other.
template <class T>
requires std::is_unsigned_v<T>
void put_le(std::string& out, T v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::array<char, sizeof(T)> bytes{};
    std::memcpy(bytes.data(), &v, sizeof(T));
    out.append(bytes.data(), bytes.size());
  } else {
    for (std::size_t k = 0; k < sizeof(T); ++k) {
      out.push_back(static_cast<char>((v >> (8 * k)) & 0xFFU));
    }
  }
}

/// The unsigned value of the first `width` (at most 8) little-endian bytes
/// of `in`, which must hold them.
inline uint64_t get_le(std::string_view in, std::size_t width) {
  uint64_t v = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, in.data(), width);
  } else {
    for (std::size_t k = 0; k < width; ++k) {
      v |= uint64_t{static_cast<unsigned char>(in[k])} << (8 * k);
    }
  }
  return v;
}

/// Builds a byte form field by field: integers and reals (their 64 bits)
/// little-endian, a text as its U8 byte count and its bytes.
class FieldWriter {
 public:
  void u1(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void u4(uint32_t v) { put_le(out_, v); }
  void u8(uint64_t v) { put_le(out_, v); }
  void i4(int32_t v) { u4(static_cast<uint32_t>(v)); }
  void r8(double v) { u8(std::bit_cast<uint64_t>(v)); }
  void bytes(std::string_view v) { out_.append(v); }
  void text(std::string_view v) {
    u8(v.size());
    out_.append(v);
  }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

}  // namespace layout
