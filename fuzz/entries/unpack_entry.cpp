// Fuzz entry: UnpackBuffer on arbitrary blocks for every compression type,
// and compress-then-decompress round trips.
#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/compression.h"
#include "common/coding.h"
#include "fuzz_entries.h"

namespace vor::fuzz {

namespace {

// Expected sizes are kept below this so that one input stays quick; the
// block stream asks for at most 16 MiB.
constexpr int32_t kMaxExpected = 4 << 20;

std::string RoundTrip(uint8_t type, const uint8_t* data, int32_t size) {
  std::vector<uint8_t> packed;
  if (!PrepareBuffer(data, size, &packed, type)) {
    if (!packed.empty()) return "PrepareBuffer failed but handed out bytes";
    return std::string();
  }
  if (size <= 0) return "PrepareBuffer coded an empty block";
  if (packed.empty()) return "PrepareBuffer succeeded with no bytes";
  std::vector<uint8_t> unpacked;
  int32_t out_size = size;
  if (!UnpackBuffer(packed.data(), static_cast<int32_t>(packed.size()), &unpacked, type,
                    &out_size)) {
    return "a block PrepareBuffer made does not unpack, type " + std::to_string(type);
  }
  if (out_size != size || unpacked.size() != static_cast<size_t>(size) ||
      std::memcmp(unpacked.data(), data, static_cast<size_t>(size)) != 0) {
    return "round trip changed the data, type " + std::to_string(type);
  }
  return std::string();
}

}  // namespace

std::string UnpackEntry(const uint8_t* data, size_t size) {
  if (size < 5) return std::string();
  const uint8_t selector = data[0];
  int32_t expected = static_cast<int32_t>(DecodeFixed32(data + 1));
  if (expected > kMaxExpected) expected = expected % kMaxExpected;
  const uint8_t* block = data + 5;
  const int32_t block_size = static_cast<int32_t>(std::min<size_t>(size - 5, kMaxExpected));

  if ((selector & 0x80) != 0 && (selector & 0x7F) <= kLastCompressionType) {
    return RoundTrip(selector & 0x7F, block, block_size);
  }

  const uint8_t type = selector;
  std::vector<uint8_t> out{1, 2, 3};  // a stale buffer must be replaced
  int32_t out_size = expected;
  const bool ok = UnpackBuffer(block, block_size, &out, type, &out_size);
  if (!ok) {
    if (!out.empty()) return "UnpackBuffer failed but handed out bytes";
    if (out_size != expected) return "UnpackBuffer failed but changed the size";
    return std::string();
  }
  if (expected <= 0) return "UnpackBuffer accepted an expected size <= 0";
  if (type > kLastCompressionType) return "UnpackBuffer accepted a refused type";
  if (out.size() != static_cast<size_t>(out_size)) return "size differs from the bytes handed out";
  if (type == 0) {
    if (out_size != block_size ||
        (!out.empty() && std::memcmp(out.data(), block, out.size()) != 0)) {
      return "type 0 did not copy the block";
    }
  } else if (out_size > expected) {
    return "a block decoded to more than expected";
  }
  return std::string();
}

}  // namespace vor::fuzz
