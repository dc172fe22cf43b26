// The process-wide pseudo-random generator.

#include "crypto/random.h"

#include <atomic>

#include "common/error.h"
#include "platform/entropy.h"

namespace vor {

namespace {

std::atomic<uint32_t> g_state{0};
std::atomic<KeySource> g_key_source{KeySource::kSystemEntropy};

constexpr uint32_t Next(uint32_t state) { return state * 134775813u + 1u; }

}  // namespace

void SeedRandom(uint32_t seed) { g_state.store(seed, std::memory_order_relaxed); }

uint32_t RandomState() { return g_state.load(std::memory_order_relaxed); }

uint32_t RandomBelow(uint32_t range) {
  uint32_t state = g_state.load(std::memory_order_relaxed);
  // One draw per caller even if two threads draw at once.
  while (!g_state.compare_exchange_weak(state, Next(state), std::memory_order_relaxed)) {
  }
  return static_cast<uint32_t>((static_cast<uint64_t>(Next(state)) * range) >> 32);
}

void SetKeySource(KeySource source) { g_key_source.store(source, std::memory_order_relaxed); }

KeySource GetKeySource() { return g_key_source.load(std::memory_order_relaxed); }

void DrawKeyBytes(uint8_t* out, size_t size) {
  if (GetKeySource() == KeySource::kSeededGenerator) {
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(1 + RandomBelow(254));
    return;
  }
  // Rejection keeps the 254 values equally likely: bytes 254 and 255 are
  // drawn again rather than folded onto others.
  size_t filled = 0;
  uint8_t pool[64];
  while (filled < size) {
    if (!platform::SystemRandomBytes(pool, sizeof(pool))) {
      throw EVorError("The system's random generator failed.", ErrorKind::kIo);
    }
    for (size_t i = 0; i < sizeof(pool) && filled < size; ++i) {
      if (pool[i] < 254) out[filled++] = static_cast<uint8_t>(pool[i] + 1);
    }
  }
  for (uint8_t& b : pool) b = 0;
}

}  // namespace vor
