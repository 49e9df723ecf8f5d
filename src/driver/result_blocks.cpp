#include "driver/result_blocks.h"

#include <new>
#include <stdexcept>

namespace driver {

ResultBlocks::ResultBlocks(int32_t file_capacity)
    : blocks_(static_cast<std::size_t>(file_capacity > 0 ? file_capacity : 0)) {}

PreparedBlock ResultBlocks::prepare(int32_t file, int32_t nel) {
  if (file < 1 || file > capacity()) return {};
  std::vector<double>& block = blocks_[static_cast<std::size_t>(file - 1)];
  block.clear();
  if (nel <= 0) return {};
  const auto count = static_cast<std::size_t>(nel) * kValuesPerElement;
  // The one allocation of a file: a failure must not escape as an exception,
  // it shows as an empty block that the file loop reports.
  try {
    block.assign(count, 0.0);
  } catch (const std::bad_alloc&) {
    std::vector<double>().swap(block);
    return {};
  } catch (const std::length_error&) {
    std::vector<double>().swap(block);
    return {};
  }
  return {dms::Vec1<double>(block.data(), static_cast<int64_t>(count)), nel};
}

void ResultBlocks::keep_only(std::span<const int32_t> files) {
  std::vector<std::vector<double>> kept;
  kept.reserve(files.size());
  for (const int32_t file : files) {
    if (file >= 1 && file <= capacity()) {
      kept.push_back(std::move(blocks_[static_cast<std::size_t>(file - 1)]));
    } else {
      kept.emplace_back();
    }
  }
  blocks_ = std::move(kept);
}

int32_t ResultBlocks::records(int32_t file) const {
  if (file < 1 || file > capacity()) return 0;
  return static_cast<int32_t>(blocks_[static_cast<std::size_t>(file - 1)].size() /
                              kValuesPerElement);
}

double ResultBlocks::value(int32_t file, int32_t element, int32_t k) const {
  if (element < 1 || k < 1 || k > kValuesPerElement || element > records(file)) return 0.0;
  const std::vector<double>& block = blocks_[static_cast<std::size_t>(file - 1)];
  return block[static_cast<std::size_t>(element - 1) * kValuesPerElement +
               static_cast<std::size_t>(k - 1)];
}

}  // namespace driver
