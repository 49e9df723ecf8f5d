// Fixed-length character values: trimmed length, first non-blank, append,
// prompts and the opening of text files by name.
#include <algorithm>

#include "platform/units.h"
#include "textio/textio.h"

namespace textio {

int32_t LENTRM(std::string_view value) {
  // The result is the position of the last character that is not a blank;
  // a plain backward scan gives it directly.
  for (std::size_t k = value.size(); k > 0; --k) {
    if (value[k - 1] != ' ') return static_cast<int32_t>(k);
  }
  return 0;
}

int32_t FSTCHR(std::string_view value) {
  for (std::size_t k = 0; k < value.size(); ++k) {
    if (value[k] != ' ') return static_cast<int32_t>(k + 1);
  }
  return 0;
}

void APPSTR(std::string& variable, std::string_view text) {
  const std::size_t length = variable.size();
  const int32_t first = FSTCHR(variable);
  const int32_t last = LENTRM(variable);
  std::string result;
  if (first == 0 || last == 0) {
    result.assign(text);
  } else {
    result.assign(variable, static_cast<std::size_t>(first - 1),
                  static_cast<std::size_t>(last - first + 1));
    result.append(text);
  }
  variable = fixed(result, length);
}

void ASKTXT(int unit, std::string_view prompt) {
  std::string record(" ");
  record.append(prompt.substr(0, std::min<std::size_t>(prompt.size(), 80)));
  platform::write_prompt(unit, record);
}

void OPNFIL(std::string_view name, int unit, int mode, int32_t& status) {
  if (open_file(name, unit, mode) != 0) status = -1;
}

int open_file(std::string_view name, int unit, int mode) {
  if (unit < 1 || unit > platform::kMaxUnit) return platform::kStatusBadUnit;
  const std::string file(trimmed(name));
  const auto open_status = mode == 0 ? platform::OpenStatus::kUnknown : platform::OpenStatus::kOld;
  return platform::open_text(unit, file, open_status);
}

std::string fixed(std::string_view text, std::size_t length) {
  std::string value(text.substr(0, std::min(text.size(), length)));
  value.resize(length, ' ');
  return value;
}

std::string_view trimmed(std::string_view value) {
  return value.substr(0, static_cast<std::size_t>(LENTRM(value)));
}

}  // namespace textio
