// Building and reading CHKEY.
#include "raflib/chkey.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "textio/textio.h"

namespace raflib {
namespace {

using format::KeyField;

// An "Iw.2" field: the value zero-padded to at least two digits,
// right-justified in `width` columns.
void put_two_digits(std::string& out, int value, int width) {
  std::string digits = textio::int_field(value, 11);
  digits.erase(0, digits.find_first_not_of(' '));
  if (value >= 0 && digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  if (static_cast<int>(digits.size()) > width) {
    out.append(static_cast<std::size_t>(width), '*');
    return;
  }
  out.append(static_cast<std::size_t>(width) - digits.size(), ' ');
  out.append(digits);
}

void put_field(Chkey& key, KeyField field, std::string_view text) {
  const auto n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(field.width));
  auto* first = key.data() + field.offset;
  std::copy_n(text.data(), n, first);
  std::fill(first + n, first + field.width, ' ');
}

}  // namespace

std::string stamp_text(const platform::LocalTime& t) {
  std::string out;
  put_two_digits(out, t.year, 4);
  put_two_digits(out, t.month, 2);
  put_two_digits(out, t.day, 2);
  put_two_digits(out, t.hour, 4);
  put_two_digits(out, t.minute, 2);
  put_two_digits(out, t.second, 2);
  return out;
}

std::string_view key_text(const Chkey& key, KeyField field) {
  return {key.data() + field.offset, static_cast<std::size_t>(field.width)};
}

void put_key_text(Chkey& key, KeyField field, std::string_view text) {
  put_field(key, field, text);
}

void put_key_int(Chkey& key, KeyField field, int64_t value) {
  put_field(key, field, textio::int_field(value, field.width));
}

std::optional<int32_t> decode_int_field(std::string_view field) {
  bool negative = false;
  bool signed_seen = false;
  bool digit_seen = false;
  int64_t value = 0;
  for (char c : field) {
    if (c == ' ') continue;
    if ((c == '+' || c == '-') && !signed_seen && !digit_seen) {
      signed_seen = true;
      negative = c == '-';
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    digit_seen = true;
    value = value * 10 + (c - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return std::nullopt;
  }
  if (signed_seen && !digit_seen) return std::nullopt;
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

std::optional<int32_t> get_key_int(const Chkey& key, KeyField field) {
  return decode_int_field(key_text(key, field));
}

Chkey new_key(std::string_view computer_name, std::string_view computer_code,
              std::string_view created_stamp, const KeyValues& values) {
  Chkey key;
  key.fill(' ');
  put_key_text(key, format::kMagic, format::kMagicText);
  put_key_int(key, format::kVersion, 0);
  put_key_int(key, format::kRevision, 0);
  put_key_text(key, format::kComputerName, computer_name);
  put_key_text(key, format::kComputerCode, computer_code);
  put_key_text(key, format::kCreatedStamp, created_stamp);
  put_key_text(key, format::kWrittenStamp, format::kZeroStamp);
  put_key_text(key, format::kReadStamp, format::kZeroStamp);
  put_key_int(key, format::kFirstLock, 0);
  put_key_int(key, format::kSecondLock, 0);
  put_key_int(key, format::kReservedShort, 0);
  for (KeyField f : {format::kMfpadr, format::kMfpmax, format::kMfpcur, format::kMfpnxt,
                     format::kReservedWide}) {
    put_key_int(key, f, 0);
  }
  put_key_int(key, format::kVersion, format::kFileVersion);
  put_key_int(key, format::kRevision, format::kFileRevision);
  put_numeric_block(key, values);
  put_key_int(key, format::kRecordLength, format::kRecordBytes);
  return key;
}

void put_numeric_block(Chkey& key, const KeyValues& values) {
  put_key_int(key, format::kMfpadr, values.mfpadr);
  put_key_int(key, format::kMfpmax, values.mfpmax);
  put_key_int(key, format::kMfpcur, values.mfpcur);
  put_key_int(key, format::kMfpnxt, values.mfpnxt);
  put_key_int(key, format::kReservedWide, values.reserved_wide);
  put_key_int(key, format::kReservedShort, values.reserved_short);
  put_key_int(key, format::kMfplen, values.mfplen);
  // The rewrite covers 56 characters: the four behind MFPLEN become blanks.
  put_field(key, {format::kRecordLength.offset, 4}, "");
}

bool get_numeric_block(const Chkey& key, KeyValues& values) {
  const auto adr = get_key_int(key, format::kMfpadr);
  const auto max = get_key_int(key, format::kMfpmax);
  const auto cur = get_key_int(key, format::kMfpcur);
  const auto nxt = get_key_int(key, format::kMfpnxt);
  const auto wide = get_key_int(key, format::kReservedWide);
  const auto narrow = get_key_int(key, format::kReservedShort);
  const auto len = get_key_int(key, format::kMfplen);
  if (!adr || !max || !cur || !nxt || !wide || !narrow || !len) return false;
  values = KeyValues{*adr, *max, *cur, *nxt, *wide, *narrow, *len};
  return true;
}

}  // namespace raflib
