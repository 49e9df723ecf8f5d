// Console questions of the run dialogue and the closing of the run's files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/run_state.h"

namespace driver {

/// Writes `prompt` with ASKTXT on the screen and reads the answer from the
/// keyboard as one line of 256 characters (cut or blank-padded).  Throws
/// textio::InputStop when the input has no line left or the line cannot be
/// read (a record of more than platform::kMaxRecordLength characters).
std::string ask_answer(std::string_view prompt);

/// The questions of the run dialogue that an option can answer.
enum class Question { kList, kOutput, kSorted, kTime, kLoadCase, kLoadLevel };

/// The answer to `question`: when its option was given, or the run is
/// non-interactive, `prompt` is written as ask_answer writes it and the
/// option's answer (else the blank answer) is returned without reading the
/// keyboard; otherwise ask_answer asks it.
std::string answer(const RunState& run, Question question, std::string_view prompt);

/// The integer of a non-blank answer, read in free format.  Throws
/// textio::InputStop naming the answer when it is not an integer.
int32_t answer_int(const std::string& answer);

/// The real of a non-blank answer, read in free format.  Throws
/// textio::InputStop naming the answer when it is not a number.
double answer_real(const std::string& answer);

/// Closes the output file and the log.  A failure to write or close either
/// (a full disk, say) is reported on the screen and makes the run fail
/// (status -1), so that a damaged report never passes for a result; the
/// reason also goes to standard error.
void finish_output(RunState& run);

}  // namespace driver
