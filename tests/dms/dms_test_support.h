// Helpers of the store's tests: a work array with its views and the store
// set-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dms/dms.h"
#include "dms/work_array.h"
#include "platform/units.h"
#include "support/unit_capture.h"
#include "support/work_space.h"

namespace dms_test {

/// Words outside the store's reach are filled with this value.
inline constexpr int32_t kSentinel = 0x7E7E7E7E;
inline constexpr int kUnit = platform::kOutputFile;

/// A work array of `nwords` words filled with kSentinel.
struct WorkSpace : test_support::WorkSpace {
  explicit WorkSpace(int64_t nwords) : test_support::WorkSpace(nwords, kSentinel) {}
};

/// Opens the store over all of `iw` and adds the name table.
inline void open_named_store(dms::IntView iw, int32_t nla, int32_t numbering_mode,
                             int32_t message_unit = 0, int32_t case_flag = 0) {
  int32_t status = 0;
  dms::DMSOPN_32(iw, static_cast<int32_t>(iw.size()), nla, 0, message_unit, status);
  dms::DMSANN(iw, numbering_mode, case_flag, 0);
}

using UnitCapture = test_support::UnitCapture;

}  // namespace dms_test
