// Page ciphering as the container engine does it: a fresh cipher from a
// 33-byte key string, then 4,064 data bytes in place.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/page_cipher.h"
#include "crypto/rijndael.h"
#include "crypto/rijndael_core.h"

namespace vor {
namespace {

constexpr int32_t kPageData = 4064;

std::string PageKey() {
  std::string key;
  for (int i = 0; i < 32; ++i) key.push_back(static_cast<char>(1 + (i * 37) % 254));
  key.push_back('\0');
  return key;
}

std::vector<uint8_t> PageBytes() {
  std::vector<uint8_t> page(kPageData);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 13);
  return page;
}

void BM_KeySetup(benchmark::State& state) {
  const std::string key = PageKey();
  for (auto _ : state) {
    TCipher_Rijndael cipher(key);
    benchmark::DoNotOptimize(cipher.Schedule());
  }
}
BENCHMARK(BM_KeySetup);

void BM_PageDecipherFreshCipher(benchmark::State& state) {
  const std::string key = PageKey();
  std::vector<uint8_t> page = PageBytes();
  for (auto _ : state) {
    TCipher_Rijndael cipher(key);
    cipher.DecipherBuffer(page.data(), page.data(), kPageData);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPageData);
}
BENCHMARK(BM_PageDecipherFreshCipher);

void BM_PageEncipherFreshCipher(benchmark::State& state) {
  const std::string key = PageKey();
  std::vector<uint8_t> page = PageBytes();
  for (auto _ : state) {
    TCipher_Rijndael cipher(key);
    cipher.EncipherBuffer(page.data(), page.data(), kPageData);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPageData);
}
BENCHMARK(BM_PageEncipherFreshCipher);

// The engine's call, with its cache of keyed ciphers.
void BM_PageDecipherCall(benchmark::State& state) {
  const std::string key = PageKey();
  std::vector<uint8_t> page = PageBytes();
  for (auto _ : state) {
    DecipherPageData(key, page.data(), kPageData);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPageData);
}
BENCHMARK(BM_PageDecipherCall);

void BM_PageEncipherCall(benchmark::State& state) {
  const std::string key = PageKey();
  std::vector<uint8_t> page = PageBytes();
  for (auto _ : state) {
    EncipherPageData(key, page.data(), kPageData);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPageData);
}
BENCHMARK(BM_PageEncipherCall);

// The table rounds alone (the path of processors without AES
// instructions), 254 blocks of a page.
void BM_TableRoundsDecipher(benchmark::State& state) {
  uint8_t schedule[rijndael::kScheduleSize];
  const std::string key = PageKey();
  const int rounds =
      rijndael::ExpandKey(reinterpret_cast<const uint8_t*>(key.data()), 32, schedule);
  std::vector<uint8_t> page = PageBytes();
  for (auto _ : state) {
    for (int32_t pos = 0; pos + 16 <= kPageData; pos += 16) {
      rijndael::DecipherBlockTable(schedule, rounds, page.data() + pos);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPageData);
}
BENCHMARK(BM_TableRoundsDecipher);

void BM_TableRoundsEncipher(benchmark::State& state) {
  uint8_t schedule[rijndael::kScheduleSize];
  const std::string key = PageKey();
  const int rounds =
      rijndael::ExpandKey(reinterpret_cast<const uint8_t*>(key.data()), 32, schedule);
  std::vector<uint8_t> page = PageBytes();
  for (auto _ : state) {
    for (int32_t pos = 0; pos + 16 <= kPageData; pos += 16) {
      rijndael::EncipherBlockTable(schedule, rounds, page.data() + pos);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kPageData);
}
BENCHMARK(BM_TableRoundsEncipher);

}  // namespace
}  // namespace vor
