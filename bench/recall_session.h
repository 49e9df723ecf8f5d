// A RAF file opened and set up as the file loop does before its step pass:
// the RAF library reset and the file opened on the RAF unit, the in-core
// store started over a work array of its own, and the structure, control,
// global and result data of step 1 recalled.  Used by the micro-benchmarks
// and the tests of the benchmark models to read a model file back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "dms/work_array.h"
#include "recall/recall.h"

namespace bench {

class RecallSession {
 public:
  /// Sets up `file`; the RAF library's messages go to `log`, those of the
  /// recall layer to `message_unit` (a unit the caller has connected).
  RecallSession(const std::filesystem::path& file, const std::filesystem::path& log,
                int32_t message_unit, int64_t words = 4'000'000);
  ~RecallSession();
  RecallSession(const RecallSession&) = delete;
  RecallSession& operator=(const RecallSession&) = delete;

  /// Empty when the set-up succeeded.
  [[nodiscard]] const std::string& error() const { return error_; }

  /// ARREC1 of `name` (8 characters, blank-padded) for `step`: the view of
  /// the array's values, empty when the recall failed.
  dms::Vec1<double> recall_reals(std::string_view name, int32_t step);
  /// The view of an integer array already in core, empty when missing.
  dms::Vec1<int32_t> ints(std::string_view name);

  [[nodiscard]] dms::IntView iw() const { return iw_; }
  [[nodiscard]] dms::RealView rw() const { return rw_; }
  recall::MessageControl control() { return recall::MessageControl(&unit_, 1); }

 private:
  dms::WorkArray work_;
  dms::IntView iw_;
  dms::RealView rw_;
  int32_t unit_;
  std::string error_;
};

}  // namespace bench
