// Fixed-column fields and the free-format reading of numeric answers.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "textio/textio.h"

namespace textio {
namespace {

void put_stars(std::string& out, int width) {
  if (width > 0) out.append(static_cast<std::size_t>(width), '*');
}

void put_right(std::string& out, std::string_view text, int width) {
  if (width <= 0) return;
  if (text.size() > static_cast<std::size_t>(width)) {
    put_stars(out, width);
    return;
  }
  out.append(static_cast<std::size_t>(width) - text.size(), ' ');
  out.append(text);
}

// True when |value| lies exactly halfway between two values of `decimals`
// decimals.  That is when value * 10^decimals has the fraction .5 exactly,
// which for a binary value means value * 2^(decimals + 1) is an odd integer.
bool exact_tie(double magnitude, int decimals) {
  const double scaled = std::ldexp(magnitude, decimals + 1);
  return std::isfinite(scaled) && std::fmod(scaled, 2.0) == 1.0;
}

// Decimal digits of |value| rounded to `decimals` decimals, as integer part
// and fraction: the exact binary value to the nearest, an exact tie to the
// even last digit.  Values are printed with enough extra digits that a value
// near a half is told from a half.
void round_decimal(double magnitude, int decimals, std::string& int_part, std::string& frac_part) {
  constexpr int kExtra = 25;
  // std::to_chars with a precision writes the digits that printf's "%.*f"
  // writes, several times faster; reports have tens of thousands of fields.
  char buffer[512];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                               std::chars_format::fixed, decimals + kExtra);
  std::string digits;
  if (r.ec == std::errc{}) {
    digits.assign(buffer, r.ptr);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals + kExtra, magnitude);
    digits = buffer;
  }
  const std::size_t point = digits.find('.');
  int_part = digits.substr(0, point);
  std::string frac = digits.substr(point + 1);
  bool round_up = frac[static_cast<std::size_t>(decimals)] >= '5';
  if (round_up && exact_tie(magnitude, decimals)) {
    const char last = decimals > 0 ? frac[static_cast<std::size_t>(decimals) - 1] : int_part.back();
    round_up = (last - '0') % 2 == 1;
  }
  frac.resize(static_cast<std::size_t>(decimals));
  if (round_up) {
    // Propagate the carry through the fraction and the integer part.
    int k = decimals - 1;
    while (k >= 0 && frac[static_cast<std::size_t>(k)] == '9') {
      frac[static_cast<std::size_t>(k)] = '0';
      --k;
    }
    if (k >= 0) {
      ++frac[static_cast<std::size_t>(k)];
    } else {
      int j = static_cast<int>(int_part.size()) - 1;
      while (j >= 0 && int_part[static_cast<std::size_t>(j)] == '9') {
        int_part[static_cast<std::size_t>(j)] = '0';
        --j;
      }
      if (j >= 0) {
        ++int_part[static_cast<std::size_t>(j)];
      } else {
        int_part.insert(int_part.begin(), '1');
      }
    }
  }
  frac_part = frac;
}

}  // namespace

void put_int(std::string& out, int64_t value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
  put_right(out, buffer, width);
}

void put_fixed(std::string& out, double value, int width, int decimals) {
  if (width <= 0) return;
  if (decimals < 0) decimals = 0;
  if (std::isnan(value)) {
    put_right(out, width >= 3 ? "NaN" : "***", width);
    return;
  }
  const bool negative = std::signbit(value);
  if (std::isinf(value)) {
    std::string text = negative ? "-" : "";
    text += width >= static_cast<int>(text.size()) + 8 ? "Infinity" : "Inf";
    put_right(out, text, width);
    return;
  }
  if (decimals > 100) decimals = 100;
  std::string int_part;
  std::string frac_part;
  round_decimal(std::fabs(value), decimals, int_part, frac_part);
  std::string text = negative ? "-" : "";
  const std::size_t bare = text.size() + (decimals > 0 ? 1 + frac_part.size() : 1);
  const bool zero_int = int_part == "0";
  if (zero_int && decimals > 0 && bare + 1 > static_cast<std::size_t>(width)) {
    // No room for the leading zero: it is dropped.
  } else {
    text += int_part;
  }
  text += '.';
  text += frac_part;
  put_right(out, text, width);
}

