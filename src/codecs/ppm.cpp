// Decoding entry points of the PPM codec: header, heap, model and range
// coder for one block (encoding: ppm_encode.cpp).
#include "codecs/ppm.h"

#include "codecs/ppm_block.h"
#include "codecs/ppm_heap.h"
#include "codecs/ppm_model.h"
#include "codecs/ppm_range_coder.h"
#include "common/coding.h"

namespace vor {

namespace {

constexpr uint32_t kLetterG = 6;  // 'G' - 'A'

}  // namespace

int32_t PpmDecompressBlock(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                           PpmCodingStats* stats) {
  if (in == nullptr || in_size < static_cast<int32_t>(kPpmHeaderSize) || out_capacity < 0 ||
      (out_capacity > 0 && out == nullptr)) {
    return 0;
  }
  uint32_t header = DecodeFixed32(in);
  if ((header >> 12) != kLetterG) return 0;
  int32_t max_order = static_cast<int32_t>(header & 15) + 1;
  int32_t memory_mb = static_cast<int32_t>((header >> 4) & 0xFF) + 1;
  // Order 1 leaves the successor building without the suffix it needs; no
  // encoder writes it.
  if (max_order < 2) return 0;
  PpmHeap heap;
  if (!heap.Allocate(memory_mb)) return 0;
  PpmModel model(&heap, max_order);
  model.Reset();
  PpmRangeDecoder coder(in + kPpmHeaderSize, static_cast<uint32_t>(in_size) - kPpmHeaderSize);
  int32_t written = 0;
  for (;;) {
    int symbol = model.DecodeSymbol(&coder);
    if (model.faulted() || coder.failed()) return 0;
    if (symbol == PpmModel::kEndMarker) break;
    if (written == out_capacity) return 0;
    out[written++] = static_cast<uint8_t>(symbol);
  }
  if (stats != nullptr) stats->restarts = model.restarts();
  return written;
}

int32_t PPMDecompress(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity) {
  return PpmDecompressBlock(in, in_size, out, out_capacity, nullptr);
}

}  // namespace vor
