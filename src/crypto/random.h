// The process-wide pseudo-random generator.
//
// A 32-bit linear congruential generator: each draw sets the state to
// state * 134775813 + 1 (mod 2^32). The installer seeds it once at
// start-up from the time of day.
//
// Master keys of password records draw from the system's cryptographic
// generator by default: a key drawn from this generator alone is one of at
// most 2^32 (in practice one per millisecond of the day), so anyone could
// find it by trying every seed and read the pages without the password.
// A build that must be reproducible selects the seeded generator for keys
// (`KeySource::kSeededGenerator`); the bytes on disk have the same layout
// either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vor {

void SeedRandom(uint32_t seed);
uint32_t RandomState();

// Advances the state and returns a value in 0 .. range-1: the high 32 bits
// of the 64-bit product of the new state and range (0 for range 0).
uint32_t RandomBelow(uint32_t range);

enum class KeySource {
  kSystemEntropy,    // the operating system's cryptographic generator
  kSeededGenerator,  // the generator above: the same seed gives the same keys
};

void SetKeySource(KeySource source);
KeySource GetKeySource();

// Fills `size` bytes, each from 1 to 254, from the current key source. With
// the seeded generator each byte is 1 + RandomBelow(254); from the system
// generator the values are uniform over the same range. Raises EVorError
// when the system generator fails.
void DrawKeyBytes(uint8_t* out, size_t size);

}  // namespace vor
