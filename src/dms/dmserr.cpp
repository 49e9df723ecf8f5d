// DMSERN and DMSERA, the two error writers of the store, with their message
// tables.
//
// A message is a text of lines separated by line feeds; each line is
// written as one record after five blanks, with its fields filled in
// (textio/message_table.h): for DMSERN {1} is the array name as given and
// {2:w} the value, for DMSERA {1:w} {2:w} {3:w} are its three values, each
// right-aligned in w columns.
#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "dms/dms.h"
#include "dms/mcm.h"
#include "dms/store.h"
#include "platform/units.h"
#include "textio/message_table.h"
#include "textio/textio.h"

namespace dms {
namespace {

using detail::NameError;
using detail::NumberError;

using textio::Message;

constexpr std::string_view kIndent = "     ";
constexpr std::string_view kErrorHeading = " *** ERROR return from a  K O R  library routine";
constexpr std::string_view kWarningHeading = " *** WARNING from a  K O R  library routine";
constexpr std::string_view kLabelLine = "Detected by a DMS-routine called with label";
constexpr int kLabelWidth = 6;
constexpr std::string_view kCannotDefine = "Array  {1}  cannot be defined/redefined";

constexpr std::array<Message<NameError>, 20> kNameMessages = {{
    {NameError::kNameTooLong, "Array name  {1}  is too long"},
    {NameError::kIllegalCharacter, "Illegal character encountered in array name  {1}"},
    {NameError::kIllegalCharacterNumber,
     "Illegal \"character number\" ( ={2:10} ) encountered\n"
     "during conversion from numbers to name - corrupt data?"},
    {NameError::kAnnOutOfOrder,
     "Subroutine DMSANN is called out of order\n"
     "(or the DMS \"book-keeping-system\" is corrupt)"},
    {NameError::kBookKeepingTooLarge,
     "The DMS \"book-keeping-system\" exceeds available\n"
     "storage space in work array by {2:6} words"},
    {NameError::kImplicitNotSpecified, "Implicit numbering is requested, but not specified"},
    {NameError::kNameExists, "The array name already exists (for array no.{2:5})"},
    {NameError::kNumbersExhausted,
     "Maximum number of data arrays ( ={2:4} ) has alreadybeen defined"},
    {NameError::kExplicitNotSpecified, "Explicit numbering is requested, but not specified"},
    {NameError::kDefinitionCorrupt, "The DMS \"book-keeping-system\" is corrupt"},
    {NameError::kIllegalDefineNumber, "Illegal array number ( ={2:5} ) requested"},
    {NameError::kReleaseNonExisting,
     "Storage allocation/release attempted for a non-\n"
     "existing array ({1})"},
    {NameError::kNameOfIllegalNumber, "Name requested for an illegal array number (={2:5})"},
    {NameError::kPointerUndefined, "Pointer requested for an undefined array ({1})"},
    {NameError::kInconsistentInfo, "Inconsistent (corrupt) DMS-info for array {1}"},
    {NameError::kAssignFileNonExisting,
     "Attempt to assign a secondary storage file to a non-\n"
     "existing array ({1})"},
    {NameError::kTransferNonExisting,
     "Attempt to transfer a non-existing array ({1})\n"
     "to/from file"},
    {NameError::kRetrieveNonExisting,
     "Attempt to retrieve an element from a non-existing\n"
     "array ({1})"},
    {NameError::kIntroduceNonExisting,
     "Attempt to introduce an element into a non-existing\n"
     "array ({1})"},
    {NameError::kOccuredFor, "Occured for array  {1}"},
}};

constexpr std::array<Message<NumberError>, 26> kNumberMessages = {{
    {NumberError::kStorageAlreadyGiven,
     "Primary storage requested for an array (no.{1:5} )\n"
     "already occupying storage  -  old storage used"},
    {NumberError::kFileUnitDefined, "File unit no.{1:4} is already defined"},
    {NumberError::kIllegalNumber, "Illegal data array number ( ={1:6} ) specified"},
    {NumberError::kIllegalWordsPerElement,
     "Illegal number of words per element ( ={1:4} )\n"
     "specified for array number{2:5}"},
    {NumberError::kCorrupt, "The DMS \"book-keeping-system\" (MCM) is corrupt"},
    {NumberError::kRoomExceeded,
     "Available primary (\"core\") storage (of{1:8} words)\n"
     "exceeded (by{2:7} words) for array number{3:5}"},
    {NumberError::kImplicitIncorrect, "Implicit data array specification is incorrect"},
    {NumberError::kAddressWithoutStorage,
     "Primary storage address requested for\n"
     "an array ( no.{1:5} ) having no storage"},
    {NumberError::kBadFileUnitOrAddress, "Zero or negative file unit or file address specified"},
    {NumberError::kUndefinedFileUnit, "An undefined file unit ( ={1:5} ) is specified"},
    {NumberError::kTransferFailed, "Error during transfer of array number{1:5}"},
    {NumberError::kBadMcmFromFile, "Incorrect control data (MCM) retrieved from file"},
    {NumberError::kCopySourceMissing, "Copying :  data array{1:6}  does not exist"},
    {NumberError::kCopyTargetTooSmall, "Copying :  data array{1:6}  too small"},
    {NumberError::kCopyTypesDiffer, "Copying :  data array{1:6} and{2:6} of diff. type"},
    {NumberError::kAllocateUndefined,
     "Primary storage allocation attempted for\n"
     "an undefined array  (no.{1:5} )"},
    {NumberError::kAddressOfUndefined,
     "Primary storage address requested for\n"
     "an undefined array  (no.{1:5} )"},
    {NumberError::kNegativeDimension, "Negative dimension specified for array number{1:5}"},
    {NumberError::kNegativeShrinking,
     "Negative shrinking (i.e. expansion) attempted\n"
     "for array number{1:5}"},
    {NumberError::kTooManyFiles, "Maximum number of files (5) already defined"},
    {NumberError::kMergeFiles, "Attempt to merge two existing files"},
    {NumberError::kRedefineWithStorage,
     "Attempt to redefine an array ( no.{1:5} ) for which\n"
     "primary storage is already reserved"},
    {NumberError::kBadReference, "Incorrect subroutine reference or corrupt  MCM"},
    {NumberError::kIllegalVersion, "Illegal array version number ( ={1:6} ) specified"},
    {NumberError::kTransferArrayMissing,
     "Attempt to transfer a non-existing data array ( no.{1:6} )\n"
     "to secondary storage"},
    {NumberError::kTransferRecordMissing,
     "Attempt to transfer a non-existing data record ( no.{1:6} )\n"
     "into data array number{2:6}"},
}};

static_assert(textio::fields_are_valid(kNameMessages, 2));
static_assert(textio::fields_are_valid(kNumberMessages, 3));
static_assert(textio::fields_are_valid(kCannotDefine, 2));

/// Writes each line of `text` as one record, after the indent, with its
/// fields filled from `args`.
void write_lines(int unit, std::string_view text, std::initializer_list<textio::Arg> args) {
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string record(kIndent);
    record += textio::fill(text.substr(pos, end - pos), args);
    platform::write_record(unit, record);
    pos = end + 1;
  }
}

void write_heading(int unit, std::string_view heading) {
  for (int k = 0; k < 3; ++k) platform::write_record(unit, "");
  platform::write_record(unit, heading);
}

void write_label(int unit, int32_t label) {
  std::string record(kIndent);
  record.append(kLabelLine);
  textio::put_int(record, label, kLabelWidth);
  platform::write_record(unit, record);
}

int32_t message_unit(IntView iw) {
  return iw.size() >= mcm::kMessageUnitWord ? iw(mcm::kMessageUnitWord) : 0;
}

}  // namespace

