// ComputeChecksum, VerifyChecksum and Crc16Update.

#include "crypto/checksum.h"

#include <gtest/gtest.h>

#include <string>

namespace vor {
namespace {

struct Case {
  const char* name;
  std::string data;
  uint8_t kind;
  uint32_t expected;
};

TEST(ChecksumTest, ComputeTable) {
  const std::string eight("\x01\x02\x03\x04\x10\x20\x30\x40", 8);
  const Case cases[] = {
      {"crc of the check string", "123456789", ChecksumCrc16, 0xBB3D},
      {"crc of nothing", "", ChecksumCrc16, 0},
      {"crc of one byte", "a", ChecksumCrc16, 0xE8C1},
      {"xor of two words", eight, ChecksumXor, 0x04030201u ^ 0x40302010u},
      {"xor ignores a short tail", eight.substr(0, 7), ChecksumXor, 0x04030201u},
      {"xor below one word", eight.substr(0, 3), ChecksumXor, 0},
      {"xor of nothing", "", ChecksumXor, 0},
      {"unknown kind", "123456789", 2, 0},
      {"unknown kind 255", "123456789", 255, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComputeChecksum(c.data.data(), static_cast<int32_t>(c.data.size()), c.kind),
              c.expected)
        << c.name;
  }
}

TEST(ChecksumTest, NegativeSizeReadsNothing) {
  const char data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(ComputeChecksum(data, -4, ChecksumXor), 0u);
  EXPECT_EQ(ComputeChecksum(data, -1, ChecksumCrc16), 0u);
  EXPECT_EQ(ComputeChecksum(nullptr, 8, ChecksumXor), 0u);
}

TEST(ChecksumTest, VerifyMatchesExactly) {
  const std::string digits = "123456789";
  const int32_t n = 9;
  EXPECT_TRUE(VerifyChecksum(digits.data(), n, ChecksumCrc16, 0xBB3D));
  EXPECT_FALSE(VerifyChecksum(digits.data(), n, ChecksumCrc16, 0xBB3C));
  // The right CRC in the low half with bit 16 set does not verify.
  EXPECT_FALSE(VerifyChecksum(digits.data(), n, ChecksumCrc16, 0x1BB3D));
  const uint32_t x = ComputeChecksum(digits.data(), n, ChecksumXor);
  EXPECT_TRUE(VerifyChecksum(digits.data(), n, ChecksumXor, x));
  EXPECT_FALSE(VerifyChecksum(digits.data(), n, ChecksumXor, x ^ 0x80000000u));
  // Other kinds accept anything.
  EXPECT_TRUE(VerifyChecksum(digits.data(), n, 2, 0xDEADBEEF));
  EXPECT_TRUE(VerifyChecksum(nullptr, 0, 7, 1));
}

TEST(ChecksumTest, Crc16UpdateContinuesAndKeepsUpperHalf) {
  const std::string digits = "123456789";
  uint32_t v = Crc16Update(0, digits.data(), 4);
  v = Crc16Update(v, digits.data() + 4, 5);
  EXPECT_EQ(v, 0xBB3Du);
  // The upper 16 bits pass through; only the low 16 take part.
  EXPECT_EQ(Crc16Update(0xABCD0000u, digits.data(), 9), 0xABCDBB3Du);
  EXPECT_EQ(Crc16Update(0x1234u, nullptr, 9), 0x1234u);
  EXPECT_EQ(Crc16Update(0x1234u, digits.data(), 0), 0x1234u);
  EXPECT_EQ(Crc16Update(0x1234u, digits.data(), -3), 0x1234u);
}

}  // namespace
}  // namespace vor
