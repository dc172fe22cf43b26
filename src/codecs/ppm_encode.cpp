// Encoding entry points of the PPM codec (decoding: ppm.cpp, a library
// member of its own so that a program that only decodes links no encoder).
#include "codecs/ppm.h"
#include "codecs/ppm_block.h"
#include "codecs/ppm_heap.h"
#include "codecs/ppm_model.h"
#include "codecs/ppm_range_coder.h"
#include "common/coding.h"

namespace vor {

int32_t PpmCompressBlock(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                         int32_t memory_mb, int32_t max_order, PpmCodingStats* stats) {
  if (in_size < 0 || (in_size > 0 && in == nullptr) || out == nullptr ||
      out_capacity < static_cast<int32_t>(kPpmHeaderSize) || memory_mb < 1 || memory_mb > 256 ||
      max_order < 2 || max_order > 16) {
    return 0;
  }
  EncodeFixed32(out, PpmHeader(memory_mb, max_order));
  PpmHeap heap;
  if (!heap.Allocate(memory_mb)) return 0;
  PpmModel model(&heap, max_order);
  model.Reset();
  PpmRangeEncoder coder(out + kPpmHeaderSize, static_cast<uint32_t>(out_capacity) - kPpmHeaderSize);
  for (int32_t i = 0; i < in_size; ++i) {
    if (!model.EncodeSymbol(&coder, in[i]) || coder.failed()) return 0;
  }
  // The end marker matches nothing: it escapes down to and out of order 0.
  if (model.EncodeSymbol(&coder, PpmModel::kEndMarker) || model.faulted()) return 0;
  coder.Flush();
  if (coder.failed()) return 0;
  if (stats != nullptr) stats->restarts = model.restarts();
  return static_cast<int32_t>(kPpmHeaderSize + coder.written());
}

int32_t PPMCompress(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                    int32_t memory_mb, int32_t max_order) {
  return PpmCompressBlock(in, in_size, out, out_capacity, memory_mb, max_order, nullptr);
}

}  // namespace vor
