// Throughput of the block codec entry points per compression type, beside
// zlib and libbzip2 called directly on the same block, so that the adapters'
// own cost (buffer set-up, growth checks) shows as the difference.
//
// Arguments: compression type (or library level), payload (0 text, 1 binary).
// Counters: bytes/s of uncompressed data, and ratio = packed / original.
#include <benchmark/benchmark.h>
#include <bzlib.h>
#include <zlib.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "codecs/codec_fixtures.h"
#include "codecs/compression.h"

namespace vor {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes& Block(int32_t size, int64_t payload) {
  static std::map<std::pair<int32_t, int64_t>, Bytes> cache;
  auto key = std::make_pair(size, payload);
  auto it = cache.find(key);
  if (it == cache.end()) {
    Bytes b = payload == 0 ? fixtures::Text(static_cast<size_t>(size))
                           : fixtures::Binary(static_cast<size_t>(size));
    it = cache.emplace(key, std::move(b)).first;
  }
  return it->second;
}

const char* PayloadName(int64_t payload) { return payload == 0 ? "text" : "binary"; }

void Finish(benchmark::State& state, size_t original, size_t packed) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(original));
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(original);
}

void BM_PrepareBuffer(benchmark::State& state) {
  const uint8_t type = static_cast<uint8_t>(state.range(0));
  const Bytes& data = Block(GetBlockSize(type), state.range(1));
  state.SetLabel(std::string("type ") + std::to_string(type) + " " + PayloadName(state.range(1)));
  Bytes packed;
  for (auto _ : state) {
    if (!PrepareBuffer(data.data(), static_cast<int32_t>(data.size()), &packed, type)) {
      state.SkipWithError("PrepareBuffer failed");
      return;
    }
    benchmark::DoNotOptimize(packed.data());
  }
  Finish(state, data.size(), packed.size());
}

void BM_UnpackBuffer(benchmark::State& state) {
  const uint8_t type = static_cast<uint8_t>(state.range(0));
  const Bytes& data = Block(GetBlockSize(type), state.range(1));
  state.SetLabel(std::string("type ") + std::to_string(type) + " " + PayloadName(state.range(1)));
  Bytes packed;
  if (!PrepareBuffer(data.data(), static_cast<int32_t>(data.size()), &packed, type)) {
    state.SkipWithError("PrepareBuffer failed");
    return;
  }
  Bytes out;
  for (auto _ : state) {
    int32_t size = static_cast<int32_t>(data.size());
    if (!UnpackBuffer(packed.data(), static_cast<int32_t>(packed.size()), &out, type, &size)) {
      state.SkipWithError("UnpackBuffer failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
  Finish(state, data.size(), packed.size());
}

// The deflate types' parameters: level and block size of types 1, 2, 5.
struct DirectCase {
  int level;
  uint8_t type;
};
DirectCase Deflate(int64_t i) {
  return i == 0 ? DirectCase{1, 1} : i == 1 ? DirectCase{5, 2} : DirectCase{9, 5};
}
DirectCase Bzip2(int64_t i) {
  return i == 0 ? DirectCase{2, 7} : i == 1 ? DirectCase{6, 8} : DirectCase{9, 9};
}

// compress2 sets up the same stream as type 1, 2 or 5 (deflate, window bits
// 15, memory level 8, default strategy); the output buffer is made once.
void BM_ZlibDirectCompress(benchmark::State& state) {
  const DirectCase c = Deflate(state.range(0));
  const Bytes& data = Block(GetBlockSize(c.type), state.range(1));
  state.SetLabel("zlib level " + std::to_string(c.level) + " " + PayloadName(state.range(1)));
  Bytes out(compressBound(static_cast<uLong>(data.size())));
  uLongf out_size = 0;
  for (auto _ : state) {
    out_size = static_cast<uLongf>(out.size());
    compress2(out.data(), &out_size, data.data(), static_cast<uLong>(data.size()), c.level);
    benchmark::DoNotOptimize(out.data());
  }
  Finish(state, data.size(), out_size);
}

void BM_ZlibDirectUncompress(benchmark::State& state) {
  const DirectCase c = Deflate(state.range(0));
  const Bytes& data = Block(GetBlockSize(c.type), state.range(1));
  state.SetLabel("zlib level " + std::to_string(c.level) + " " + PayloadName(state.range(1)));
  Bytes packed(compressBound(static_cast<uLong>(data.size())));
  uLongf packed_size = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &packed_size, data.data(), static_cast<uLong>(data.size()), c.level);
  Bytes out(data.size());
  for (auto _ : state) {
    uLongf out_size = static_cast<uLongf>(out.size());
    uncompress(out.data(), &out_size, packed.data(), packed_size);
    benchmark::DoNotOptimize(out.data());
  }
  Finish(state, data.size(), packed_size);
}

void BM_Bzip2DirectCompress(benchmark::State& state) {
  const DirectCase c = Bzip2(state.range(0));
  const Bytes& data = Block(GetBlockSize(c.type), state.range(1));
  state.SetLabel("bzip2 -" + std::to_string(c.level) + " " + PayloadName(state.range(1)));
  Bytes in = data;  // the library takes a non-const source
  Bytes out(data.size() + data.size() / 10 + 1024);
  unsigned int out_size = 0;
  for (auto _ : state) {
    out_size = static_cast<unsigned int>(out.size());
    BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &out_size,
                             reinterpret_cast<char*>(in.data()),
                             static_cast<unsigned int>(in.size()), c.level, 0, 0);
    benchmark::DoNotOptimize(out.data());
  }
  Finish(state, data.size(), out_size);
}

void BM_Bzip2DirectDecompress(benchmark::State& state) {
  const DirectCase c = Bzip2(state.range(0));
  const Bytes& data = Block(GetBlockSize(c.type), state.range(1));
  state.SetLabel("bzip2 -" + std::to_string(c.level) + " " + PayloadName(state.range(1)));
  Bytes in = data;
  Bytes packed(data.size() + data.size() / 10 + 1024);
  unsigned int packed_size = static_cast<unsigned int>(packed.size());
  BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(packed.data()), &packed_size,
                           reinterpret_cast<char*>(in.data()), static_cast<unsigned int>(in.size()),
                           c.level, 0, 0);
  Bytes out(data.size());
  for (auto _ : state) {
    unsigned int out_size = static_cast<unsigned int>(out.size());
    BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(out.data()), &out_size,
                               reinterpret_cast<char*>(packed.data()), packed_size, 0, 0);
    benchmark::DoNotOptimize(out.data());
  }
  Finish(state, data.size(), packed_size);
}

constexpr auto kUnit = benchmark::kMillisecond;

BENCHMARK(BM_PrepareBuffer)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kLastCompressionType, 1), {0, 1}})
    ->Unit(kUnit);
BENCHMARK(BM_UnpackBuffer)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kLastCompressionType, 1), {0, 1}})
    ->Unit(kUnit);
BENCHMARK(BM_ZlibDirectCompress)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(kUnit);
BENCHMARK(BM_ZlibDirectUncompress)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(kUnit);
BENCHMARK(BM_Bzip2DirectCompress)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(kUnit);
BENCHMARK(BM_Bzip2DirectDecompress)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(kUnit);

}  // namespace
}  // namespace vor
