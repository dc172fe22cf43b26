#include "common/text_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

namespace vor {
namespace {

TEST(TextFormatTest, Hex) {
  struct Case {
    uint64_t value;
    int min_digits;
    const char* want;
  };
  const Case cases[] = {
      {0, 0, "0"},                  // zero still has its digit
      {0, 8, "00000000"},           // padded
      {0x8007000E, 8, "8007000E"},  // upper case, exactly the width
      {0xABC, 2, "ABC"},            // never cut to the width
      {0xFFFFFFFFFFFFFFFF, 1, "FFFFFFFFFFFFFFFF"},
  };
  for (const Case& c : cases) EXPECT_EQ(HexText(c.value, c.min_digits), c.want) << c.want;
}

TEST(TextFormatTest, BinaryFractions) {
  struct Case {
    uint64_t numerator;
    unsigned shift;
    int decimals;
    const char* want;
  };
  const Case cases[] = {
      {1024, 10, 1, "1.0"},
      {1280, 10, 1, "1.2"},        // 1.25: a tie, to the even digit
      {1792, 10, 1, "1.8"},        // 1.75: a tie, to the even digit
      {1075, 10, 1, "1.0"},        // 1.0498...
      {1076, 10, 1, "1.1"},        // 1.0507...
      {1048575, 10, 1, "1024.0"},  // 1023.999...: the carry reaches the whole part
      {41943040, 20, 1, "40.0"},
      {54116587110, 30, 1, "50.4"},
      {1, 1, 0, "0"},         // 0.5 without decimals: a tie, to the even 0
      {3, 1, 0, "2"},         // 1.5: to the even 2
      {7, 0, 2, "7.00"},      // a whole number
      {999, 10, 3, "0.976"},  // 0.97558...
      {uint64_t{1} << 60, 40, 1, "1048576.0"},
      {~uint64_t{0}, 56, 2, "256.00"},  // the largest numerator at the largest shift
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BinaryFractionText(c.numerator, c.shift, c.decimals), c.want)
        << c.numerator << " / 2^" << c.shift;
  }
}

// The C library's "%.*f" of the same double is the reference: numerators
// below 2^53 convert to the double exactly.
TEST(TextFormatTest, BinaryFractionsAsPrintfWritesThem) {
  std::mt19937_64 random(29);
  for (int i = 0; i < 20000; ++i) {
    const unsigned shift = static_cast<unsigned>(random() % 41);
    const int decimals = static_cast<int>(random() % 4);
    const uint64_t numerator = random() >> (11 + random() % 50);
    char want[64];
    std::snprintf(want, sizeof(want), "%.*f", decimals,
                  static_cast<double>(numerator) / static_cast<double>(uint64_t{1} << shift));
    ASSERT_EQ(BinaryFractionText(numerator, shift, decimals), want)
        << numerator << " / 2^" << shift << " with " << decimals << " decimals";
  }
}

}  // namespace
}  // namespace vor
