// Small RAF files for the recall tests, written by the model writer of
// tools/ (raf_tools::RafWriter): named arrays with their store and data
// types under the keys their catalogue gives, the catalogue under keys 101
// to 103, with KEYRAF's pointer words 0 as the analysis leaves them.  A
// model may state a catalogue that no analysis writes (the overrides below).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/run_program.h"

namespace recall_test {

/// Values of one array: integers for "IN" and "I8" (two words per element),
/// reals for the others ("SP" and "RE" are written as 4-byte reals).
struct RafValues {
  std::vector<int32_t> ints;
  std::vector<double> reals;
};

struct RafArray {
  std::string name;
  std::string store;  ///< store type word
  std::string data;   ///< data type word
  int32_t length = 0;
  /// The copy in the structure block (STRU, CTRL, GLOB, EXCL, S+RS, S+PO).
  RafValues structure;
  /// Values of steps 1, 2, ... (POST, REST, S+PO, S+RS).
  std::vector<RafValues> steps;
  /// Catalogue words the file states instead of the right ones (0: none).
  int32_t catalogue_words_per_element = 0;
  std::optional<int32_t> catalogue_length;
};

/// An array with its values, and the catalogue it states for itself.
inline RafArray raf_array(std::string name, std::string store, std::string data, int32_t length,
                          RafValues structure, std::vector<RafValues> steps = {}) {
  RafArray a;
  a.name = std::move(name);
  a.store = std::move(store);
  a.data = std::move(data);
  a.length = length;
  a.structure = std::move(structure);
  a.steps = std::move(steps);
  return a;
}

struct RafModel {
  std::vector<RafArray> arrays;
  int32_t steps = 1;
  /// Catalogue overrides, to write files with a bad catalogue.
  std::optional<int32_t> key_base;       ///< NUMRAF word 10 (keys stay at 101..103)
  std::optional<int32_t> record_length;  ///< NUMRAF word 7; records are that long
  /// NUMRAF word 8; KEYRAF and IARRNM are sized by it when it is above the
  /// arrays' own highest number and R x M stays within 100000.
  std::optional<int32_t> highest;
};

/// Writes `model` to the RAF file `path` (created afresh).  Returns false when
/// the RAF library refused anything.
bool write_raf(const std::string& path, const RafModel& model);

/// Opens `path` for reading on `unit` as the run does (RFRSET, RAFINI with
/// `log_unit`, RAFOLD); returns the RAF library's error value.
int32_t open_raf(const std::string& path, int32_t unit, int32_t log_unit = 0);

/// Closes the RAF file on `unit`.
void close_raf(int32_t unit);

/// A model written to a RAF file in a fresh folder and opened for reading on
/// `unit`; closed again with the object.
class RafFile {
 public:
  explicit RafFile(const RafModel& model, int32_t unit = 22, int32_t log_unit = 0);
  ~RafFile() { close_raf(unit_); }
  RafFile(const RafFile&) = delete;
  RafFile& operator=(const RafFile&) = delete;
  /// True when the file was written and opened without an error.
  [[nodiscard]] bool ok() const { return ok_; }

 private:
  test_support::TempDir dir_;
  int32_t unit_;
  bool ok_ = false;
};

}  // namespace recall_test
