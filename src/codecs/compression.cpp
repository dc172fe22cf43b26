#include "codecs/compression.h"

#include "codecs/bzip2_codec.h"
#include "codecs/ppm.h"
#include "codecs/zlib_codec.h"

namespace vor {

namespace {

enum class Family { kStore, kDeflate, kPpm, kBzip2 };

struct TypeInfo {
  Family family;
  int32_t parameter;  // deflate level, bzip2 block size parameter, PPM model MiB
  int32_t max_order;  // PPM only
  int32_t block_size;
};

constexpr int32_t kRefusedBlockSize = 1048576;

constexpr TypeInfo kTypes[kLastCompressionType + 1] = {
    {Family::kStore, 0, 0, 1048576},    // 0
    {Family::kDeflate, 1, 0, 524288},   // 1
    {Family::kDeflate, 5, 0, 1048576},  // 2
    {Family::kPpm, 25, 5, 1048576},     // 3
    {Family::kPpm, 50, 13, 1572864},    // 4
    {Family::kDeflate, 9, 0, 1572864},  // 5
    {Family::kPpm, 10, 3, 524288},      // 6
    {Family::kBzip2, 2, 0, 524288},     // 7
    {Family::kBzip2, 6, 0, 1048576},    // 8
    {Family::kBzip2, 9, 0, 1572864},    // 9
};

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
  return type <= kLastCompressionType ? kTypes[type].block_size : kRefusedBlockSize;
}

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
