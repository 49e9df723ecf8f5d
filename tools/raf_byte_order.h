// Byte order of a RAF file: turns a file written here (computer type 14,
// least significant byte first) into the same file as a computer of the
// other byte order (type 12, most significant byte first) writes it, and
// back.
//
// The key record is text: only its computer name and code change.  Every
// word of the MFP is reversed as a 4-byte integer, and every allocated array
// is reversed element by element as its data type says (4-byte integers,
// reals and character units, 8-byte reals; bytes stay).  Nothing outside the
// allocated elements changes.  The library itself never writes such files.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace raf_tools {

/// Converts the whole file image in place from computer type 14 to 12 (or
/// from 12 to 14).  False, with `error` saying why and `image` unchanged,
/// when the image is not a RAF file of one of those types or its MFP or an
/// array lies outside it.
[[nodiscard]] bool swap_byte_order(std::vector<std::byte>& image, std::string& error);

/// Reads the RAF file `from`, converts it and writes the result to `to`.
[[nodiscard]] bool convert_file(const std::filesystem::path& from, const std::filesystem::path& to,
                                std::string& error);

}  // namespace raf_tools
