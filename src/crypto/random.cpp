// The process-wide pseudo-random generator.

#include "crypto/random.h"

#include <atomic>

namespace vor {

namespace {

std::atomic<uint32_t> g_state{0};

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

}  // namespace vor
