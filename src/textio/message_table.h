// Message tables: each message text stands beside the code it belongs to,
// as {code, text}, so that a table can be read, extended and checked without
// keeping two lists in step.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace textio {

template <class Code>
struct Message {
  Code code;
  std::string_view text;
};

/// The text of `code`; empty when the table has none.
template <class Code, std::size_t N>
constexpr std::string_view message_text(const std::array<Message<Code>, N>& table, Code code) {
  for (const Message<Code>& m : table) {
    if (m.code == code) return m.text;
  }
  return {};
}

/// True when the table holds each of the codes 0 .. N-1 exactly once (for
/// tables of an enumeration numbered from 0 without gaps).
template <class Code, std::size_t N>
constexpr bool has_every_code_once(const std::array<Message<Code>, N>& table) {
  for (std::size_t k = 0; k < N; ++k) {
    std::size_t found = 0;
    for (const Message<Code>& m : table) {
      if (static_cast<std::size_t>(m.code) == k) ++found;
    }
    if (found != 1) return false;
  }
  return true;
}

}  // namespace textio
