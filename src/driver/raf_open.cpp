#include "driver/raf_open.h"

#include <string>

#include "driver/messages.h"
#include "platform/units.h"
#include "raflib/raflib.h"
#include "recall/array_names.h"
#include "recall/catalogue.h"
#include "recall/recall.h"
#include "textio/textio.h"

namespace driver {

void INIRAF_0(std::string_view mode, std::string_view file_name, int32_t array_capacity,
              int32_t raf_unit, int32_t /*screen_unit*/, int32_t log_unit, int32_t& status,
              int32_t* raf_error) {
  int32_t ierr = 0;
  if (raf_error != nullptr) *raf_error = 0;
  raflib::RFRSET(ierr);

  const int32_t length = textio::LENTRM(file_name);
  if (length == 0) {
    platform::write_record(log_unit, "");
    platform::write_record(log_unit, "  *** ERROR IN INIRAF_0 ***");
    --status;
    return;
  }
  std::string name(file_name.substr(0, static_cast<std::size_t>(length)));

  raflib::RAFINI(log_unit);
  ierr = 0;
  raflib::RAFCLS(raf_unit, ierr);
  if (ierr == 1012 || ierr == -1012) ierr = 0;  // no file open on the unit
  if (ierr >= 0) {
    ierr = 0;
    if (mode.substr(0, 3) == "OLD") {
      raflib::RAFOLD(raf_unit, name, ierr);
    } else {
      raflib::RAFNEW(raf_unit, name, "U", array_capacity, ierr);
    }
    if (ierr >= 0) return;
  }

  if (raf_error != nullptr) *raf_error = ierr;
  platform::write_record(log_unit, "");
  platform::write_record(log_unit, "  *** ERROR IN INIRAF_0 ***");
  platform::write_record(log_unit,
                         "      Error opening raf_file         :" +
                             std::string(file_name.substr(0, static_cast<std::size_t>(length))));
  platform::write_record(log_unit, "");
  --status;
}

void VemRask_IniDMS(dms::IntView iw, int32_t nwiwa, int32_t raf_unit, int32_t output_unit,
                    int32_t& status) {
  int32_t local = 0;
  int32_t unit = output_unit;
  recall::INIDMS(iw, nwiwa, recall::ArrayNameTable(recall::kProgramArrayNames),
                 recall::kProgramArrayNumbers, recall::kMaxNameLength, raf_unit,
                 recall::MessageControl(&unit, 1), local);
  if (local != 0) {
    platform::write_record(output_unit, "");
    platform::write_record(output_unit, line_text(Line::kIniDmsError));
    status = -1;
  }
}

bool recall_first_step(dms::IntView iw, dms::RealView rw, int32_t nwiwa, int32_t raf_unit,
                       int32_t output_unit, int32_t& status) {
  VemRask_IniDMS(iw, nwiwa, raf_unit, output_unit, status);
  if (status != 0) return false;
  int32_t unit = output_unit;
  const recall::MessageControl messages(&unit, 1);
  for (std::string_view instruction : {recall::kRecallStructure, recall::kRecallControl,
                                       recall::kRecallGlobal, recall::kRecallResult}) {
    recall::ARRECL(iw, rw, instruction, 1, raf_unit, messages, status);
  }
  return status == 0;
}

}  // namespace driver
