// The encoding entry point of compression.h. It is a library member of its
// own, apart from the decoders (compression.cpp), so that the encoders it
// calls are linked only into programs that write compressed data; the
// installer program links codecs/without_encoders instead.
#include "codecs/bzip2_codec.h"
#include "codecs/compression.h"
#include "codecs/compression_types.h"
#include "codecs/ppm.h"
#include "codecs/zlib_codec.h"

namespace vor {

namespace {

using compression_detail::Family;
using compression_detail::kTypes;
using compression_detail::TypeInfo;

bool Compress(const TypeInfo& t, const uint8_t* data, int32_t size, std::vector<uint8_t>* packed) {
  switch (t.family) {
    case Family::kStore:
      packed->assign(data, data + size);
      break;
    case Family::kDeflate:
      ZCompressBuffer(data, size, packed, t.parameter);
      break;
    case Family::kBzip2:
      BZCompressBuffer(data, size, packed, t.parameter);
      break;
    case Family::kPpm: {
      // The coder is confined to this capacity and reports 0 when the block
      // would not fit (or the model memory cannot be had).
      const int64_t capacity = int64_t{size} + size / 20 + 50;
      if (capacity > INT32_MAX) return false;
      packed->assign(static_cast<size_t>(capacity), 0);
      const int32_t written = PPMCompress(data, size, packed->data(),
                                          static_cast<int32_t>(capacity), t.parameter, t.max_order);
      if (written <= 0 || written > capacity) return false;
      packed->resize(static_cast<size_t>(written));
      break;
    }
  }
  return !packed->empty();
}

}  // namespace

bool PrepareBuffer(const uint8_t* data, int32_t size, std::vector<uint8_t>* packed, uint8_t type) {
  std::vector<uint8_t>().swap(*packed);
  if (size <= 0 || data == nullptr || type > kLastCompressionType) return false;
  bool ok = false;
  try {
    ok = Compress(kTypes[type], data, size, packed);
  } catch (...) {
    ok = false;
  }
  if (!ok) std::vector<uint8_t>().swap(*packed);
  return ok;
}

}  // namespace vor