void put_text(std::string& out, std::string_view text, int width) {
  if (width <= 0) return;
  const auto w = static_cast<std::size_t>(width);
  if (text.size() >= w) {
    out.append(text.substr(0, w));
  } else {
    out.append(text);
    out.append(w - text.size(), ' ');
  }
}

std::string int_field(int64_t value, int width) {
  std::string s;
  put_int(s, value, width);
  return s;
}

std::string fixed_field(double value, int width, int decimals) {
  std::string s;
  put_fixed(s, value, width, decimals);
  return s;
}

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// The first value of a free-format answer: leading blanks skipped, ending at
// a blank, comma or slash.  A repeat count "r*value" gives the value.
std::string_view first_item(std::string_view answer) {
  std::size_t k = 0;
  while (k < answer.size() && is_blank(answer[k])) ++k;
  std::size_t end = k;
  while (end < answer.size() && !is_blank(answer[end]) && answer[end] != ',' &&
         answer[end] != '/') {
    ++end;
  }
  std::string_view item = answer.substr(k, end - k);
  const std::size_t star = item.find('*');
  if (star != std::string_view::npos && star > 0) {
    bool count_ok = true;
    for (std::size_t i = 0; i < star; ++i) count_ok = count_ok && item[i] >= '0' && item[i] <= '9';
    if (count_ok) item = item.substr(star + 1);
  }
  return item;
}

}  // namespace

std::optional<int32_t> read_int(std::string_view answer) {
  std::string_view item = first_item(answer);
  if (item.empty()) return std::nullopt;
  std::size_t k = 0;
  bool negative = false;
  if (item[0] == '+' || item[0] == '-') {
    negative = item[0] == '-';
    k = 1;
  }
  if (k >= item.size()) return std::nullopt;
  int64_t value = 0;
  for (; k < item.size(); ++k) {
    const char c = item[k];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

std::optional<double> read_real(std::string_view answer) {
  std::string_view item = first_item(answer);
  if (item.empty()) return std::nullopt;
  std::string text;
  std::size_t k = 0;
  if (item[0] == '+' || item[0] == '-') text += item[k++];
  std::string rest;
  for (std::size_t i = k; i < item.size(); ++i) {
    rest += static_cast<char>(item[i] >= 'a' && item[i] <= 'z' ? item[i] - 32 : item[i]);
  }
  if (rest == "NAN" || rest.rfind("NAN(", 0) == 0) return std::numeric_limits<double>::quiet_NaN();
  if (rest == "INF" || rest == "INFINITY") {
    return text == "-" ? -std::numeric_limits<double>::infinity()
                       : std::numeric_limits<double>::infinity();
  }
  // Mantissa: digits with at most one point, at least one digit.
  std::size_t i = 0;
  int digits = 0;
  bool point = false;
  for (; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  text += rest.substr(0, i);
  if (i < rest.size()) {
    // Exponent: a letter E, D or Q with an optional sign, or a sign alone.
    std::size_t e = i;
    if (rest[e] == 'E' || rest[e] == 'D' || rest[e] == 'Q') ++e;
    std::string exponent = "e";
    if (e < rest.size() && (rest[e] == '+' || rest[e] == '-')) exponent += rest[e++];
    if (e == i || e >= rest.size()) return std::nullopt;
    for (; e < rest.size(); ++e) {
      if (rest[e] < '0' || rest[e] > '9') return std::nullopt;
      exponent += rest[e];
    }
    text += exponent;
  }
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == nullptr || *end != '\0') return std::nullopt;
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  return value;
}

}  // namespace textio
