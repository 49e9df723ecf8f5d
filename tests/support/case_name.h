// Names of the cases of a parameterised suite, as ctest lists them: short,
// readable and the same from run to run (the default would dump the bytes of
// the parameter, addresses included).
#pragma once

#include <cctype>
#include <sstream>
#include <string>

namespace test_support {

/// One name from the parts of a case, joined by '_': each part as it prints,
/// a leading '-' spelled "minus", a '.' between digits "p", and any other run
/// of characters that cannot stand in a test name a single '_'.  For example
/// case_name("F10", -0.5) is "F10_minus0p5".
template <typename... Parts>
std::string case_name(const Parts&... parts) {
  std::string name;
  const auto add = [&name](const auto& part) {
    std::ostringstream printed;
    printed << part;
    const std::string text = printed.str();
    std::string word;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      const bool digit_before = i > 0 && std::isdigit(static_cast<unsigned char>(text[i - 1]));
      const bool digit_after =
          i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]));
      if (std::isalnum(c)) {
        word += static_cast<char>(c);
      } else if (c == '-' && i == 0) {
        word += "minus";
      } else if (c == '.' && digit_before && digit_after) {
        word += 'p';
      } else if (!word.empty() && word.back() != '_') {
        word += '_';
      }
    }
    while (!word.empty() && word.back() == '_') word.pop_back();
    if (word.empty()) return;
    if (!name.empty()) name += '_';
    name += word;
  };
  (add(parts), ...);
  return name;
}

}  // namespace test_support
