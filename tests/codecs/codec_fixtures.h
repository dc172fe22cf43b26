// Deterministic payloads for the codec tests and benchmarks: English-like
// text, structured binary data and incompressible noise.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vor {
namespace fixtures {

// A 32-bit linear congruential generator: the same bytes on every platform.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 134775813u + 1u;
    return state_;
  }
  uint8_t NextByte() { return static_cast<uint8_t>(Next() >> 24); }

 private:
  uint32_t state_;
};

inline std::vector<uint8_t> Text(size_t size, uint32_t seed = 1) {
  static const char* const kWords[] = {
      "the",      "container", "holds",   "files",      "and",      "folders", "each",    "page",
      "of",       "data",      "is",      "checked",    "against",  "its",     "sum",     "a",
      "block",    "stream",    "keeps",   "compressed", "bytes",    "for",     "every",   "user",
      "install",  "program",   "window",  "shows",      "progress", "while",   "copying", "into",
      "target",   "folder",    "with",    "shortcuts",  "on",       "desktop", "menu",    "when",
      "finished", "log",       "records", "what",       "was",      "done",    "by",      "job"};
  constexpr size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);
  Lcg rng(seed);
  std::string out;
  out.reserve(size + 16);
  size_t sentence = 0;
  while (out.size() < size) {
    std::string word = kWords[(rng.Next() >> 16) % kWordCount];
    if (sentence == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
    out += word;
    if (++sentence > 6 + (rng.Next() >> 28)) {
      out += (rng.Next() >> 30) == 0 ? ".\r\n" : ". ";
      sentence = 0;
    } else {
      out += ' ';
    }
  }
  out.resize(size);
  return std::vector<uint8_t>(out.begin(), out.end());
}

// Table-like records: counters, small values, flags and zero padding, the
// way executables and databases look to a compressor.
inline std::vector<uint8_t> Binary(size_t size, uint32_t seed = 2) {
  Lcg rng(seed);
  std::vector<uint8_t> out;
  out.reserve(size + 32);
  uint32_t counter = 0x00401000;
  while (out.size() < size) {
    uint8_t record[32] = {};
    counter += 4 + ((rng.Next() >> 28) & 7) * 4;
    std::memcpy(record, &counter, 4);
    record[4] = static_cast<uint8_t>(rng.Next() >> 29);
    record[6] = 0x8B;
    record[7] = static_cast<uint8_t>(0x40 + (rng.Next() >> 29));
    const uint16_t value = static_cast<uint16_t>(rng.Next() >> 22);
    std::memcpy(record + 8, &value, 2);
    if ((rng.Next() >> 30) == 0) std::memset(record + 16, 0xCC, 8);
    out.insert(out.end(), record, record + sizeof(record));
  }
  out.resize(size);
  return out;
}

inline std::vector<uint8_t> Random(size_t size, uint32_t seed = 3) {
  Lcg rng(seed);
  std::vector<uint8_t> out(size);
  for (auto& b : out) b = rng.NextByte();
  return out;
}

// Text, binary and noise in turn, in 64 KiB runs.
inline std::vector<uint8_t> Mixed(size_t size, uint32_t seed = 4) {
  constexpr size_t kRun = 65536;
  std::vector<uint8_t> out;
  out.reserve(size);
  for (uint32_t i = 0; out.size() < size; ++i) {
    const size_t n = std::min(kRun, size - out.size());
    std::vector<uint8_t> part = i % 3 == 0   ? Text(n, seed + i)
                                : i % 3 == 1 ? Binary(n, seed + i)
                                             : Random(n, seed + i);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

}  // namespace fixtures
}  // namespace vor
