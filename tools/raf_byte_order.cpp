// Conversion of a RAF file image between the two byte orders.
#include "tools/raf_byte_order.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "raflib/chkey.h"
#include "raflib/format.h"

namespace raf_tools {
namespace {

namespace format = raflib::format;

uint32_t swapped(uint32_t v) {
  return __builtin_bswap32(v);
}
uint64_t swapped(uint64_t v) {
  return __builtin_bswap64(v);
}

template <class Word>
void swap_run(std::vector<std::byte>& image, std::size_t offset, std::size_t count) {
  for (std::size_t k = 0; k < count; ++k) {
    Word w;
    std::memcpy(&w, image.data() + offset + k * sizeof(Word), sizeof(Word));
    w = swapped(w);
    std::memcpy(image.data() + offset + k * sizeof(Word), &w, sizeof(Word));
  }
}

// A 4-byte integer stored in the byte order of `from`.
int32_t load_word(const std::vector<std::byte>& image, std::size_t offset, int32_t from) {
  uint32_t w = 0;
  std::memcpy(&w, image.data() + offset, 4U);
  if (format::byte_order_of(from) == format::ByteOrder::kMostFirst) w = swapped(w);
  int32_t value = 0;
  std::memcpy(&value, &w, 4U);
  return value;
}

bool inside(const std::vector<std::byte>& image, int64_t offset, int64_t bytes) {
  return offset >= 0 && bytes >= 0 && offset <= static_cast<int64_t>(image.size()) &&
         bytes <= static_cast<int64_t>(image.size()) - offset;
}

struct Run {
  std::size_t offset;
  std::size_t count;
  int32_t element_bytes;
};

}  // namespace

bool swap_byte_order(std::vector<std::byte>& image, std::string& error) {
  if (image.size() < static_cast<std::size_t>(format::kKeyBytes)) {
    error = "shorter than the key record";
    return false;
  }
  raflib::Chkey key;
  std::memcpy(key.data(), image.data(), key.size());
  if (raflib::key_text(key, format::kMagic) != format::kMagicText) {
    error = "not a RAF file";
    return false;
  }
  const auto code = raflib::get_key_int(key, format::kComputerCode);
  raflib::KeyValues values;
  if (!code || !raflib::get_numeric_block(key, values)) {
    error = "key record does not decode";
    return false;
  }
  int32_t target = 0;
  if (*code == format::kThisComputer) target = format::kBigEndianComputer;
  if (*code == format::kBigEndianComputer) target = format::kThisComputer;
  if (target == 0) {
    error = "written on computer type " + std::to_string(*code) + ", not 14 or 12";
    return false;
  }
  if (values.mfpadr <= format::kKeyRecord || values.mfpmax < 1) {
    error = "key record holds no MFP";
    return false;
  }

  // Find every run to reverse before changing anything.
  std::vector<Run> runs;
  const int64_t pages = (int64_t{values.mfpmax} + format::kPageEntries - 1) / format::kPageEntries;
  for (int64_t p = 0; p < pages; ++p) {
    const int64_t page_offset =
        (values.mfpadr - 1 + format::kRecordsPerPage * p) * format::kRecordBytes;
    if (!inside(image, page_offset, format::kPageBytes)) {
      error = "MFP page " + std::to_string(p + 1) + " lies outside the file";
      return false;
    }
    for (int32_t e = 0; e < format::kPageEntries; ++e) {
      const int64_t array = p * format::kPageEntries + e + 1;
      if (array > values.mfpmax) break;
      const auto at = static_cast<std::size_t>(page_offset) +
                      static_cast<std::size_t>(e * format::kEntryWords * format::kWordBytes);
      const int32_t address = load_word(image, at, *code);
      const int32_t type = load_word(image, at + 4, *code);
      const int32_t allocated = load_word(image, at + 8, *code);
      if (address == 0) continue;
      const int32_t size = format::element_bytes(type);
      const int64_t offset = (int64_t{address} - 1) * format::kRecordBytes;
      if (size == 0 || address < 0 || allocated < 0 ||
          !inside(image, offset, int64_t{allocated} * size)) {
        error = "array " + std::to_string(array) + " lies outside the file";
        return false;
      }
      if (type != static_cast<int32_t>(format::DataType::kByte)) {
        runs.push_back(
            {static_cast<std::size_t>(offset), static_cast<std::size_t>(allocated), size});
      }
    }
    runs.push_back({static_cast<std::size_t>(page_offset), format::kPageWords, 4});
  }

  for (const Run& r : runs) {
    if (r.element_bytes == 8) {
      swap_run<uint64_t>(image, r.offset, r.count);
    } else {
      swap_run<uint32_t>(image, r.offset, r.count);
    }
  }
  raflib::put_key_text(key, format::kComputerName,
                       format::kComputerNames[static_cast<std::size_t>(target)]);
  raflib::put_key_int(key, format::kComputerCode, target);
  std::memcpy(image.data(), key.data(), key.size());
  return true;
}

bool convert_file(const std::filesystem::path& from, const std::filesystem::path& to,
                  std::string& error) {
  std::ifstream in(from, std::ios::binary);
  if (!in) {
    error = "cannot read " + from.string();
    return false;
  }
  std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::byte> image(chars.size());
  if (!chars.empty()) std::memcpy(image.data(), chars.data(), chars.size());
  if (!swap_byte_order(image, error)) return false;
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()),
            static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    error = "cannot write " + to.string();
    return false;
  }
  return true;
}

}  // namespace raf_tools
