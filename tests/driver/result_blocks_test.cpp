// Result blocks: sized per file, zero when prepared, zero beyond their records.
#include "driver/result_blocks.h"

#include <gtest/gtest.h>

namespace {

using driver::ResultBlocks;

TEST(ResultBlocks, PreparedBlockIsZeroAndSizedToItsFile) {
  ResultBlocks blocks(3);
  EXPECT_EQ(blocks.capacity(), 3);
  EXPECT_EQ(blocks.records(2), 0);

  driver::PreparedBlock b = blocks.prepare(2, 12345);  // more than the old fixed 10,000
  ASSERT_EQ(b.records, 12345);
  ASSERT_EQ(b.values.size(), 123450);
  for (int64_t k = 1; k <= b.values.size(); ++k) ASSERT_EQ(b.values(k), 0.0) << k;
  b.values(10 * 12344 + 7) = 0.75;  // value 7 of element 12345
  EXPECT_EQ(blocks.value(2, 12345, 7), 0.75);
  EXPECT_EQ(blocks.records(2), 12345);

  // Preparing again starts from zero.
  b = blocks.prepare(2, 5);
  b.values(1) = 1.0;
  b = blocks.prepare(2, 5);
  EXPECT_EQ(b.values(1), 0.0);
}

TEST(ResultBlocks, RecordsABlockDoesNotHoldReadAsZero) {
  ResultBlocks blocks(2);
  driver::PreparedBlock b = blocks.prepare(1, 2);
  for (int64_t k = 1; k <= b.values.size(); ++k) b.values(k) = static_cast<double>(k);
  EXPECT_EQ(blocks.value(1, 2, 10), 20.0);
  EXPECT_EQ(blocks.value(1, 3, 1), 0.0);   // beyond the block's element count
  EXPECT_EQ(blocks.value(1, 0, 1), 0.0);   // no element 0
  EXPECT_EQ(blocks.value(1, 1, 11), 0.0);  // no value 11
  EXPECT_EQ(blocks.value(2, 1, 1), 0.0);   // never prepared
  EXPECT_EQ(blocks.value(3, 1, 1), 0.0);   // outside the table
}

TEST(ResultBlocks, FileOutsideTheTableOrNoElementsGivesAnEmptyBlock) {
  ResultBlocks blocks(2);
  for (const auto& [file, nel] :
       {std::pair{0, 5}, std::pair{3, 5}, std::pair{1, 0}, std::pair{1, -4}}) {
    const driver::PreparedBlock b = blocks.prepare(file, nel);
    EXPECT_EQ(b.records, 0) << file << " " << nel;
    EXPECT_EQ(b.values.size(), 0) << file << " " << nel;
  }
}

}  // namespace
