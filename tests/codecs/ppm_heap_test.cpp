#include "codecs/ppm_heap.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

constexpr uint32_t kUnit = PpmHeap::kUnitSize;

TEST(PpmHeapTest, SizeClassesCoverOneTo128Units) {
  const int expected[PpmHeap::kClassCount] = {
      1,  2,  3,  4,  6,  8,  10, 12, 15, 18, 21, 24,  28,  32,  36,  40,  44,  48,  52,
      56, 60, 64, 68, 72, 76, 80, 84, 88, 92, 96, 100, 104, 108, 112, 116, 120, 124, 128};
  for (int c = 0; c < PpmHeap::kClassCount; ++c) EXPECT_EQ(PpmHeap::UnitsOfClass(c), expected[c]);
  for (int n = 1; n <= 128; ++n) {
    int c = PpmHeap::ClassOfUnits(n);
    EXPECT_GE(PpmHeap::UnitsOfClass(c), n) << n;
    if (c > 0) {
      EXPECT_LT(PpmHeap::UnitsOfClass(c - 1), n) << n;
    }
  }
}

class PpmHeapFixture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(heap_.Allocate(1)); }
  uint32_t start() const { return PpmHeap::kHeapStart; }
  PpmHeap heap_;
};

TEST_F(PpmHeapFixture, MarksStartAtReserveEndAndUnitAlignedTop) {
  EXPECT_EQ(heap_.low_mark(), start() + PpmHeap::kReserveSize);
  EXPECT_EQ(heap_.high_mark(), start() + kUnit * ((1u << 20) / kUnit));
  uint32_t units = heap_.AllocateUnits(5);  // class of 6 units
  EXPECT_EQ(units, start() + PpmHeap::kReserveSize);
  EXPECT_EQ(heap_.low_mark(), units + 6 * kUnit);
  uint32_t record = heap_.AllocateContextRecord();
  EXPECT_EQ(record, start() + kUnit * ((1u << 20) / kUnit) - kUnit);
}

TEST_F(PpmHeapFixture, ReleasedBlocksAreReusedLastInFirstOut) {
  uint32_t a = heap_.AllocateUnits(2);
  uint32_t b = heap_.AllocateUnits(2);
  heap_.ReleaseUnits(a, 2);
  heap_.ReleaseUnits(b, 2);
  EXPECT_EQ(heap_.AllocateUnits(2), b);
  EXPECT_EQ(heap_.AllocateUnits(2), a);
}

TEST_F(PpmHeapFixture, ExhaustionReleasesReserveAndSplitsLargestBlocks) {
  // Fill the space between the marks with context records.
  while (heap_.high_mark() != heap_.low_mark()) heap_.AllocateContextRecord();
  EXPECT_FALSE(heap_.reserve_released());
  // A 5-unit request (class of 6) takes the highest reserve block and
  // leaves its 122 units behind as 120 + 2.
  uint32_t block = heap_.AllocateUnits(5);
  EXPECT_TRUE(heap_.reserve_released());
  const uint32_t block_bytes = 128 * kUnit;
  EXPECT_EQ(block, start() + 127 * block_bytes);
  EXPECT_EQ(heap_.free_list_head(PpmHeap::ClassOfUnits(120)), block + 6 * kUnit);
  EXPECT_EQ(heap_.free_list_head(PpmHeap::ClassOfUnits(2)), block + 126 * kUnit);
  EXPECT_EQ(heap_.free_list_head(PpmHeap::kClassCount - 1), start() + 126 * block_bytes);
  // Context records now come from the one-unit list, then by splitting.
  EXPECT_NE(heap_.AllocateContextRecord(), 0u);
}

TEST_F(PpmHeapFixture, LargestClassFailsOnceTheMarksHaveMet) {
  while (heap_.high_mark() != heap_.low_mark()) heap_.AllocateContextRecord();
  // The reserve goes to the 128-unit list, but that list is not looked at
  // again for a 128-unit request.
  EXPECT_EQ(heap_.AllocateUnits(128), 0u);
  EXPECT_TRUE(heap_.reserve_released());
  EXPECT_NE(heap_.free_list_head(PpmHeap::kClassCount - 1), 0u);
  EXPECT_NE(heap_.AllocateUnits(127), 0u);
}

TEST_F(PpmHeapFixture, GrowAndShrinkKeepContents) {
  uint32_t block = heap_.AllocateUnits(2);
  uint8_t* base = heap_.base();
  for (uint32_t i = 0; i < 2 * kUnit; ++i) base[block + i] = static_cast<uint8_t>(i + 1);
  // 2 -> 3 units crosses a class boundary: the block moves.
  uint32_t grown = heap_.GrowUnits(block, 2);
  ASSERT_NE(grown, 0u);
  EXPECT_NE(grown, block);
  for (uint32_t i = 0; i < 2 * kUnit; ++i) EXPECT_EQ(base[grown + i], i + 1);
  EXPECT_EQ(heap_.free_list_head(PpmHeap::ClassOfUnits(2)), block);
  // 4 -> 5 needs the 6-unit class; 5 -> 6 stays.
  uint32_t four = heap_.AllocateUnits(4);
  uint32_t six = heap_.GrowUnits(four, 4);
  EXPECT_NE(six, four);
  EXPECT_EQ(heap_.GrowUnits(six, 5), six);
  // Shrinking 6 -> 2 with the 2-unit list holding `block` moves there.
  EXPECT_EQ(heap_.ShrinkBlock(six, 6, 2), block);
  // Shrinking 3 -> 1 with an empty 1-unit list splits off 2 units.
  uint32_t three = heap_.AllocateUnits(3);
  EXPECT_EQ(heap_.ShrinkBlock(three, 3, 1), three);
  EXPECT_EQ(heap_.free_list_head(PpmHeap::ClassOfUnits(2)), three + kUnit);
}

TEST(PpmHeapTest, RefusesMemoryOutsideOneTo256MiB) {
  PpmHeap heap;
  EXPECT_FALSE(heap.Allocate(0));
  EXPECT_FALSE(heap.Allocate(257));
}

}  // namespace
}  // namespace vor
