// RFMESS, RFTRAC and RFFERR: the message blocks of the library.
//
// A block is a header line (marker, severity, date, routine), a context
// line for messages about a file or an array, and the text line.  Header
// and context are compressed (runs of blanks become one blank); the text is
// written as it stands.
#include <cstdlib>
#include <string>

#include "platform/units.h"
#include "raflib/raflib.h"
#include "raflib/state.h"
#include "textio/message_table.h"
#include "textio/textio.h"

namespace raflib {
namespace {

constexpr std::size_t kHeaderWidth = 100;
constexpr std::size_t kLineWidth = 79;
constexpr std::size_t kTextWidth = 70;

struct SeverityStyle {
  std::string_view name;  // blank-padded to 11 characters when written
  std::string_view marker;
};

constexpr std::array<SeverityStyle, 4> kStyles = {{
    {"INFO", "---"},
    {"WARNING", "==="},
    {"ERROR", "***"},
    {"FATAL ERROR", "!!!"},
}};

const SeverityStyle& style_of(Severity s) {
  return kStyles[static_cast<std::size_t>(s) - 1];
}

// Every run of blanks becomes one blank; trailing blanks go.
std::string compressed(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (char c : line) {
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// " " and the first 79 characters of a compressed line.
std::string record_of(std::string_view line) {
  std::string out = " ";
  out.append(line.substr(0, kLineWidth));
  return out;
}

// The last two digits of a date part, zero-padded.
std::string two_digits(int value) {
  std::string s = textio::int_field(std::abs(value) % 100, 2);
  if (s[0] == ' ') s[0] = '0';
  return s;
}

std::string message_date() {
  const platform::LocalTime t = now();
  return two_digits(t.year) + "-" + two_digits(t.month) + "-" + two_digits(t.day) + " " +
         two_digits(t.hour) + ":" + two_digits(t.minute) + ":" + two_digits(t.second);
}

std::string header_line(const SeverityStyle& style, std::string_view routine, int32_t label) {
  std::string line(style.marker);
  line += " RAFLIB ";
  textio::put_text(line, style.name, 11);
  line += " - ";
  line += message_date();
  line += " - Routine ";
  line += routine;
  if (label != 0) {
    line += " - Label ";
    textio::put_int(line, label, 10);
  }
  line += ":";
  if (line.size() > kHeaderWidth) line.resize(kHeaderWidth);
  return compressed(line);
}

std::string context_line(const SeverityStyle& style, Context kind, int64_t number) {
  const RafState& st = raf_state();
  const Slot* slot = current_slot();
  const int32_t file = slot != nullptr ? std::abs(slot->unit) : 0;
  std::string line(style.marker);
  line += " File ";
  textio::put_int(line, file, 3);
  if (kind >= Context::kArray) {
    line += " / Array ";
    textio::put_int(line, st.entry.array, 8);
  }
  if (kind >= Context::kAddress) {
    line += " / Address ";
    textio::put_int(line, st.entry.address, 8);
  }
  if (kind >= Context::kElements) {
    line += " / Elements ";
    textio::put_int(line, st.entry.used, 8);
  }
  line += kind == Context::kAddress ? " / Msg_no=" : " / Msg_no ";
  textio::put_int(line, number, 5);
  line += ":";
  return compressed(line);
}

constexpr std::string_view kNoText = "Error no{1:10} (No text defined for this error number)";
static_assert(textio::fields_are_valid(kNoText, 1));

// The text with its fields filled in, cut to 70.
std::string text_line(std::string_view text, int32_t ipar, std::string_view apar) {
  std::string value = "<UNKNOWN>";
  if (ipar != kUnknown) {
    value = textio::int_field(ipar, 10);
    value.erase(0, value.find_first_not_of(' '));
  }
  std::string out = textio::fill(text, {value, textio::trimmed(apar)});
  if (out.size() > kTextWidth) out.resize(kTextWidth);
  return out;
}

void write_to(const std::array<int32_t, 2>& units, std::string_view record) {
  for (int32_t unit : units) {
    if (unit != 0) platform::write_record(unit, record);
  }
}

}  // namespace

void RFMESS(int32_t& ierr, std::string_view routine, int32_t label, int32_t ipar,
            std::string_view apar) {
  const int64_t number = std::llabs(static_cast<long long>(ierr));
  MessageEntry entry{0, Severity::kError, Context::kNone, ""};
  std::string undefined;
  if (number >= kFirstMessage && number <= kLastMessage) {
    entry = kMessages[static_cast<std::size_t>(number - kFirstMessage)];
  } else {
    undefined = textio::fill(kNoText, {number});
    entry.text = undefined;
  }

  const RafState& st = raf_state();
  const auto& units = st.units[static_cast<std::size_t>(entry.severity) - 1];
  if (units[0] != 0 || units[1] != 0) {
    const SeverityStyle& style = style_of(entry.severity);
    write_to(units, record_of(header_line(style, routine, label)));
    if (entry.context != Context::kNone) {
      write_to(units, record_of(context_line(style, entry.context, number)));
    }
    std::string text = " ";
    text += style.marker;
    text += " ";
    text += text_line(entry.text, ipar, apar);
    write_to(units, textio::trimmed(text));
  }

  const bool error = entry.severity == Severity::kError || entry.severity == Severity::kFatal;
  ierr = static_cast<int32_t>(error ? -number : number);
}

void RFTRAC(std::string_view routine) {
  const auto& units = raf_state().units[static_cast<std::size_t>(Severity::kError) - 1];
  std::string line = " *** Error return from ";
  line += routine;
  write_to(units, "");
  write_to(units, line);
}

void RFFERR(int32_t& ierr, std::string_view routine, int32_t label, int32_t iop) {
  const int64_t status = std::llabs(static_cast<long long>(ierr));
  int64_t number = status;
  int32_t flag = kUnknown;
  if (status >= -kFfileBadUnit && status <= -kFfileNegativeCount) {
    // FFILE's own statuses have messages of their own, 1041 for -991 on.
    number = status + kFfileBadUnit + static_cast<int64_t>(Msg::kBadUnitInFfile);
    flag = 0;
  } else if (iop == kOpWrite || iop == kOpAdvance) {
    // A failed advance is the allocation of space beyond what the file can address.
    number = static_cast<int64_t>(Msg::kCannotWrite);
    flag = static_cast<int32_t>(status);
  } else if (iop == kOpRead) {
    number = static_cast<int64_t>(Msg::kCannotRead);
    flag = static_cast<int32_t>(status);
  }
  if (flag != 0) raf_state().last_flag = flag;
  ierr = static_cast<int32_t>(number);
  RFMESS(ierr, routine, label, flag, kDummy);
}

}  // namespace raflib
