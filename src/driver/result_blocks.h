// The result blocks of a run: one block per RAF file, holding one element
// result record of ten reals per element, element-major (the ten values of
// element 1, then those of element 2, ...).
//
// A block is sized to the element count of its file and is allocated and
// zero-filled only when its file starts, so reserving the table for the
// largest list costs nothing until files use it.  Reading a record that a
// block does not hold (an element beyond the block's own element count, or a
// file whose block was never prepared) gives zero values, which is what an
// element the result pass never evaluated holds.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "check/result_record.h"
#include "dms/work_array.h"

namespace driver {

/// Values in one element result record (check/result_record.h).
inline constexpr int32_t kValuesPerElement = check::result_record::kValues;
/// Blocks reserved for a run (one per listed file).
inline constexpr int32_t kMaxResultBlocks = 1000;

/// What `ResultBlocks::prepare` hands to the result pass.
struct PreparedBlock {
  /// kValuesPerElement * records values, zero; value k of element j is
  /// values((j - 1) * kValuesPerElement + k).
  dms::Vec1<double> values;
  /// Element records the block holds.
  int32_t records = 0;
};

class ResultBlocks {
 public:
  /// Reserves `file_capacity` empty blocks (files 1..file_capacity).
  explicit ResultBlocks(int32_t file_capacity = kMaxResultBlocks);

  /// Allocates block `file` (1-based) for `nel` element records, all zero,
  /// replacing whatever it held.  A file outside the table, a negative
  /// element count or an allocation that fails gives an empty block (0
  /// records); the caller compares `records` with the element count it needs.
  PreparedBlock prepare(int32_t file, int32_t nel);

  /// Keeps the blocks of `files` (1-based, ascending) only, as files
  /// 1..files.size() in that order: the table of a run whose list held
  /// only those files.
  void keep_only(std::span<const int32_t> files);

  /// Files the table has room for.
  [[nodiscard]] int32_t capacity() const { return static_cast<int32_t>(blocks_.size()); }

  /// Element records held by block `file`; 0 for a block never prepared or a
  /// file outside the table.
  [[nodiscard]] int32_t records(int32_t file) const;

  /// Value `k` (1..10) of element `element` (1-based) of block `file`; 0 when
  /// the block does not hold that record.
  [[nodiscard]] double value(int32_t file, int32_t element, int32_t k) const;

 private:
  std::vector<std::vector<double>> blocks_;
};

}  // namespace driver
