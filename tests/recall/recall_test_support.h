// Helpers of the recall layer's tests: a work array with its views, the
// driver's array-name table, an in-core catalogue set up without a file, and
// the capture of what is written to the output unit.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dms/dms.h"
#include "dms/named_view.h"
#include "dms/work_array.h"
#include "platform/units.h"
#include "recall/recall.h"
#include "support/unit_capture.h"
#include "support/work_space.h"

namespace recall_test {

inline constexpr int32_t kUnit = platform::kOutputFile;
inline constexpr int32_t kRafUnit = platform::kRafFile;
inline constexpr int32_t kUserNumbers = recall::kProgramArrayNumbers;

/// The array-name table the driver hands to INIDMS.
inline constexpr const auto& kNameTable = recall::kProgramArrayNames;

inline recall::ArrayNameTable names() {
  return recall::ArrayNameTable(kNameTable);
}

/// Words outside the store's reach are filled with this value.
inline constexpr int32_t kSentinel = 0x5A5A5A5A;

/// A work array of `nwords` words filled with kSentinel.
struct WorkSpace : test_support::WorkSpace {
  explicit WorkSpace(int64_t nwords) : test_support::WorkSpace(nwords, kSentinel) {}
};

/// A message control that writes straight to `unit`.
struct DirectControl {
  explicit DirectControl(int32_t u = kUnit) : unit(u) {}
  int32_t unit;
  recall::MessageControl view() { return recall::MessageControl(&unit, 1); }
};

/// The in-core store as the set-up leaves it before the file's catalogue is
/// read: opened for 53 numbers over all of `iw`, names predefined, catalogue
/// arrays created.  Returns the status of the two steps.
inline int32_t open_catalogue(dms::IntView iw, int32_t message_unit = kUnit) {
  int32_t status = 0;
  dms::DMSOPN_32(iw, static_cast<int32_t>(iw.size()), -(kUserNumbers + 3), 0, message_unit, status);
  DirectControl control(message_unit);
  recall::ARINIT(iw, names(), 8, kUserNumbers, 0, control.view(), status);
  return status;
}

/// A named one-word array of the store as a view (empty when it has no
/// storage).
inline dms::Vec1<int32_t> int_array(dms::IntView iw, std::string_view name) {
  return dms::named_view(iw, iw, name, dms::DMSINQ(iw, name, dms::kInquireStart)).values;
}

inline dms::Vec1<int32_t> numraf(dms::IntView iw) {
  return int_array(iw, "NUMRAF");
}

/// Words 1..10 of KEYRAF record n.
inline std::vector<int32_t> record(dms::IntView iw, int32_t n) {
  const dms::Vec1<int32_t> keyraf = int_array(iw, "KEYRAF");
  std::vector<int32_t> r;
  for (int64_t k = 1; k <= 10; ++k) r.push_back(keyraf(10 * (n - 1) + k));
  return r;
}

/// Overwrites KEYRAF record n with `words` (as a merged file record would).
inline void set_record(dms::IntView iw, int32_t n, const std::vector<int32_t>& words) {
  const dms::Vec1<int32_t> keyraf = int_array(iw, "KEYRAF");
  for (std::size_t k = 0; k < words.size(); ++k) {
    keyraf(10 * (n - 1) + static_cast<int64_t>(k) + 1) = words[k];
  }
}

using Output = test_support::UnitCapture;

}  // namespace recall_test
