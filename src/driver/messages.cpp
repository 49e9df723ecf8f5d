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

using textio::Message;

constexpr std::array<Message<Line>, 76> kLines = {{
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
    {Line::kReasonOpenFailed, "cannot be opened"},
    {Line::kReasonOpenFailedBecause, "cannot be opened: {1}"},
    {Line::kReasonRafRefused, "refused by the RAF library (see the log)"},
    {Line::kReasonErrorFlag, "error flag {1}"},
    {Line::kPeaksError, "  *** ERROR IN PEAKS   ***"},
    {Line::kIniDmsError, "  *** ERROR IN VemRask_IniDMS ***"},
    {Line::kLookupError, "  *** ERROR IN ARGTIP ***"},
    {Line::kLookupDetail, "      Array {1} {2}"},
    {Line::kLookupWordSize, "holds elements of {1} words; {2} expected"},
    {Line::kLookupOutside, "lies outside the work space"},
    {Line::kNelDetail, "      The element count NEL ={1:12} of this file is not valid"},
    {Line::kCapacityDetail,
     "      {1} files x {2} x {3} elements = {4} result values exceed the capacity of {5}"},
    {Line::kTooManyFilesDetail, "      The list names {1} RAF files; a run takes at most {2}"},
    {Line::kTimeDomainKind, "time domain"},
    {Line::kStaticKind, "static"},
    {Line::kPoolEndedEarly, "the worker pool ended early"},
    {Line::kRecordOutOfOrder, "a record out of order"},
    {Line::kBadRecord, "bad record: {1}"},
    {Line::kFileSeparator, "============================================="},
    {Line::kNowProcessing, " Now processing: {1}"},
    {Line::kProgress, "[{1}/{2}] {3} {4} s"},
    {Line::kTimeDomainHeading, " This is a Time Domain Simulation"},
    {Line::kTimeQuestion, "Give Time  (Default is up to max): "},
    {Line::kEntireSimulation, " Checks entire simulation"},
    {Line::kUpToTime, " Checks to Time  :{1}"},
    {Line::kStaticHeading, " This is a Static Simulation with load case/level"},
    {Line::kLoadCaseQuestion, "LoadCase  (Default is entire sim): "},
    {Line::kEntireSimulationStatic, " Checks entire simulation    "},
    {Line::kLoadCaseChecked, " Checks Load Case :{1:6}"},
    {Line::kLoadLevelQuestion, "Load Level (Default is up to max): "},
    {Line::kEntireLoadCase, " Checks entire load case "},
    {Line::kUpToLevel, " Checks to Level :{1}"},
    {Line::kOutputUpToTime, "#    Up to Time         : {1}"},
    {Line::kOutputEntireLoadCase, "#    Checks Entire Load Case"},
    {Line::kOutputLoadCase, "# Checks Load Case      : {1:6}"},
    {Line::kOutputUpToLevel, "#    Up to Load Level   : {1}"},
    {Line::kOutputEntireSimulation, "# Checks Entire Simulation"},
}};
static_assert(textio::has_every_code_once(kLines));
static_assert(textio::fields_are_valid(kLines, 5));

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
static_assert(textio::codes_are_unique(kStatusTexts) && textio::codes_are_unique(kRafReasons));

bool g_failure_reported = false;

void write_line(Line line, std::initializer_list<textio::Arg> args) {
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

std::string line_text(Line line, std::initializer_list<textio::Arg> args) {
  return textio::fill(textio::message_text(kLines, line), args);
}

void report_failure(Line line, std::initializer_list<textio::Arg> args) {
  if (g_failure_reported) return;
  g_failure_reported = true;
  write_line(line, args);
}

void set_failure_reported() {
  g_failure_reported = true;
}

void report_note(Line line, std::initializer_list<textio::Arg> args) {
  write_line(line, args);
}

std::string shown_name(std::string_view name) {
  return name.empty() ? std::string("''") : std::string(name);
}

std::string status_reason(int status) {
  if (const std::string_view text = textio::message_text(kStatusTexts, status); !text.empty()) {
    return std::string(text);
  }
  if (status > 0 && status < 5000) return std::strerror(status);
  return line_text(Line::kReasonErrorFlag, {status});
}

std::string raf_refusal_reason(int32_t raf_error, const std::string& file) {
  const auto number = static_cast<Msg>(raf_error < 0 ? -raf_error : raf_error);
  if (number == Msg::kCannotOpen) {
    // The library keeps the system's reason in the log; it is found again here.
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) {
      return line_text(Line::kReasonOpenFailedBecause,
                       {status_reason(platform::kStatusIsDirectory)});
    }
    std::FILE* probe = std::fopen(file.c_str(), "rb");
    const int error = errno;
    if (probe != nullptr) {
      std::fclose(probe);
      return line_text(Line::kReasonOpenFailed);
    }
    return line_text(Line::kReasonOpenFailedBecause, {status_reason(error)});
  }
  if (const std::string_view text = textio::message_text(kRafReasons, number); !text.empty()) {
    return std::string(text);
  }
  return line_text(Line::kReasonRafRefused);
}

}  // namespace driver
