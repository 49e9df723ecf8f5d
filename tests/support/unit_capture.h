// Capturing what a routine writes to a unit: the unit is connected to a
// file in a temporary folder and the file is read back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/units.h"
#include "support/run_program.h"

namespace test_support {

class UnitCapture {
 public:
  explicit UnitCapture(int unit = platform::kOutputFile) : unit_(unit) {
    ok_ = platform::open_text(unit_, file().string(), platform::OpenStatus::kUnknown) == 0;
    EXPECT_TRUE(ok_) << "unit " << unit_ << " cannot be captured";
  }
  ~UnitCapture() { platform::close_unit(unit_); }
  UnitCapture(const UnitCapture&) = delete;
  UnitCapture& operator=(const UnitCapture&) = delete;

  /// True when the unit was connected to the capture file.
  [[nodiscard]] bool ok() const { return ok_; }
  [[nodiscard]] int unit() const { return unit_; }

  /// Closes the unit and returns everything written to it.
  std::string text() {
    platform::close_unit(unit_);
    return read_file(file());
  }

  /// Closes the unit and returns what was written, one string per record.
  std::vector<std::string> lines() { return lines_of(text()); }

 private:
  [[nodiscard]] std::filesystem::path file() const { return dir_ / "unit.txt"; }
  TempDir dir_;
  int unit_;
  bool ok_ = false;
};

}  // namespace test_support
