#include "campaign/messages.h"

#include <array>

namespace campaign {
namespace {

constexpr std::array<textio::Message<Text>, 29> kTexts = {{
    {Text::kCannotOpen, "part {1}: cannot be opened ({2})"},
    {Text::kNotRegular, "part {1}: is not a regular file"},
    {Text::kNotAPart, "part {1}: is not a part file (no part magic text)"},
    {Text::kShortHeader, "part {1}: is truncated: it is shorter than a part's header"},
    {Text::kOtherVersion,
     "part {1}: is of part format version {2}; this program reads version {3}"},
    {Text::kChecksum,
     "part {1}: is damaged or truncated: its checksum does not match its contents"},
    {Text::kChunkCut, "part {1}: is truncated: a chunk is cut off"},
    {Text::kChunkPastEnd, "part {1}: is truncated: a chunk runs past the end of the file"},
    {Text::kNoRunHeader, "part {1}: is damaged: it does not begin with its run header"},
    {Text::kBadRunHeader, "part {1}: is damaged: run header: {2}"},
    {Text::kUnknownChunk, "part {1}: is damaged: a chunk of unknown kind"},
    {Text::kBadRecord, "part {1}: is damaged: file record {2}: {3}"},
    {Text::kBadEnd, "part {1}: is damaged: its end does not match its file records"},
    {Text::kCannotRead, "part {1}: cannot be read ({2})"},
    {Text::kChanged, "part {1}: has changed since it was checked"},
    {Text::kCannotWrite, "part {1}: cannot be written ({2})"},
    {Text::kSamePart,
     "part {1}: is the same part as {2} (both come from one run); a part is merged once"},
    {Text::kOtherSettings, "part {1}: was checked with other step settings than part {2}"},
    {Text::kListCannotOpen, "list of parts {1}: cannot be opened ({2})"},
    {Text::kListCannotRead, "list of parts {1}: cannot be read ({2})"},
    {Text::kNoExports,
     "part {1}: holds no data for '--csv' or '--html' (written by an older version); write it "
     "again"},
    {Text::kFewHistories,
     "part {1}: holds the utilisation histories of {2} ends per file, {3} are asked for; write "
     "the parts with '--history {3}'"},
    {Text::kFieldPastEnd, "{1} runs past the end of its chunk"},
    {Text::kUnknownOutcome, "outcome code {1} is not known"},
    {Text::kStepsOutside, "the step settings lie outside the file's text"},
    {Text::kFieldsOutOfRange, "list position, list-line length or NEL out of range"},
    {Text::kCountMisfit, "{1} count {2} does not fit"},
    {Text::kElementOrder, "element position {1} out of order or range"},
    {Text::kTrailingBytes, "the {1} has bytes after its last field"},
}};
static_assert(textio::has_every_code_once(kTexts));
static_assert(textio::fields_are_valid(kTexts, 3));

}  // namespace

std::string message(Text text, std::initializer_list<textio::Arg> args) {
  return textio::fill(textio::message_text(kTexts, text), args);
}

}  // namespace campaign
