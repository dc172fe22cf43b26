// The eight-bytes-per-step CRC-16 against a bit-by-bit reference.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "crypto/checksum.h"

namespace vor {
namespace {

// CRC-16/ARC one bit at a time: reflected polynomial 0xA001, initial 0.
uint16_t ReferenceCrc16(uint16_t crc, const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return v;
}

TEST(Crc16Slicing, EqualsTheBitwiseCrcForEveryLengthAndAlignment) {
  const std::vector<uint8_t> data = Bytes(300, 1);
  for (size_t start = 0; start < 8; ++start) {
    for (size_t n = 0; start + n <= 200; ++n) {
      const uint32_t want = ReferenceCrc16(0, data.data() + start, n);
      ASSERT_EQ(ComputeChecksum(data.data() + start, static_cast<int32_t>(n), ChecksumCrc16), want)
          << "start " << start << ", length " << n;
    }
  }
}

TEST(Crc16Slicing, ContinuesFromAGivenValueAndKeepsItsHighBits) {
  const std::vector<uint8_t> data = Bytes(4096, 7);
  const uint16_t whole = ReferenceCrc16(0, data.data(), data.size());
  for (size_t cut : {size_t{1}, size_t{7}, size_t{8}, size_t{13}, size_t{2048}, size_t{4095}}) {
    const uint32_t first = Crc16Update(0xABCD0000u, data.data(), static_cast<int32_t>(cut));
    EXPECT_EQ(first >> 16, 0xABCDu);
    const uint32_t both =
        Crc16Update(first, data.data() + cut, static_cast<int32_t>(data.size() - cut));
    EXPECT_EQ(both, 0xABCD0000u | whole) << "cut " << cut;
  }
}

TEST(Crc16Slicing, KnownCheckValue) {
  const char text[] = "123456789";
  EXPECT_EQ(ComputeChecksum(text, 9, ChecksumCrc16), 0xBB3Du);
}

}  // namespace
}  // namespace vor
