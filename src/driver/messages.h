// The program's own lines on standard error, the few screen lines of the
// batch options and the lines the file loop writes to the screen and the
// output file: one table of texts keyed by Line, with the fields of
// textio/message_table.h ({1}, {2}, ...: the arguments in order; {n:w}: in w
// columns), one writer.
//
// Every failure that ends a run writes one line "vemrask: <subject>: <reason>"
// to standard error; only the first failure of a run is written, so a run
// that ends never leaves more than one such line.  Notes (a skipped file, the
// fail-above count) are written every time.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "textio/message_table.h"

namespace driver {

enum class Line {
  // Command-line errors (exit status 2).
  kUsageHint,
  kBadNumber,
  kBadWholeNumber,
  kBadSorted,
  kBadCount,
  kHistoryWithoutOutput,
  kLevelWithoutCase,
  kSizeTwice,
  kListWithoutOutput,
  kOutputWithoutList,
  kPartWithOutput,
  kPartWithoutList,
  kPartWithExports,
  kBadJobs,
  // Failures that end a run.
  kSizeTooLarge,
  kSizeNotPositive,
  kSizeNotANumber,
  kAllocation,
  kCannotOpen,
  kOutputIsRaf,
  kCannotRead,
  kCannotWrite,
  kRafRefused,
  kWorker,
  kTooManyFiles,
  kExportFailed,
  // Why a RAF file cannot be checked (after "<file>: " or "<file>: skipped: ").
  kReasonUnreadable,
  kReasonGeometry,
  kReasonResultPass,
  kReasonNel,
  kReasonCapacity,
  kAnswer,
  kStepOption,
  kStepOptionScreen,
  // Notes.
  kSkipped,
  kSkippedScreen,
  kSkippedOutput,
  kAtOrAbove,
  kAtOrAboveScreen,
  // Why a file cannot be opened, and a status without a text of its own.
  kReasonOpenFailed,
  kReasonOpenFailedBecause,
  kReasonRafRefused,
  kReasonErrorFlag,
  // The file loop: framed errors and their detail lines in the output file.
  kPeaksError,
  kIniDmsError,
  kLookupError,
  kLookupDetail,
  kLookupWordSize,
  kLookupOutside,
  kNelDetail,
  kCapacityDetail,
  kTooManyFilesDetail,
  // The file loop: what a file is, and the failures of the worker pool.
  kTimeDomainKind,
  kStaticKind,
  kPoolEndedEarly,
  kRecordOutOfOrder,
  kBadRecord,
  // The file loop on the screen.
  kFileSeparator,
  kNowProcessing,
  kProgress,
  // The step dialogue on the screen and its lines in the output file.
  kTimeDomainHeading,
  kTimeQuestion,
  kEntireSimulation,
  kUpToTime,
  kStaticHeading,
  kLoadCaseQuestion,
  kEntireSimulationStatic,
  kLoadCaseChecked,
  kLoadLevelQuestion,
  kEntireLoadCase,
  kUpToLevel,
  kOutputUpToTime,
  kOutputEntireLoadCase,
  kOutputLoadCase,
  kOutputUpToLevel,
  kOutputEntireSimulation,
};

/// The text of `line` with its fields filled from `args`.
std::string line_text(Line line, std::initializer_list<textio::Arg> args = {});

/// Writes "vemrask: " and the text of `line` as one line to standard error,
/// unless a failure was written before in this run.
void report_failure(Line line, std::initializer_list<textio::Arg> args = {});

/// Counts a failure as written (by a worker whose lines the parent wrote).
void set_failure_reported();

/// Writes "vemrask: " and the text of `line` as one line to standard error.
void report_note(Line line, std::initializer_list<textio::Arg> args = {});

/// `name` as a message names a file: "''" for a blank name.
std::string shown_name(std::string_view name);

/// The reason of a platform status: the system's text for an errno value,
/// the program's own text for its 5xxx codes, "error flag N" otherwise.
std::string status_reason(int status);

/// Why the RAF library refused a file: its message number `raf_error`
/// (negative as the library returns it) turned into a short reason; for a
/// file that cannot be opened, the system's reason for `file`.
std::string raf_refusal_reason(int32_t raf_error, const std::string& file);

}  // namespace driver