void DMSERN(IntView iw, int32_t number, std::string_view name, int64_t value, int32_t label) {
  constexpr int32_t kFirstCounted = 50;
  constexpr int32_t kFirstHeaded = 11;
  if (number < kFirstCounted) detail::count_error(iw);
  const int32_t unit = message_unit(iw);
  if (unit < 1) return;

  if (number >= kFirstHeaded && number < kFirstCounted) write_heading(unit, kErrorHeading);
  const auto code = static_cast<NameError>(number);
  if (code >= NameError::kImplicitNotSpecified && code <= NameError::kIllegalDefineNumber) {
    write_lines(unit, kCannotDefine, {name, value});
  }
  const std::string_view text = textio::message_text(kNameMessages, code);
  if (!text.empty()) write_lines(unit, text, {name, value});
  if (code != NameError::kAnnOutOfOrder && code != NameError::kRetrieveNonExisting &&
      code != NameError::kOccuredFor) {
    write_label(unit, label);
  }
}

void DMSERA(IntView iw, int32_t number, int64_t a, int64_t b, int64_t c, int32_t label) {
  constexpr int32_t kLastWarning = 10;
  const int32_t unit = message_unit(iw);
  if (unit < 1) return;

  write_heading(unit, number > kLastWarning ? kErrorHeading : kWarningHeading);
  const std::string_view text =
      textio::message_text(kNumberMessages, static_cast<NumberError>(number));
  if (!text.empty()) write_lines(unit, text, {a, b, c});
  if (label != 0) write_label(unit, label);
}

namespace detail {

void report(IntView iw, NameError error, std::string_view name, int64_t value, int32_t label) {
  DMSERN(iw, static_cast<int32_t>(error), name, value, label);
}

void report(IntView iw, NumberError error, int64_t a, int64_t b, int64_t c, int32_t label) {
  DMSERA(iw, static_cast<int32_t>(error), a, b, c, label);
}

}  // namespace detail
}  // namespace dms
