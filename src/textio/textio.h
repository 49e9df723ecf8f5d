// Console and character-value utilities, and the one place where fixed
// columns are formatted.
//
// Character values are fixed-length and blank-padded: a std::string whose
// size is the declared length.  "Blank" is the space character alone; tabs,
// NULs and every other character count as non-blank.  Positions count from 1.
//
// Fields follow the fixed-column rules of the reports: an integer is
// right-aligned in its width, a real is written in fixed point rounded to the
// number of decimals (to the nearest, an exact tie to even), and a value that
// does not fit its width fills the whole field with asterisks.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace textio {

// ---- the system's routines -------------------------------------------------

/// Writes a prompt to `unit`: one blank and the first 80 characters of
/// `prompt`, leaving the record open so the answer follows on the line.
void ASKTXT(int unit, std::string_view prompt);

/// Position of the last non-blank character of `value` (its size is the
/// declared length); 0 when the value is blank or empty.
int32_t LENTRM(std::string_view value);

/// Position of the first non-blank character of `value`; 0 when blank.
int32_t FSTCHR(std::string_view value);

/// Rewrites `variable` (declared length = its size) as its characters
/// FSTCHR..LENTRM followed by `text`, blank-padded or cut to the length.  A
/// blank variable becomes `text` alone.
void APPSTR(std::string& variable, std::string_view text);

/// Opens the formatted sequential file named by characters 1..LENTRM(name)
/// on `unit`.  Mode 0: status unknown (an existing file is rewritten from its
/// start, a missing one created); mode > 0: the file must exist; a negative
/// mode opens for reading like mode > 0.  A failure sets `status` to -1 and
/// writes nothing; success leaves `status` untouched.
void OPNFIL(std::string_view name, int unit, int mode, int32_t& status);

/// OPNFIL returning the platform status of the opening (0 on success) for
/// a caller that names the reason of a failure.
int open_file(std::string_view name, int unit, int mode);

// ---- fixed-length character values ------------------------------------------

/// `text` blank-padded or cut to `length` characters.
std::string fixed(std::string_view text, std::size_t length);

/// Characters 1..LENTRM(value).
std::string_view trimmed(std::string_view value);

// ---- fields -----------------------------------------------------------------

/// Appends `value` right-aligned in `width` columns (asterisks when it does
/// not fit).
void put_int(std::string& out, int64_t value, int width);

/// Appends `value` in fixed point with `decimals` decimals, right-aligned in
/// `width` columns, rounded to the nearest with an exact tie going to the even
/// last digit.  The leading zero of a value below 1 is dropped only when the
/// field has no room for it; a value that does not fit, even without it, fills
/// the field with asterisks.  A value that is not a number is "NaN", an
/// infinite one "Infinity" or "Inf" (with its sign), right-aligned, when the
/// field has room.
void put_fixed(std::string& out, double value, int width, int decimals);

/// Appends `text` blank-padded or cut to `width` columns.
void put_text(std::string& out, std::string_view text, int width);

/// The field of put_int as a string.
std::string int_field(int64_t value, int width);

/// The field of put_fixed as a string.
std::string fixed_field(double value, int width, int decimals);

// ---- free-format reading -----------------------------------------------------

/// Reads one integer from an answer in free format: blanks (and tabs) around
/// the number are ignored and the number ends at a blank, a comma or a slash.
/// Returns nothing when the answer does not begin with an integer that fits
/// 32 bits.
std::optional<int32_t> read_int(std::string_view answer);

/// Reads one real in free format, as read_int does; accepts an exponent
/// with the letter E, D or Q (either case) or with its sign alone ("1.5-3"),
/// and NaN and Infinity.  Returns nothing when the answer does not begin with
/// a number or the number is out of range.
std::optional<double> read_real(std::string_view answer);

/// The stop on a console answer that cannot be used (not a number, or no
/// answer left on the input).  The only exception of the system: thrown by
/// the dialogue and caught by the program entry, which reports it and exits
/// with status 1.
class InputStop : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace textio
