// The decoding entry points of compression.h (the encoding one is in
// compression_encode.cpp).
#include "codecs/compression.h"

#include "codecs/bzip2_codec.h"
#include "codecs/compression_types.h"
#include "codecs/ppm.h"
#include "codecs/zlib_codec.h"

namespace vor {

namespace {

using compression_detail::Family;
using compression_detail::kTypes;
using compression_detail::TypeInfo;

bool Decompress(const TypeInfo& t, const uint8_t* packed, int32_t packed_size, int32_t expected,
                std::vector<uint8_t>* data) {
  switch (t.family) {
    case Family::kStore:
      data->assign(packed, packed + packed_size);
      return true;
    case Family::kDeflate:
      ZDecompressBuffer(packed, packed_size, expected, data, expected);
      return !data->empty();
    case Family::kBzip2:
      BZDecompressBuffer(packed, packed_size, expected, data, expected);
      return !data->empty();
    case Family::kPpm: {
      data->assign(static_cast<size_t>(expected), 0);
      const int32_t decoded = PPMDecompress(packed, packed_size, data->data(), expected);
      if (decoded <= 0 || decoded > expected) return false;
      data->resize(static_cast<size_t>(decoded));
      return true;
    }
  }
  return false;
}

}  // namespace

int32_t GetBlockSize(uint8_t type) {
  return type <= kLastCompressionType ? kTypes[type].block_size
                                      : compression_detail::kRefusedBlockSize;
}

bool UnpackBuffer(const uint8_t* packed, int32_t packed_size, std::vector<uint8_t>* data,
                  uint8_t type, int32_t* size) {
  std::vector<uint8_t>().swap(*data);
  const int32_t expected = *size;
  if (expected <= 0 || type > kLastCompressionType) return false;
  if (packed_size < 0 || (packed_size > 0 && packed == nullptr)) return false;
  bool ok = false;
  try {
    ok = Decompress(kTypes[type], packed, packed_size, expected, data);
  } catch (...) {
    ok = false;
  }
  if (!ok) {
    std::vector<uint8_t>().swap(*data);
    return false;
  }
  *size = static_cast<int32_t>(data->size());
  return true;
}

}  // namespace vor
