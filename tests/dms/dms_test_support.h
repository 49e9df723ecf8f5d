// Helpers of the store's tests: a work array with its views, store set-up,
// and the capture of the records written to a message unit.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dms/dms.h"
#include "dms/work_array.h"
#include "platform/units.h"

namespace dms_test {

/// Words outside the store's reach are filled with this value.
inline constexpr int32_t kSentinel = 0x7E7E7E7E;
inline constexpr int kUnit = platform::kOutputFile;

/// A work array of `nwords` words filled with kSentinel.
struct WorkSpace {
  explicit WorkSpace(int64_t nwords)
      : work(nwords),
        iw(dms::int_view(work.bytes(), nwords)),
        rw(dms::real_view(work.bytes(), nwords)) {
    for (int64_t k = 1; k <= nwords; ++k) iw(k) = kSentinel;
  }
  dms::WorkArray work;
  dms::IntView iw;
  dms::RealView rw;
};

/// Opens the store over all of `iw` and adds the name table.
inline void open_named_store(dms::IntView iw, int32_t nla, int32_t numbering_mode,
                             int32_t message_unit = 0, int32_t case_flag = 0) {
  int32_t status = 0;
  dms::DMSOPN_32(iw, static_cast<int32_t>(iw.size()), nla, 0, message_unit, status);
  dms::DMSANN(iw, numbering_mode, case_flag, 0);
}

/// Connects a unit to a fresh temporary file; lines() gives the records
/// written to it so far.
class UnitCapture {
 public:
  explicit UnitCapture(int unit = kUnit) : unit_(unit) {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("vemrask_dms_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
    ok_ = platform::open_text(unit_, path_.string(), platform::OpenStatus::kUnknown) == 0;
  }
  ~UnitCapture() {
    platform::close_unit(unit_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  UnitCapture(const UnitCapture&) = delete;
  UnitCapture& operator=(const UnitCapture&) = delete;

  [[nodiscard]] bool ok() const { return ok_; }

  /// Closes the unit and reads the file back, one string per record.
  std::vector<std::string> lines() {
    platform::close_unit(unit_);
    std::vector<std::string> out;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }

 private:
  int unit_;
  std::filesystem::path path_;
  bool ok_ = false;
};

}  // namespace dms_test
