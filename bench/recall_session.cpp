// The set-up of a RAF file for reading it back, as the file loop does it.
#include "bench/recall_session.h"

#include <string_view>

#include "dms/named_view.h"
#include "driver/raf_open.h"
#include "platform/units.h"
#include "raflib/raflib.h"
#include "textio/textio.h"

namespace bench {
RecallSession::RecallSession(const std::filesystem::path& file, const std::filesystem::path& log,
                             int32_t message_unit, int64_t words)
    : work_(words), unit_(message_unit) {
  if (!work_.ok()) {
    error_ = "no work array";
    return;
  }
  iw_ = dms::int_view(work_.bytes(), words);
  rw_ = dms::real_view(work_.bytes(), words);
  if (platform::open_text(platform::kLogFile, log.string(), platform::OpenStatus::kUnknown) != 0) {
    error_ = "cannot open " + log.string();
    return;
  }
  int32_t status = 0;
  driver::INIRAF_0("OLD", file.string(), 1, platform::kRafFile, platform::kScreen,
                   platform::kLogFile, status);
  if (status != 0) {
    error_ = "cannot open " + file.string();
    return;
  }
  if (!driver::recall_first_step(iw_, rw_, static_cast<int32_t>(words), platform::kRafFile, unit_,
                                 status)) {
    error_ = "the recall of " + file.string() + " failed";
  }
}

RecallSession::~RecallSession() {
  int32_t ierr = 0;
  raflib::RAFCLS(platform::kRafFile, ierr);
  platform::close_unit(platform::kLogFile);
}

dms::Vec1<double> RecallSession::recall_reals(std::string_view name, int32_t step) {
  int32_t pointer = 0;
  int32_t status = 0;
  recall::ARREC1(iw_, rw_, name, pointer, step, platform::kRafFile, control(), status);
  if (status != 0) return {};
  return dms::named_view(iw_, rw_, textio::trimmed(name), pointer).values;
}

dms::Vec1<int32_t> RecallSession::ints(std::string_view name) {
  const std::string_view trimmed = textio::trimmed(name);
  const int32_t start = dms::DMSINQ(iw_, trimmed, dms::kInquireStart);
  return dms::named_view(iw_, iw_, trimmed, start).values;
}

}  // namespace bench
