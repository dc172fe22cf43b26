#include "common/seek.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>

namespace vor {
namespace {

TEST(ResolveSeekTest, OriginsAndEdges) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  struct Case {
    int64_t origin;
    int64_t offset;
    int64_t position;
    int64_t size;
    std::optional<int64_t> want;
  };
  const Case cases[] = {
      {0, 5, 100, 50, 5},    // from the beginning: the offset itself
      {0, -3, 100, 50, -3},  // a result before the beginning is the caller's to refuse
      {1, 5, 100, 50, 105},  // from the position
      {1, -100, 100, 50, 0},
      {2, 0, 100, 50, 50},  // from the end
      {2, -60, 100, 50, -10},
      {1, kMax, 10, 0, kMin + 9},  // wraps instead of overflowing
      {2, kMin, 0, -1, kMax},
      {3, 5, 100, 50, std::nullopt},   // an unknown origin
      {-1, 5, 100, 50, std::nullopt},  // a negative origin from a 32-bit caller
      {0x10000, 5, 100, 50, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "origin " << c.origin << " offset " << c.offset);
    EXPECT_EQ(ResolveSeek(c.origin, c.offset, c.position, c.size), c.want);
  }
}

}  // namespace
}  // namespace vor
