// Throughput of the digests and checksums the engine computes: RIPEMD-256
// over a 33-byte key string (key derivation of every page cipher) and over
// bulk data, and both page checksums over one page's 4,064 data bytes.

#include <benchmark/benchmark.h>

#include <string>

#include "crypto/checksum.h"
#include "crypto/hash.h"

namespace vor {
namespace {

void BM_RipeMD256KeyString(benchmark::State& state) {
  const std::string key(33, '\x5A');
  THash_RipeMD256 h;
  for (auto _ : state) {
    h.Start();
    h.Update(key.data(), 33);
    h.Finish();
    benchmark::DoNotOptimize(h.Digest());
  }
}
BENCHMARK(BM_RipeMD256KeyString);

template <class Hash>
void BM_HashBulk(benchmark::State& state) {
  const std::string data(static_cast<size_t>(state.range(0)), '\x33');
  Hash h;
  for (auto _ : state) {
    h.Start();
    h.Update(data.data(), static_cast<int32_t>(data.size()));
    h.Finish();
    benchmark::DoNotOptimize(h.Digest());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK_TEMPLATE(BM_HashBulk, THash_MD4)->Arg(65536);
BENCHMARK_TEMPLATE(BM_HashBulk, THash_RipeMD256)->Arg(65536);

void BM_PageChecksum(benchmark::State& state) {
  const std::string page(4064, '\x77');
  const uint8_t kind = static_cast<uint8_t>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputeChecksum(page.data(), 4064, kind));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 4064);
}
BENCHMARK(BM_PageChecksum)->Arg(ChecksumXor)->Arg(ChecksumCrc16);

}  // namespace
}  // namespace vor
