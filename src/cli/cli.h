// Command-line options shared by vemrask, mkraf and rafinfo: a small parser
// of long (--name, --name=value, --name value) and short (-n value, -nvalue,
// grouped flags -kv) options over a table that also writes the usage text.
// Standard library only.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

/// One option a program takes.
struct OptionSpec {
  char short_name = 0;          ///< 0 when the option has no short form
  std::string_view long_name;   ///< without the leading "--"
  std::string_view value_name;  ///< empty for a flag, else the value's name in the usage text
  std::string_view help;        ///< one line for the usage text
};

/// An option as given, in command-line order.
struct Given {
  std::string_view name;  ///< the long name of its option
  std::string value;      ///< empty for a flag
};

/// What `parse` found.
struct Parsed {
  std::vector<Given> options;         ///< in the order given
  std::vector<std::string> operands;  ///< arguments that are not options, in order
  std::string error;                  ///< empty when the command line was understood

  /// The value of the last occurrence of `name`, if given.
  [[nodiscard]] std::optional<std::string> value(std::string_view name) const;
  /// True when the flag or option `name` was given.
  [[nodiscard]] bool has(std::string_view name) const;
};

/// Parses `args` (without the program name) against `options`.  "--" ends the
/// options; a lone "-" is an operand.  An unknown option, a flag given a
/// value or an option without its value sets `error` to a one-line reason
/// ("unknown option '--x'", "option '--list' needs a value") and stops.
/// With `operand_may_be_negative_number`, an argument such as "-3" or
/// "-0.5" that reads as a number is an operand, not an option.
Parsed parse(std::span<const std::string> args, std::span<const OptionSpec> options,
             bool operand_may_be_negative_number = false);

/// True when `text` as a whole reads as a decimal number (sign, digits,
/// point, exponent), for instance "-3", "0.5", "1e3".
bool reads_as_number(std::string_view text);

/// The option lines of a usage text, one per option: "  -l, --list FILE   help".
std::string option_lines(std::span<const OptionSpec> options);

/// A whole number of `text` (optional sign and digits only), in range of int.
std::optional<int> to_int(std::string_view text);

/// A real of `text` (the whole text must read as a number, finite).
std::optional<double> to_real(std::string_view text);

}  // namespace cli
