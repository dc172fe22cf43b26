// Open modes of containers, page files and stored files.
//
// One 16-bit word: 0xFFFF creates; any other value opens, its low two bits
// giving the access (0 read-only, anything else read and write) and bit
// 0x10 asking for the container alone (no other writer or reader).
#pragma once

#include <cstdint>

namespace vor {

constexpr uint16_t kOpenModeCreate = 0xFFFF;
constexpr uint16_t kOpenModeRead = 0x0000;
constexpr uint16_t kOpenModeReadWrite = 0x0002;
constexpr uint16_t kOpenModeExclusive = 0x0010;
constexpr uint16_t kOpenModeExclusiveReadWrite = kOpenModeExclusive | kOpenModeReadWrite;
constexpr uint16_t kOpenModeAccessMask = 0x0003;

}  // namespace vor
