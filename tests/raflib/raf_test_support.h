// Helpers of the RAF library's tests: the library started as the run starts
// it (messages to a log unit), a fixed clock, files in a temporary folder,
// and small RAF files written through the library.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/local_time.h"
#include "platform/units.h"
#include "raflib/chkey.h"
#include "raflib/raflib.h"
#include "raflib/state.h"
#include "support/run_program.h"

namespace raf_test {

inline constexpr int kLog = platform::kLogFile;
inline constexpr int kRaf = platform::kRafFile;
using Lines = std::vector<std::string>;
using Bytes = std::vector<std::byte>;

inline platform::LocalTime fixed_clock() {
  return {2023, 6, 29, 10, 15, 0};
}
/// Message header date and file stamp of fixed_clock().
inline constexpr std::string_view kDate = "23-06-29 10:15:00";
inline constexpr std::string_view kStamp = "20230629  101500";

inline Bytes read_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Bytes out(chars.size());
  if (!chars.empty()) std::memcpy(out.data(), chars.data(), chars.size());
  return out;
}

inline void write_bytes(const std::filesystem::path& file, const Bytes& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

/// Characters `offset`.. of the key in a file image replaced by `text`.
inline void patch_key(Bytes& image, std::size_t offset, std::string_view text) {
  std::memcpy(image.data() + offset, text.data(), text.size());
}

/// A 4-byte little-endian word of a file image (record `record`, word `word`,
/// both 1-based).
inline int32_t word_at(const Bytes& image, int64_t record, int64_t word) {
  int32_t v = 0;
  std::memcpy(&v, image.data() + (record - 1) * 512 + (word - 1) * 4, 4);
  return v;
}

/// The library reset and started with its messages going to unit kLog, a
/// log file in a fresh temporary folder.
class RafTest : public testing::Test {
 protected:
  void SetUp() override {
    raflib::set_clock(fixed_clock);
    int32_t status = 1;
    raflib::RFRSET(status);
    ASSERT_EQ(status, 0);
    open_log();
    raflib::RAFINI(kLog);
  }
  void TearDown() override {
    platform::close_all_units();
    int32_t status = 0;
    raflib::RFRSET(status);
    raflib::set_clock(nullptr);
  }

 public:
  [[nodiscard]] std::filesystem::path path(const std::string& name) const { return dir_ / name; }
  [[nodiscard]] std::string name(const std::string& file) const { return path(file).string(); }

  /// Bytes written to the log so far.
  [[nodiscard]] std::uintmax_t log_size() const {
    platform::flush_all_units();
    return std::filesystem::file_size(log_file());
  }

  /// Records written to the log since the last call; the log starts afresh.
  Lines take_log() {
    platform::close_unit(kLog);
    Lines lines = test_support::lines_of(test_support::read_file(log_file()));
    open_log();
    return lines;
  }

  /// A copy of a reference file in the temporary folder.
  std::filesystem::path fixture(const std::string& relative) {
    const std::filesystem::path from =
        std::filesystem::path(VEMRASK_TEST_DATA) / "fixtures" / relative;
    const std::filesystem::path to = dir_ / from.filename();
    write_bytes(to, read_bytes(from));
    return to;
  }

  /// Creates a file with room for `nmax` arrays on `unit` and leaves it open.
  void create(const std::string& file, int32_t nmax, int unit = kRaf) {
    std::string n = name(file);
    int32_t ierr = 0;
    raflib::RAFNEW(unit, n, "NEW", nmax, ierr);
    ASSERT_EQ(ierr, 0);
  }
  void close(int unit = kRaf) {
    int32_t ierr = 0;
    raflib::RAFCLS(unit, ierr);
    ASSERT_EQ(ierr, 0);
  }
  /// Opens an existing file; returns IERR.
  int32_t open(const std::string& file, int unit = kRaf) {
    std::string n = name(file);
    int32_t ierr = 0;
    raflib::RAFOLD(unit, n, ierr);
    return ierr;
  }
  void put_ints(int32_t iarr, const std::vector<int32_t>& v, int unit = kRaf) {
    int32_t ierr = 0;
    raflib::RAFPIN(std::span<const int32_t>(v), static_cast<int32_t>(v.size()), iarr, unit, ierr);
    ASSERT_EQ(ierr, 0) << "array " << iarr;
  }
  void put_reals(int32_t iarr, const std::vector<float>& v, int unit = kRaf) {
    int32_t ierr = 0;
    raflib::RAFPRE(std::span<const float>(v), static_cast<int32_t>(v.size()), iarr, unit, ierr);
    ASSERT_EQ(ierr, 0) << "array " << iarr;
  }
  void put_doubles(int32_t iarr, const std::vector<double>& v, int unit = kRaf) {
    int32_t ierr = 0;
    raflib::RAFPDP(std::span<const double>(v), static_cast<int32_t>(v.size()), iarr, unit, ierr);
    ASSERT_EQ(ierr, 0) << "array " << iarr;
  }

  /// The MFP entry of `iarr` as the library sees it (RFFNFP without checks).
  raflib::CurrentEntry entry(int32_t iarr, int unit = kRaf) {
    int32_t ierr = 0;
    raflib::RFFNFP(unit, iarr, 0, 0, raflib::kModeNoChecks, ierr);
    EXPECT_EQ(ierr, 0);
    return raflib::raf_state().entry;
  }

  /// A small file "small.raf" (MFPMAX 10): array 2 holds 10 integers (used
  /// 10, allocated 11 after a short rewrite), array 3 five doubles, array 4
  /// five reals; closed.
  void make_small_file(const std::string& file = "small.raf") {
    std::filesystem::remove(path(file));
    create(file, 10);
    put_ints(2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    put_ints(2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    put_doubles(3, {0.5, -1.25, 3.0e10, 4.0, 5.0});
    put_reals(4, {1.5F, -2.25F, 3.0e10F, 0.1F, -0.0F});
    close();
  }

  /// Header line of a message block from `routine` with severity ERROR.
  static std::string error_header(std::string_view routine) {
    return std::string(" *** RAFLIB ERROR - ") + std::string(kDate) + " - Routine " +
           std::string(routine) + ":";
  }

 private:
  [[nodiscard]] std::filesystem::path log_file() const { return dir_ / "raf.log"; }
  void open_log() {
    ASSERT_EQ(platform::open_text(kLog, log_file().string(), platform::OpenStatus::kUnknown), 0);
  }
  test_support::TempDir dir_;
};

}  // namespace raf_test
