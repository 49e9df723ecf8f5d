// The texts of the campaign layer: why a part file or a list of parts is
// refused, and the details of a damaged record.  One table keyed by Text,
// one placeholder syntax ({1}, {2}, {3}: the arguments in order).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace campaign {

enum class Text : int {
  // Refusals of a part ({1} is its path).
  kCannotOpen = 1,
  kNotRegular = 2,
  kNotAPart = 3,
  kShortHeader = 4,
  kOtherVersion = 5,
  kChecksum = 6,
  kChunkCut = 7,
  kChunkPastEnd = 8,
  kNoRunHeader = 9,
  kBadRunHeader = 10,
  kUnknownChunk = 11,
  kBadRecord = 12,
  kBadEnd = 13,
  kCannotRead = 14,
  kChanged = 15,
  kCannotWrite = 16,
  kSamePart = 17,
  kOtherSettings = 18,
  kListCannotOpen = 19,
  kListCannotRead = 20,
  kNoExports = 21,
  kFewHistories = 22,
  // Details of a damaged record or run header.
  kFieldPastEnd = 31,
  kUnknownOutcome = 32,
  kStepsOutside = 33,
  kFieldsOutOfRange = 34,
  kCountMisfit = 35,
  kElementOrder = 36,
  kTrailingBytes = 37,
};

/// The text of `text` with its placeholders filled from `args`.
std::string message(Text text, std::initializer_list<std::string_view> args = {});

}  // namespace campaign
