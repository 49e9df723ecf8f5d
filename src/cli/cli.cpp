#include "cli/cli.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace cli {

std::optional<std::string> Parsed::value(std::string_view name) const {
  for (auto it = options.rbegin(); it != options.rend(); ++it) {
    if (it->name == name) return it->value;
  }
  return std::nullopt;
}

bool Parsed::has(std::string_view name) const {
  return std::any_of(options.begin(), options.end(),
                     [name](const Given& g) { return g.name == name; });
}

bool reads_as_number(std::string_view text) {
  if (text.empty()) return false;
  const std::string copy(text);
  char* end = nullptr;
  std::strtod(copy.c_str(), &end);
  return end != copy.c_str() && *end == '\0' &&
         copy.find_first_of("0123456789") != std::string::npos &&
         copy.find_first_of("xXnN") == std::string::npos;  // no hex, nan or inf spellings
}

std::optional<int> to_int(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<double> to_real(std::string_view text) {
  if (!reads_as_number(text)) return std::nullopt;
  const double value = std::strtod(std::string(text).c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

namespace {

const OptionSpec* find_long(std::span<const OptionSpec> options, std::string_view name) {
  for (const OptionSpec& s : options) {
    if (s.long_name == name) return &s;
  }
  return nullptr;
}

const OptionSpec* find_short(std::span<const OptionSpec> options, char name) {
  for (const OptionSpec& s : options) {
    if (s.short_name != 0 && s.short_name == name) return &s;
  }
  return nullptr;
}

std::string needs_value(const OptionSpec& option) {
  return "option '--" + std::string(option.long_name) + "' needs a value";
}

}  // namespace

Parsed parse(std::span<const std::string> args, std::span<const OptionSpec> options,
             bool operand_may_be_negative_number) {
  Parsed out;
  bool options_done = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool option_like = arg.size() > 1 && arg[0] == '-' &&
                             !(operand_may_be_negative_number && reads_as_number(arg));
    if (options_done || !option_like) {
      out.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    if (arg.starts_with("--")) {
      const std::string_view body = std::string_view(arg).substr(2);
      const std::size_t eq = body.find('=');
      const std::string_view name = body.substr(0, eq);
      const OptionSpec* option = find_long(options, name);
      if (option == nullptr) {
        out.error = "unknown option '--" + std::string(name) + "'";
        return out;
      }
      if (option->value_name.empty()) {
        if (eq != std::string_view::npos) {
          out.error = "option '--" + std::string(name) + "' takes no value";
          return out;
        }
        out.options.push_back({option->long_name, {}});
      } else if (eq != std::string_view::npos) {
        out.options.push_back({option->long_name, std::string(body.substr(eq + 1))});
      } else if (i + 1 < args.size()) {
        out.options.push_back({option->long_name, args[++i]});
      } else {
        out.error = needs_value(*option);
        return out;
      }
      continue;
    }
    // One or more short options: flags may be grouped; an option with a
    // value takes the rest of the word or the next argument.
    for (std::size_t k = 1; k < arg.size(); ++k) {
      const OptionSpec* option = find_short(options, arg[k]);
      if (option == nullptr) {
        out.error = std::string("unknown option '-") + arg[k] + "'";
        return out;
      }
      if (option->value_name.empty()) {
        out.options.push_back({option->long_name, {}});
        continue;
      }
      if (k + 1 < arg.size()) {
        out.options.push_back({option->long_name, arg.substr(k + 1)});
      } else if (i + 1 < args.size()) {
        out.options.push_back({option->long_name, args[++i]});
      } else {
        out.error = needs_value(*option);
        return out;
      }
      break;
    }
  }
  return out;
}

std::string option_lines(std::span<const OptionSpec> options) {
  std::vector<std::string> heads;
  std::size_t width = 0;
  for (const OptionSpec& s : options) {
    std::string head = s.short_name != 0 ? std::string("  -") + s.short_name + ", " : "      ";
    head += "--" + std::string(s.long_name);
    if (!s.value_name.empty()) head += " " + std::string(s.value_name);
    width = std::max(width, head.size());
    heads.push_back(std::move(head));
  }
  std::string text;
  for (std::size_t k = 0; k < options.size(); ++k) {
    text += heads[k] + std::string(width + 2 - heads[k].size(), ' ') +
            std::string(options[k].help) + "\n";
  }
  return text;
}

}  // namespace cli
