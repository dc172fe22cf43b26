// Helpers shared by the cipher, Rijndael and password-record tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vor::testing_util {

// Bytes from hexadecimal text; blanks are ignored.
inline std::vector<uint8_t> Hex(std::string hex) {
  hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// Deterministic filler bytes.
inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 3));
  return out;
}

}  // namespace vor::testing_util
