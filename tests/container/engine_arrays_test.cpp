#include "container/store/engine_arrays.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vor {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TIntegerArray Sequence(int32_t n) {
  TIntegerArray a;
  for (int32_t i = 0; i < n; ++i) a.Add(i);
  return a;
}

TEST(GrowthRuleTest, GrowsByDoublingStepsUpToTheLargestAndShrinksToExactCount) {
  TGrowthRule rule(10, 10, 25);
  EXPECT_EQ(rule.NewCapacity(0, 0, 1), 20);     // grow step 20
  EXPECT_EQ(rule.NewCapacity(20, 20, 21), 45);  // grow step 25 (capped)
  EXPECT_EQ(rule.NewCapacity(21, 45, 46), 70);  // stays 25
  EXPECT_EQ(rule.NewCapacity(0, 0, 500), 500);  // n beyond capacity + step
  // Shrinking only when the shrink step is smaller than the spare room.
  EXPECT_EQ(rule.NewCapacity(500, 500, 495), 500);
  EXPECT_EQ(rule.NewCapacity(495, 500, 400), 400);
  EXPECT_EQ(rule.NewCapacity(400, 400, 0), 0);
}

struct RelocateCase {
  int32_t from, to;
  std::vector<int32_t> expected;
};

TEST(IntegerArrayTest, RelocateMovesInFrontOfTheTargetOrSwapsNeighbours) {
  const RelocateCase cases[] = {
      {5, 2, {0, 1, 5, 2, 3, 4, 6}}, {1, 5, {0, 2, 3, 4, 1, 5, 6}}, {3, 2, {0, 1, 3, 2, 4, 5, 6}},
      {2, 3, {0, 1, 3, 2, 4, 5, 6}}, {4, 4, {0, 1, 2, 3, 4, 5, 6}}, {0, 7, {1, 2, 3, 4, 5, 6, 0}},
      {6, 0, {6, 0, 1, 2, 3, 4, 5}},
  };
  for (const auto& c : cases) {
    TIntegerArray a = Sequence(7);
    a.Relocate(c.from, c.to);
    EXPECT_THAT(a.ToVector(), ElementsAreArray(c.expected)) << c.from << " -> " << c.to;
  }
}

TEST(IntegerArrayTest, InsertDeleteAndCountKeepContentsAndZeroNewSlots) {
  TIntegerArray a(3, 1, 10);
  EXPECT_THAT(a.ToVector(), ElementsAre(0, 0, 0));
  a.SetItem(0, 7);
  a.Insert(0, 5);   // front
  a.Insert(99, 9);  // beyond the end appends
  a.Insert(2, 8);
  EXPECT_THAT(a.ToVector(), ElementsAre(5, 7, 8, 0, 0, 9));
  a.Delete(1);
  EXPECT_THAT(a.ToVector(), ElementsAre(5, 8, 0, 0, 9));
  // Slots that come back into use after shrinking the count are zero.
  a.SetCount(1);
  a.SetCount(3);
  EXPECT_THAT(a.ToVector(), ElementsAre(5, 0, 0));
  EXPECT_EQ(a.Cursor(), 0);
  EXPECT_THROW(a.Delete(3), EVorError);
  EXPECT_THROW(a.Item(-1), EVorError);
  EXPECT_THROW(a.SetCount(-1), EVorError);
}

TEST(SortedPtrArrayTest, AddKeepsKeysAscendingAndFindsObjects) {
  int objects[4] = {7, 3, 9, 5};
  TSortedPtrArray<int*> a(0, 10, 25);
  for (int& o : objects) a.Add(o, &o);
  ASSERT_EQ(a.Count(), 4);
  EXPECT_EQ(a.Key(0), 3);
  EXPECT_EQ(a.Key(1), 5);
  EXPECT_EQ(a.Key(2), 7);
  EXPECT_EQ(a.Key(3), 9);
  EXPECT_EQ(a.Find(9), &objects[2]);
  EXPECT_EQ(a.Find(4), nullptr);
  EXPECT_EQ(a.IndexOf(5), 1);
  EXPECT_EQ(a.IndexOf(10), -1);
  EXPECT_EQ(a.NextKey(), 0);
  EXPECT_EQ(a.NextKey(), 1);
}

TEST(SortedPtrArrayTest, EqualKeysGoInFrontExceptBehindASingleElement) {
  int first = 1, second = 2, third = 3;
  TSortedPtrArray<int*> a;
  a.Add(4, &first);
  EXPECT_EQ(a.Add(4, &second), 1);  // single element: behind
  EXPECT_EQ(a.Add(4, &third), 0);   // lower bound: in front
  EXPECT_EQ(a.ObjectAt(0), &third);
}

TEST(SortedPtrArrayTest, DeleteRulesAndMessages) {
  TSortedPtrArray<std::unique_ptr<int>> a;
  try {
    a.Delete(1);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TSortedPtrArray.Delete - no elements in array!");
  }
  a.Add(1, std::make_unique<int>(10));
  a.Add(3, std::make_unique<int>(30));
  try {
    a.Delete(2);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TSortedPtrArray.Delete - element not found, key = 2, itemCount = 2!");
  }
  a.Delete(1);
  ASSERT_EQ(a.Count(), 1);
  EXPECT_EQ(*a.Find(3), 30);
  // A single element goes only when its key matches.
  EXPECT_THROW(a.Delete(7), EVorError);
  a.Delete(3);
  EXPECT_EQ(a.Count(), 0);
}

TEST(HeadersArrayTest, FindReturnsLastKeyNotAboveOrZero) {
  TCFRHeadersArray a;
  EXPECT_EQ(a.Find(5), 0);
  TCFRHeaderRecord record{};
  for (int64_t key : {0, 100, 250}) {
    record[0] = static_cast<uint8_t>(key);
    a.Add(record, key);
  }
  const std::pair<int64_t, int32_t> cases[] = {{-5, 0}, {99, 0}, {100, 1}, {249, 1}, {10000, 2}};
  for (const auto& [key, index] : cases) EXPECT_EQ(a.Find(key), index) << key;
  EXPECT_EQ(a.Record(2)[0], 250);
  EXPECT_EQ(a.Key(1), 100);
  a.SetCount(0);
  EXPECT_EQ(a.Count(), 0);
  EXPECT_THROW(a.Key(0), EVorError);
}

}  // namespace
}  // namespace vor
