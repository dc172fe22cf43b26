// Block coding loops of the PPM codec, with the counters tests look at.
// PPMCompress and PPMDecompress (codecs/ppm.h) are these without counters.
#pragma once

#include <cstdint>

namespace vor {

struct PpmCodingStats {
  int restarts = 0;  // times the model memory ran out and the model restarted
};

// As PPMCompress; stats (may be null) receives the counters.
int32_t PpmCompressBlock(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                         int32_t memory_mb, int32_t max_order, PpmCodingStats* stats);

// As PPMDecompress; stats (may be null) receives the counters.
int32_t PpmDecompressBlock(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                           PpmCodingStats* stats);

// Size of the stream header, which comes first.
constexpr uint32_t kPpmHeaderSize = 4;

// Stream header: 0x6000 + 16 x (MemoryMB - 1) + (MaxOrder - 1), the 6 in
// bits 12-15 being the variant letter G counted from A.
constexpr uint32_t PpmHeader(int32_t memory_mb, int32_t max_order) {
  return 0x6000u + 16u * static_cast<uint32_t>(memory_mb - 1) +
         static_cast<uint32_t>(max_order - 1);
}

}  // namespace vor
