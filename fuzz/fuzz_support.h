// What the fuzz targets share: the input written as a file under a private
// scratch directory (the RAF library reads files by name), and the message
// units connected to /dev/null so that every message path runs without
// filling a disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vemrask_fuzz {

/// Unit numbers the targets use (those of the program).
inline constexpr int kOutputUnit = 17;
inline constexpr int kLogUnit = 18;
inline constexpr int kRafUnit = 22;

/// A scratch directory of this process, created on first use.
const std::string& scratch_dir();

/// Writes `size` bytes to `scratch_dir()/name`, replacing the file, and
/// returns its path.
std::string write_input(const std::string& name, const uint8_t* data, std::size_t size);

/// Connects the output and log units to /dev/null.
void open_message_units();

/// Standard output to /dev/null: the targets' screen output is noise.
void silence_screen();

}  // namespace vemrask_fuzz
