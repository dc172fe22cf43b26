#include "common/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace vor {
namespace {

TEST(RoundingTest, HalvesAndNeighbours) {
  struct Case {
    double value;
    uint64_t half_up;
    double half_even;
  };
  const Case cases[] = {
      {0.0, 0, 0.0},
      {0.49999999999999994, 0, 0.0},  // just below a half: adding 0.5 would round it up
      {0.5, 1, 0.0},
      {1.5, 2, 2.0},
      {2.5, 3, 2.0},
      {2.5000000000000004, 3, 3.0},
      {99.5, 100, 100.0},
      {12.5, 13, 12.0},
      {4503599627370497.0, 4503599627370497, 4503599627370497.0},  // 2^52 + 1: already whole
      {9007199254740993.0, 9007199254740992, 9007199254740992.0},  // past 2^53
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundHalfUp(c.value), c.half_up) << c.value;
    EXPECT_EQ(RoundHalfEven(c.value), c.half_even) << c.value;
  }
}

// The C library's functions are the reference, on percentages of the kind
// the callers round (a share times 100, a share of a size).
TEST(RoundingTest, AsTheLibraryFunctions) {
  std::mt19937 random(29);
  for (int i = 0; i < 20000; ++i) {
    const double done = static_cast<double>(random() % 1000 + 1);
    const double total = done + static_cast<double>(random() % 1000);
    const double percent = done / total * 100.0;
    ASSERT_EQ(RoundHalfEven(percent), std::nearbyint(percent)) << done << " of " << total;
    const double bytes = percent / 100.0 * static_cast<double>(random());
    ASSERT_EQ(RoundHalfUp(bytes), static_cast<uint64_t>(std::llround(bytes))) << bytes;
  }
}

}  // namespace
}  // namespace vor
