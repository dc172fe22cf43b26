// The container's checksums.
//
// ChecksumXor is the XOR of the data's little-endian 32-bit words (a tail of
// fewer than four bytes does not enter); ChecksumCrc16 is CRC-16/ARC
// (reflected polynomial 0xA001, start 0, no final XOR), zero-extended to 32
// bits. Any other kind means no checksum: it computes 0 and accepts all.
#pragma once

#include <cstdint>

namespace vor {

enum ChecksumKind : uint8_t {
  ChecksumXor = 0,
  ChecksumCrc16 = 1,
};

// The checksum of size bytes of data; 0 for an unknown kind or size <= 0.
uint32_t ComputeChecksum(const void* data, int32_t size, uint8_t kind);

// True when the checksum equals stored exactly (a CRC-16 stored with any of
// its upper 16 bits set never matches); always true for an unknown kind.
bool VerifyChecksum(const void* data, int32_t size, uint8_t kind, uint32_t stored);

// Continues a CRC-16/ARC over size bytes. Only the low 16 bits of value take
// part; its upper 16 bits pass through. Null data or size <= 0 returns
// value unchanged.
uint32_t Crc16Update(uint32_t value, const void* data, int32_t size);

}  // namespace vor
