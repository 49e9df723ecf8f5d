// Message tables: each message text stands beside the code it belongs to,
// as {code, text}, so that a table can be read, extended and checked without
// keeping two lists in step.  A row may carry more columns (a severity, say)
// as long as it has `code` and `text`.
//
// A text may hold fields that are filled in when the message is written:
// "{n}" (n from 1 to 9) stands for argument n, a number written in as many
// columns as it needs; "{n:w}" for argument n right-aligned in w columns, a
// number that does not fit filling them with asterisks.  A text holds no
// other braces.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace textio {

template <class Code>
struct Message {
  Code code;
  std::string_view text;
};

/// The text of `code`; empty when the table has none.
template <class Row, std::size_t N>
constexpr std::string_view message_text(const std::array<Row, N>& table, decltype(Row::code) code) {
  for (const Row& m : table) {
    if (m.code == code) return m.text;
  }
  return {};
}

/// True when the table holds each of the codes first .. first+N-1 exactly
/// once (for tables of an enumeration numbered from 0 without gaps, or of a
/// numbered range).
template <class Row, std::size_t N>
constexpr bool has_every_code_once(const std::array<Row, N>& table, int64_t first = 0) {
  for (std::size_t k = 0; k < N; ++k) {
    std::size_t found = 0;
    for (const Row& m : table) {
      if (static_cast<int64_t>(m.code) == first + static_cast<int64_t>(k)) ++found;
    }
    if (found != 1) return false;
  }
  return true;
}

/// True when no code stands twice in the table (for tables of some codes
/// only).
template <class Row, std::size_t N>
constexpr bool codes_are_unique(const std::array<Row, N>& table) {
  for (std::size_t i = 0; i < N; ++i) {
    for (std::size_t j = i + 1; j < N; ++j) {
      if (table[i].code == table[j].code) return false;
    }
  }
  return true;
}

/// One argument of a message: a text or a whole number.  The constructors
/// are implicit so that a call lists its arguments as they are.
class Arg {
 public:
  Arg(std::string_view text) : text_(text) {}
  Arg(const std::string& text) : text_(text) {}
  Arg(const char* text) : text_(text) {}
  template <std::integral I>
  requires(!std::same_as<I, bool> && !std::same_as<I, char>) Arg(I number)
      : number_(static_cast<int64_t>(number)), is_number_(true) {}

  /// Appends the argument, in `width` columns when width > 0.
  void put(std::string& out, int width) const;

 private:
  std::string_view text_;
  int64_t number_ = 0;
  bool is_number_ = false;
};

/// `form` with its fields filled from `args`; a field whose argument is not
/// given is left out.
std::string fill(std::string_view form, std::initializer_list<Arg> args);

/// True when every brace of `form` belongs to a field "{n}" or "{n:w}" with
/// n from 1 to `arguments` and w from 1 to 99.
constexpr bool fields_are_valid(std::string_view form, int arguments) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (form[i] == '}') return false;
    if (form[i] != '{') continue;
    if (i + 2 >= form.size() || !digit(form[i + 1]) || form[i + 1] == '0' ||
        form[i + 1] - '0' > arguments) {
      return false;
    }
    std::size_t j = i + 2;
    if (form[j] == ':') {
      const std::size_t start = ++j;
      while (j < form.size() && digit(form[j])) ++j;
      if (j == start || j - start > 2 || (j - start == 1 && form[start] == '0')) return false;
    }
    if (j >= form.size() || form[j] != '}') return false;
    i = j;
  }
  return true;
}

/// fields_are_valid() for every text of a table.
template <class Row, std::size_t N>
constexpr bool fields_are_valid(const std::array<Row, N>& table, int arguments) {
  for (const Row& m : table) {
    if (!fields_are_valid(m.text, arguments)) return false;
  }
  return true;
}

}  // namespace textio
