#include "driver/messages.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/units.h"
#include "raflib/messages.h"

namespace driver {
namespace {

template <class Code>
struct Message {
  Code code;
  std::string_view text;
};

constexpr std::array<Message<Line>, 39> kLines = {{
    {Line::kUsageHint, "Try 'vemrask --help' for more information."},
    {Line::kBadNumber, "option '--{1}' needs a number, not '{2}'"},
    {Line::kBadWholeNumber, "option '--{1}' needs a whole number, not '{2}'"},
    {Line::kBadSorted, "option '--sorted' needs a whole number or 'all', not '{1}'"},
    {Line::kBadCount, "option '--{1}' needs a whole number of 0 or more, not '{2}'"},
    {Line::kHistoryWithoutOutput, "option '--history' needs '--csv' or '--html'"},
    {Line::kLevelWithoutCase, "option '--load-level' needs '--load-case'"},
    {Line::kSizeTwice, "the work space is given twice: '{1}' and '--workspace {2}'"},
    {Line::kListWithoutOutput, "option '--list' needs '--output' as well"},
    {Line::kOutputWithoutList, "option '--output' needs '--list' as well"},
    {Line::kPartWithOutput, "options '--part' and '--output' exclude each other"},
    {Line::kPartWithoutList, "option '--part' needs '--list' as well"},
    {Line::kPartWithExports,
     "options '--csv' and '--html' do not go with '--part' (the merge writes them)"},
    {Line::kBadJobs, "option '--jobs' needs a whole number from 0 to {1}, not '{2}'"},
    {Line::kSizeTooLarge, "{1}: above the largest work space (about 2147 million words)"},
    {Line::kSizeNotPositive, "{1}: the work space size is zero or negative"},
    {Line::kSizeNotANumber, "{1}: the work space size is not a number"},
    {Line::kAllocation, "{1}: {2} million words could not be allocated"},
    {Line::kCannotOpen, "{1}: cannot be opened: {2}"},
    {Line::kOutputIsRaf, "{1}: is a RAF file: it is not overwritten"},
    {Line::kCannotRead, "{1}: cannot be read: {2}"},
    {Line::kCannotWrite, "{1}: could not be written: {2}"},
    {Line::kRafRefused, "{1}: {2}"},
    {Line::kWorker, "{1}: the worker checking it failed: {2}"},
    {Line::kTooManyFiles, "{1}: the list names {2} RAF files; a run takes at most {3}"},
    {Line::kExportFailed, "{1}"},
    {Line::kReasonUnreadable, "cannot be read (see the output file and the log)"},
    {Line::kReasonGeometry, "its model data are inconsistent (see the output file)"},
    {Line::kReasonResultPass, "the result pass failed (see the output file)"},
    {Line::kReasonNel, "the element count NEL = {1} is not valid"},
    {Line::kReasonCapacity, "{1} result values exceed the capacity of {2}"},
    {Line::kAnswer, "standard input: {1}"},
    {Line::kStepOption, "{1}: option '--{2}' does not fit a {3} simulation"},
    {Line::kStepOptionScreen, " *** ERROR: option --{2} does not fit {1}: a {3} simulation"},
    {Line::kSkipped, "{1}: skipped: {2}"},
    {Line::kSkippedScreen, " *** SKIPPED: {1}"},
    {Line::kSkippedOutput, "  *** SKIPPED: {1}"},
    {Line::kAtOrAbove, "{1}: {2} element results at or above {3}"},
    {Line::kAtOrAboveScreen, " *** {2} element results at or above {3}"},
}};

constexpr std::array<Message<int>, 8> kStatusTexts = {{
    {platform::kStatusBadUnit, "unit out of range or not usable"},
    {platform::kStatusPastEnd, "a record beyond the end of the file"},
    {platform::kStatusNotOpen, "unit not connected"},
    {platform::kStatusWrongKind, "wrong kind of access for the unit"},
    {platform::kStatusBadName, "an empty name or a name holding a NUL character"},
    {platform::kStatusIsDirectory, "Is a directory"},
    {platform::kStatusRecordTooLong, "a text line of more than a million characters"},
    {platform::kStatusInUse, "the run has this file open already"},
}};

using raflib::Msg;
constexpr std::array<Message<Msg>, 12> kRafReasons = {{
    {Msg::kNotRafFile, "not a RAF file"},
    {Msg::kReadLocked, "the file is read locked"},
    {Msg::kTooNew, "written by a newer RAF library"},
    {Msg::kBadMfpadr, "its key record is damaged"},
    {Msg::kBadMfpmax, "its key record is damaged"},
    {Msg::kBadMfpcur, "its key record is damaged"},
    {Msg::kBadMfpnxt, "its key record is damaged"},
    {Msg::kKeyDecodeError, "its key record is damaged"},
    {Msg::kCannotReadFrom, "written by a computer whose files cannot be read here"},
    {Msg::kCannotRead, "cut short or damaged"},
    {Msg::kTooManyFiles, "too many RAF files open"},
    {Msg::kFileNumberInUse, "its file number is in use"},
}};

constexpr std::string_view kOtherRafRefusal = "refused by the RAF library (see the log)";

bool g_failure_reported = false;

void write_line(Line line, std::initializer_list<std::string_view> args) {
  std::string text = "vemrask: " + line_text(line, args);
  // Names from a list or a command line may hold control characters (a NUL
  // would end the line, a line feed split it): they are shown as "?".
  for (char& c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32 || code == 127) c = '?';
  }
  // Through unit 0, so that a worker's lines can be captured and written
  // later in list order.
  platform::write_record(platform::kStandardError, text);
}

}  // namespace

std::string line_text(Line line, std::initializer_list<std::string_view> args) {
  std::string_view text;
  for (const auto& m : kLines) {
    if (m.code == line) text = m.text;
  }
  std::string out;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '{' && k + 2 < text.size() && text[k + 2] == '}' && text[k + 1] >= '1' &&
        text[k + 1] <= '9') {
      const auto n = static_cast<std::size_t>(text[k + 1] - '1');
      if (n < args.size()) out += *(args.begin() + n);
      k += 2;
    } else {
      out += text[k];
    }
  }
  return out;
}

void report_failure(Line line, std::initializer_list<std::string_view> args) {
  if (g_failure_reported) return;
  g_failure_reported = true;
  write_line(line, args);
}

void set_failure_reported() {
  g_failure_reported = true;
}

void report_note(Line line, std::initializer_list<std::string_view> args) {
  write_line(line, args);
}

std::string shown_name(std::string_view name) {
  return name.empty() ? std::string("''") : std::string(name);
}

std::string status_reason(int status) {
  for (const auto& m : kStatusTexts) {
    if (m.code == status) return std::string(m.text);
  }
  if (status > 0 && status < 5000) return std::strerror(status);
  return "error flag " + std::to_string(status);
}

std::string raf_refusal_reason(int32_t raf_error, const std::string& file) {
  const auto number = static_cast<Msg>(raf_error < 0 ? -raf_error : raf_error);
  if (number == Msg::kCannotOpen) {
    // The library keeps the system's reason in the log; it is found again here.
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) return "cannot be opened: Is a directory";
    std::FILE* probe = std::fopen(file.c_str(), "rb");
    const int error = errno;
    if (probe != nullptr) {
      std::fclose(probe);
      return "cannot be opened";
    }
    return "cannot be opened: " + status_reason(error);
  }
  for (const auto& m : kRafReasons) {
    if (m.code == number) return std::string(m.text);
  }
  return std::string(kOtherRafRefusal);
}

}  // namespace driver
