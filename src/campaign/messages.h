// The texts of the campaign layer: why a part file or a list of parts is
// refused, and the details of a damaged record.  One table keyed by Text,
// with the fields of textio/message_table.h ({1}, {2}, {3}: the arguments in
// order).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "textio/message_table.h"

namespace campaign {

enum class Text : int {
  // Refusals of a part ({1} is its path).
  kCannotOpen,
  kNotRegular,
  kNotAPart,
  kShortHeader,
  kOtherVersion,
  kChecksum,
  kChunkCut,
  kChunkPastEnd,
  kNoRunHeader,
  kBadRunHeader,
  kUnknownChunk,
  kBadRecord,
  kBadEnd,
  kCannotRead,
  kChanged,
  kCannotWrite,
  kSamePart,
  kOtherSettings,
  kListCannotOpen,
  kListCannotRead,
  kNoExports,
  kFewHistories,
  // Details of a damaged record or run header.
  kFieldPastEnd,
  kUnknownOutcome,
  kStepsOutside,
  kFieldsOutOfRange,
  kCountMisfit,
  kElementOrder,
  kTrailingBytes,
};

/// The text of `text` with its fields filled from `args`.
std::string message(Text text, std::initializer_list<textio::Arg> args = {});

}  // namespace campaign
