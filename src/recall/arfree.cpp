// Releasing a named array (ARFREE): its storage goes back to the store, and
// the catalogue record of an array that has no key on the file is emptied.
#include "dms/dms.h"
#include "recall/recall.h"
#include "recall/recall_detail.h"
#include "textio/textio.h"

namespace recall {
namespace {

using detail::Text;

constexpr std::string_view kClean = "CLEAN";
constexpr std::string_view kNoClean = "NOCLEAN";
/// Units up to this one are the console: ARFREE writes only above it.
constexpr int32_t kLastConsoleUnit = 5;

void report(int32_t unit, Text detail_text, std::string_view name) {
  if (unit <= kLastConsoleUnit) return;
  detail::write_error_record(unit, "ARFREE");
  detail::write_detail(unit, {detail::text(detail_text), name});
  detail::write(unit, "");
}

void report_store_error(int32_t unit) {
  if (unit > kLastConsoleUnit) detail::write_error_record(unit, "ARFREE");
}

}  // namespace

void ARFREE(dms::IntView iw, std::string_view name, std::string_view mode, int32_t message_unit,
            int32_t& status) {
  const std::string_view trimmed = textio::trimmed(name);
  const bool clean = mode.substr(0, kClean.size()) == kClean;
  const bool no_clean = mode.substr(0, kNoClean.size()) == kNoClean;
  if (!clean && !no_clean) {
    report(message_unit, Text::kIllegalRelease, name);
    detail::lower(status);
    return;
  }
  const int32_t before = dms::DMSSTA(iw);
  int32_t local = 0;
  std::string_view missing;
  const auto catalogue = detail::find_catalogue(iw, message_unit, local, missing);
  const int32_t number = dms::DMSNUM(iw, trimmed, 0);
  if (!catalogue || !catalogue->has_record(number)) {
    report_store_error(message_unit);
    detail::lower(status);
    return;
  }
  const dms::Vec1<int32_t> record = catalogue->record(number);
  if (clean) {
    int32_t failed = 0;
    ARZERO(iw, trimmed, message_unit, failed);
  }
  if (record(keyraf::kStoreType) == 0) {
    if (record(keyraf::kStructureIndex) != 0 || record(keyraf::kResultIndex) != 0 ||
        record(keyraf::kRestartIndex) != 0) {
      report(message_unit, Text::kIllegalRafNumber, name);
      detail::lower(status);
      return;
    }
    dms::clear_words(catalogue->keyraf, kRecordLength * (static_cast<int64_t>(number) - 1) + 1,
                     kRecordLength);
  }
  dms::DMSRLN(iw, trimmed, 0);
  if (dms::DMSSTA(iw) < before) {
    report_store_error(message_unit);
    detail::lower(status);
  }
}

}  // namespace recall
