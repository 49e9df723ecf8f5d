// Reading a RAF file back the way the recall layer does, for the tools'
// tests: open through the RAF library, take the catalogue from keys 101-103,
// find an array by its name code and compute its key for a step from the
// key-block sizes.  Written apart from rafinfo's decoder so that the writer
// and the program that shows its files are checked against a third reading.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "raflib/raflib.h"
#include "tools/model_writer.h"

namespace tools_test {

class RafReader {
 public:
  explicit RafReader(const std::filesystem::path& file, int32_t unit = 33) : unit_(unit) {
    raflib::RAFINI(0);
    std::string name = file.string();
    raflib::RAFOLD(unit_, name, ierr_);
    open_ = ierr_ >= 0;
    if (!open_) return;
    numraf = ints_at(101, 20);
    if (ierr_ < 0) return;
    if (numraf[6] < 1 || numraf[7] < 1 || numraf[6] > 100 || numraf[7] > 100000) {
      ierr_ = -1;
      return;
    }
    keyraf = ints_at(102, numraf[6] * numraf[7]);
    iarrnm = ints_at(103, 2 * numraf[7]);
  }
  ~RafReader() {
    int32_t ierr = 0;
    if (open_) raflib::RAFCLS(unit_, ierr);
  }
  RafReader(const RafReader&) = delete;
  RafReader& operator=(const RafReader&) = delete;

  /// True when the file opened and its catalogue was read.
  [[nodiscard]] bool ok() const { return open_ && ierr_ >= 0; }
  [[nodiscard]] int32_t ierr() const { return ierr_; }

  /// NUMRAF word k (1-based).
  [[nodiscard]] int32_t nw(int k) const { return numraf[static_cast<std::size_t>(k - 1)]; }

  /// KEYRAF word k of array number n.
  [[nodiscard]] int32_t rec(int32_t n, int32_t k) const {
    return keyraf[static_cast<std::size_t>((n - 1) * nw(7) + k - 1)];
  }

  /// Array number whose IARRNM code is that of `name`; 0 when none.
  [[nodiscard]] int32_t number(std::string_view name) const {
    int32_t first = 0;
    int32_t second = 0;
    if (!raf_tools::name_code(name, first, second)) return 0;
    for (int32_t n = 1; n <= nw(8); ++n) {
      if (iarrnm[static_cast<std::size_t>(2 * n - 2)] == first &&
          iarrnm[static_cast<std::size_t>(2 * n - 1)] == second) {
        return n;
      }
    }
    return 0;
  }

  /// Key of array number n in step s: structure block for store codes 1,
  /// 11, 13, 50, 51 (and 4, 5 for s <= 0), result block for 3 and 5,
  /// restart block for 2 and 4.
  [[nodiscard]] int32_t key(int32_t n, int32_t s) const {
    const int32_t n4 = nw(4), n5 = nw(5), n6 = nw(6), base = nw(10);
    if (n4 + n5 + n6 <= 0) return 0;
    const int32_t code = rec(n, 4);
    const int32_t block = base + n4 + (s - 1) * (n5 + n6);
    if (s <= 0) {
      const bool structure = code == 1 || code == 4 || code == 5 || code == 11 || code == 13 ||
                             code == 50 || code == 51;
      return structure ? base + rec(n, 5) : 0;
    }
    switch (code) {
      case 1:
      case 11:
      case 13:
      case 50:
      case 51:
        return base + rec(n, 5);
      case 3:
      case 5:
        return block + rec(n, 6);
      case 2:
      case 4:
        return block + n5 + rec(n, 7);
      default:
        return 0;
    }
  }

  std::vector<int32_t> ints_at(int32_t key, int32_t n) {
    std::vector<int32_t> v(static_cast<std::size_t>(n));
    raflib::RAFGIN(std::span<int32_t>(v), n, key, unit_, ierr_);
    return v;
  }
  std::vector<double> doubles_at(int32_t key, int32_t n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    raflib::RAFGDP(std::span<double>(v), n, key, unit_, ierr_);
    return v;
  }
  std::vector<double> widened_at(int32_t key, int32_t n) {
    std::vector<double> v(static_cast<std::size_t>(n));
    raflib::RAFGRD(std::span<double>(v), n, key, unit_, ierr_);
    return v;
  }
  std::vector<float> floats_at(int32_t key, int32_t n) {
    std::vector<float> v(static_cast<std::size_t>(n));
    raflib::RAFGRE(std::span<float>(v), n, key, unit_, ierr_);
    return v;
  }

  /// The integer values of `name` in step `s` ("IN": length words, "I8":
  /// twice that).
  std::vector<int32_t> ints(std::string_view name, int32_t s = 1) {
    const int32_t n = number(name);
    if (n == 0) return {};
    const int32_t words = rec(n, 1) == 4 ? 2 * rec(n, 3) : rec(n, 3);
    return ints_at(key(n, s), words);
  }

  /// The real values of `name` in step `s`, read as its catalogue record
  /// says: "DP" as 8-byte reals, "RE" widened from 4-byte reals, "SP" as
  /// 4-byte reals.
  std::vector<double> reals(std::string_view name, int32_t s = 1) {
    const int32_t n = number(name);
    if (n == 0) return {};
    const int32_t k = key(n, s);
    const int32_t len = rec(n, 3);
    if (rec(n, 1) == 2) {
      const std::vector<float> f = floats_at(k, len);
      return {f.begin(), f.end()};
    }
    return rec(n, 8) == 1 ? widened_at(k, len) : doubles_at(k, len);
  }

  std::vector<int32_t> numraf, keyraf, iarrnm;

 private:
  int32_t unit_;
  int32_t ierr_ = 0;
  bool open_ = false;
};

}  // namespace tools_test
