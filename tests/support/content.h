// Content for tests: bytes that are the same for the same seed on every
// platform, so a failing case can be run again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vor::testing {

// n bytes that do not compress: the low byte of each number of a
// std::mt19937 seeded with seed.
std::string RandomBytes(size_t n, uint32_t seed);

// n bytes of words picked at random from words. With noise_one_in above 0,
// one pick in noise_one_in is instead a run of noise_run random bytes, so
// that blocks differ in how well they compress. Every choice comes from one
// std::mt19937 seeded with seed.
std::string WordBytes(size_t n, uint32_t seed, const std::vector<std::string>& words,
                      uint32_t noise_one_in = 0, int noise_run = 0);

}  // namespace vor::testing
