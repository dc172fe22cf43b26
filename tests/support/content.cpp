#include "support/content.h"

#include <random>

namespace vor::testing {

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

std::string WordBytes(size_t n, uint32_t seed, const std::vector<std::string>& words,
                      uint32_t noise_one_in, int noise_run) {
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(n + static_cast<size_t>(noise_run) + 64);
  while (s.size() < n) {
    if (noise_one_in > 0 && rng() % noise_one_in == 0) {
      for (int i = 0; i < noise_run; ++i) s += static_cast<char>(rng() & 0xFF);
    } else {
      s += words[rng() % words.size()];
    }
  }
  s.resize(n);
  return s;
}

}  // namespace vor::testing
