// CHKEY, the key record of a RAF file: 1024 characters of text whose
// numbers are decimal fields (I4, I8), laid out as in raflib/format.h.
//
// These helpers build and read the key character by character; nothing here
// depends on byte order.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/local_time.h"
#include "raflib/format.h"

namespace raflib {

/// The 1024 characters of CHKEY.
using Chkey = std::array<char, format::kKeyBytes>;

/// The numbers of CHKEY's numeric block, through MFPLEN.
struct KeyValues {
  int32_t mfpadr = 0;          ///< record number of the first MFP record
  int32_t mfpmax = 0;          ///< maximum number of arrays
  int32_t mfpcur = 0;          ///< highest array number allocated so far
  int32_t mfpnxt = 0;          ///< next free record number
  int32_t reserved_wide = 0;   ///< reserved I8, carried unchanged
  int32_t reserved_short = 0;  ///< reserved I4, carried unchanged
  int32_t mfplen = 0;          ///< records reserved for the MFP at creation
};

/// The stamp of a time: year (4 digits), month, day, two blanks, hour,
/// minute, second, all zero-padded: "20230629  101500".
std::string stamp_text(const platform::LocalTime& t);

/// Characters of a key field.
std::string_view key_text(const Chkey& key, format::KeyField field);

/// Writes `text` into a key field, blank-padded or cut to its width.
void put_key_text(Chkey& key, format::KeyField field, std::string_view text);

/// Writes `value` right-justified into a key field (Iw); a value too wide
/// for the field fills it with asterisks.
void put_key_int(Chkey& key, format::KeyField field, int64_t value);

/// Decodes a decimal field as the key's reader does: blanks anywhere are
/// ignored, a sign may lead, a blank field is 0.  Nothing for any other
/// character or a value outside 32 bits.
std::optional<int32_t> decode_int_field(std::string_view field);

/// decode_int_field of a key field.
std::optional<int32_t> get_key_int(const Chkey& key, format::KeyField field);

/// The key of a new file: magic, version and revision, the computer's name
/// and code, the creation stamp, zero stamps and lock flags, blanks after
/// the numeric block, and the numeric block with the record length 512.
Chkey new_key(std::string_view computer_name, std::string_view computer_code,
              std::string_view created_stamp, const KeyValues& values);

/// Rewrites the numeric block over its 56 characters (5I8, I4, I8 and four
/// blanks); the record length's digits behind them stay.
void put_numeric_block(Chkey& key, const KeyValues& values);

/// Decodes the seven values of the numeric block; false when one of them is
/// not a number (`values` is then left unchanged).
[[nodiscard]] bool get_numeric_block(const Chkey& key, KeyValues& values);

}  // namespace raflib
