#include "textio/message_table.h"

#include "textio/textio.h"

namespace textio {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The field "{n}" or "{n:w}" at form[at]: its argument index, width and
// last position; false when form[at] opens no field.
bool read_field(std::string_view form, std::size_t at, std::size_t& index, int& width,
                std::size_t& last) {
  std::size_t j = at + 1;
  if (j >= form.size() || !is_digit(form[j]) || form[j] == '0') return false;
  index = static_cast<std::size_t>(form[j] - '1');
  ++j;
  width = 0;
  if (j < form.size() && form[j] == ':') {
    const std::size_t first = ++j;
    for (; j < form.size() && is_digit(form[j]) && width < 1000; ++j) {
      width = width * 10 + (form[j] - '0');
    }
    if (j == first) return false;
  }
  if (j >= form.size() || form[j] != '}') return false;
  last = j;
  return true;
}

}  // namespace

void Arg::put(std::string& out, int width) const {
  if (is_number_) {
    if (width > 0) {
      put_int(out, number_, width);
    } else {
      out += std::to_string(number_);
    }
    return;
  }
  if (width > static_cast<int>(text_.size())) {
    out.append(static_cast<std::size_t>(width) - text_.size(), ' ');
  }
  out += text_;
}

std::string fill(std::string_view form, std::initializer_list<Arg> args) {
  std::string out;
  out.reserve(form.size());
  for (std::size_t i = 0; i < form.size(); ++i) {
    std::size_t index = 0;
    std::size_t last = 0;
    int width = 0;
    if (form[i] != '{' || !read_field(form, i, index, width, last)) {
      out += form[i];
      continue;
    }
    if (index < args.size()) (args.begin() + index)->put(out, width);
    i = last;
  }
  return out;
}

}  // namespace textio
