// The process-wide pseudo-random generator.
//
// A 32-bit linear congruential generator: each draw sets the state to
// state * 134775813 + 1 (mod 2^32). The installer seeds it once at
// start-up from the time of day; master keys of password records draw
// from it. Not a source of secrets beyond what the container format needs.
#pragma once

#include <cstdint>

namespace vor {

void SeedRandom(uint32_t seed);
uint32_t RandomState();

// Advances the state and returns a value in 0 .. range-1: the high 32 bits
// of the 64-bit product of the new state and range (0 for range 0).
uint32_t RandomBelow(uint32_t range);

}  // namespace vor
