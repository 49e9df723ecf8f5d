#include "driver/dialogue.h"

#include <optional>

#include "driver/messages.h"
#include "platform/units.h"
#include "textio/textio.h"

namespace driver {

std::string ask_answer(std::string_view prompt) {
  textio::ASKTXT(platform::kScreen, prompt);
  std::string line;
  const int io = platform::read_record(platform::kKeyboard, line);
  if (io != 0) {
    std::string question(textio::trimmed(prompt));
    while (!question.empty() && (question.back() == ':' || question.back() == ' ')) {
      question.pop_back();
    }
    if (io != platform::kEndOfFile) {
      throw textio::InputStop("The answer to \"" + question + "\" could not be read (error flag " +
                              std::to_string(io) + ")");
    }
    throw textio::InputStop("No answer to \"" + question + "\": the input has ended");
  }
  return textio::fixed(line, kNameLength);
}

std::string answer(const RunState& run, Question question, std::string_view prompt) {
  const RunOptions& o = run.options;
  const std::optional<std::string>* given = nullptr;
  switch (question) {
    case Question::kList:
      given = &o.list;
      break;
    case Question::kOutput:
      given = &o.output;
      break;
    case Question::kSorted:
      given = &o.sorted;
      break;
    case Question::kTime:
      given = &o.time;
      break;
    case Question::kLoadCase:
      given = &o.load_case;
      break;
    case Question::kLoadLevel:
      given = &o.load_level;
      break;
  }
  if ((given != nullptr && given->has_value()) || o.non_interactive) {
    textio::ASKTXT(platform::kScreen, prompt);
    return textio::fixed(given != nullptr ? given->value_or(std::string()) : std::string(),
                         kNameLength);
  }
  return ask_answer(prompt);
}

namespace {

std::string quoted_answer(const std::string& answer) {
  const int32_t first = textio::FSTCHR(answer);
  const int32_t last = textio::LENTRM(answer);
  if (first == 0) return "\"\"";
  std::string shown = answer.substr(static_cast<std::size_t>(first - 1),
                                    static_cast<std::size_t>(last - first + 1));
  // Control characters (a NUL would end the message) are shown as "?".
  for (char& c : shown) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32 || code == 127) c = '?';
  }
  return "\"" + shown + "\"";
}

}  // namespace

int32_t answer_int(const std::string& answer) {
  const auto value = textio::read_int(answer);
  if (!value) throw textio::InputStop("The answer " + quoted_answer(answer) + " is not an integer");
  return *value;
}

double answer_real(const std::string& answer) {
  const auto value = textio::read_real(answer);
  if (!value) throw textio::InputStop("The answer " + quoted_answer(answer) + " is not a number");
  return *value;
}

void finish_output(RunState& run) {
  const int output = platform::close_unit(platform::kOutputFile);
  const int log = platform::close_unit(platform::kLogFile);
  if (output != 0) {
    report_failure(Line::kCannotWrite, {run.output_name, status_reason(output)});
    platform::write_record(platform::kScreen, "");
    platform::write_record(platform::kScreen,
                           " *** ERROR: the output file could not be written (error flag " +
                               std::to_string(output) + ")");
    run.status = -1;
  }
  if (log != 0) {
    report_failure(Line::kCannotWrite, {run.options.log_file, status_reason(log)});
    platform::write_record(platform::kScreen, "");
    platform::write_record(platform::kScreen, " *** ERROR: " + run.options.log_file +
                                                  " could not be written (error flag " +
                                                  std::to_string(log) + ")");
    run.status = -1;
  }
}

}  // namespace driver
