// Entry points of the PPM codec: header, heap, model and range coder for one
// block.
#include "codecs/ppm.h"

#include "codecs/ppm_block.h"
#include "codecs/ppm_heap.h"
#include "codecs/ppm_model.h"
#include "codecs/ppm_range_coder.h"
#include "common/coding.h"

namespace vor {

namespace {

constexpr uint32_t kHeaderSize = 4;
constexpr uint32_t kLetterG = 6;  // 'G' - 'A'

}  // namespace

int32_t PpmCompressBlock(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                         int32_t memory_mb, int32_t max_order, PpmCodingStats* stats) {
  if (in_size < 0 || (in_size > 0 && in == nullptr) || out == nullptr ||
      out_capacity < static_cast<int32_t>(kHeaderSize) || memory_mb < 1 || memory_mb > 256 ||
      max_order < 2 || max_order > 16) {
    return 0;
  }
  EncodeFixed32(out, PpmHeader(memory_mb, max_order));
  PpmHeap heap;
  if (!heap.Allocate(memory_mb)) return 0;
  PpmModel model(&heap, max_order);
  model.Reset();
  PpmRangeEncoder coder(out + kHeaderSize, static_cast<uint32_t>(out_capacity) - kHeaderSize);
  for (int32_t i = 0; i < in_size; ++i) {
    if (!model.EncodeSymbol(&coder, in[i]) || coder.failed()) return 0;
  }
  // The end marker matches nothing: it escapes down to and out of order 0.
  if (model.EncodeSymbol(&coder, PpmModel::kEndMarker) || model.faulted()) return 0;
  coder.Flush();
  if (coder.failed()) return 0;
  if (stats != nullptr) stats->restarts = model.restarts();
  return static_cast<int32_t>(kHeaderSize + coder.written());
}

int32_t PpmDecompressBlock(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                           PpmCodingStats* stats) {
  if (in == nullptr || in_size < static_cast<int32_t>(kHeaderSize) || out_capacity < 0 ||
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
  PpmRangeDecoder coder(in + kHeaderSize, static_cast<uint32_t>(in_size) - kHeaderSize);
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

int32_t PPMCompress(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                    int32_t memory_mb, int32_t max_order) {
  return PpmCompressBlock(in, in_size, out, out_capacity, memory_mb, max_order, nullptr);
}

int32_t PPMDecompress(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity) {
  return PpmDecompressBlock(in, in_size, out, out_capacity, nullptr);
}

}  // namespace vor
