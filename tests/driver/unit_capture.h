// Capturing what a routine writes to a unit: the unit is connected to a
// file in a temporary folder and the file is read back.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/units.h"
#include "support/run_program.h"

namespace driver_test {

class UnitCapture {
 public:
  explicit UnitCapture(int unit) : unit_(unit) {
    EXPECT_EQ(platform::open_text(unit_, file().string(), platform::OpenStatus::kUnknown), 0);
  }
  ~UnitCapture() { platform::close_unit(unit_); }
  UnitCapture(const UnitCapture&) = delete;
  UnitCapture& operator=(const UnitCapture&) = delete;

  [[nodiscard]] int unit() const { return unit_; }

  /// Closes the unit and returns everything written to it.
  std::string text() {
    platform::close_unit(unit_);
    return test_support::read_file(file());
  }

 private:
  [[nodiscard]] std::filesystem::path file() const { return dir_ / "unit.txt"; }
  test_support::TempDir dir_;
  int unit_;
};

}  // namespace driver_test
