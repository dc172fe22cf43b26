// ComputeChecksum, VerifyChecksum and the table-driven CRC-16/ARC.
//
// The CRC runs eight bytes per step ("slicing by eight"): table k holds the
// remainder of a byte followed by k zero bytes, so the eight lookups of one
// step are independent of one another. The result equals the byte-at-a-time
// update exactly.

#include "crypto/checksum.h"

#include <array>

#include "common/coding.h"

namespace vor {

namespace {

using Crc16Tables = std::array<std::array<uint16_t, 256>, 8>;

// Tables[0][i]: the 16-bit remainder of i under the reflected polynomial
// 0xA001. Tables[k][i]: the remainder of byte i followed by k zero bytes.
void MakeCrc16Tables(Crc16Tables& t) {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i;
    for (int bit = 0; bit < 8; ++bit) r = (r & 1) ? (r >> 1) ^ 0xA001u : r >> 1;
    t[0][i] = static_cast<uint16_t>(r);
  }
  for (size_t k = 1; k < 8; ++k) {
    for (size_t i = 0; i < 256; ++i) {
      const uint16_t prev = t[k - 1][i];
      t[k][i] = static_cast<uint16_t>((prev >> 8) ^ t[0][prev & 0xFFu]);
    }
  }
}

// Computed at the first use, in place in storage the program starts with
// zeroed, rather than carried in the programs' files (the initialisation of a
// function's static object is thread-safe).
const Crc16Tables& TheCrc16Tables() {
  static Crc16Tables tables;
  static const bool made = (MakeCrc16Tables(tables), true);
  static_cast<void>(made);
  return tables;
}

}  // namespace

uint32_t Crc16Update(uint32_t value, const void* data, int32_t size) {
  if (data == nullptr || size <= 0) return value;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t crc = value & 0xFFFFu;
  int32_t i = 0;
  const Crc16Tables& t = TheCrc16Tables();
  for (; i + 8 <= size; i += 8) {
    const uint32_t x = crc ^ (p[i] | (uint32_t{p[i + 1]} << 8));
    crc = t[7][x & 0xFFu] ^ t[6][x >> 8] ^ t[5][p[i + 2]] ^ t[4][p[i + 3]] ^ t[3][p[i + 4]] ^
          t[2][p[i + 5]] ^ t[1][p[i + 6]] ^ t[0][p[i + 7]];
  }
  for (; i < size; ++i) crc = (crc >> 8) ^ t[0][(crc ^ p[i]) & 0xFFu];
  return (value & 0xFFFF0000u) | crc;
}

uint32_t ComputeChecksum(const void* data, int32_t size, uint8_t kind) {
  if (data == nullptr || size <= 0) return 0;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  switch (kind) {
    case ChecksumXor: {
      uint32_t sum = 0;
      const int32_t words = size / 4;
      for (int32_t i = 0; i < words; ++i) sum ^= DecodeFixed32(p + 4 * i);
      return sum;
    }
    case ChecksumCrc16:
      return Crc16Update(0, data, size);
    default:
      return 0;
  }
}

bool VerifyChecksum(const void* data, int32_t size, uint8_t kind, uint32_t stored) {
  if (kind != ChecksumXor && kind != ChecksumCrc16) return true;
  return ComputeChecksum(data, size, kind) == stored;
}

}  // namespace vor
