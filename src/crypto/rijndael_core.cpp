// Table-driven Rijndael rounds and the container's key expansion.
//
// The tables are computed from the field GF(2^8) with the polynomial
// x^8 + x^4 + x^3 + x + 1, once, at their first use: some ten thousand
// bytes the programs' files need not carry, for a few microseconds. Words hold row 0 of a column in
// their low byte, matching the little-endian load of a block's column.

#include "crypto/rijndael_core.h"

#include <array>
#include <cstring>

#include "common/coding.h"

namespace vor::rijndael {
namespace {

constexpr uint8_t XTime(uint8_t x) {
  return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
}

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  while (b != 0) {
    if (b & 1) product ^= a;
    a = XTime(a);
    b >>= 1;
  }
  return product;
}

constexpr uint8_t RotateByte(uint8_t x, int n) {
  return static_cast<uint8_t>((x << n) | (x >> (8 - n)));
}

constexpr uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// Packs the bytes of one column, row 0 in the low byte.
constexpr uint32_t Column(uint8_t r0, uint8_t r1, uint8_t r2, uint8_t r3) {
  return static_cast<uint32_t>(r0) | (static_cast<uint32_t>(r1) << 8) |
         (static_cast<uint32_t>(r2) << 16) | (static_cast<uint32_t>(r3) << 24);
}

struct Tables {
  uint8_t sbox[256];
  uint8_t inv_sbox[256];
  uint32_t te[4][256];  // S-box combined with MixColumns, four rotations
  uint32_t td[4][256];  // inverse S-box combined with InvMixColumns
  uint32_t imc[256];    // InvMixColumns of one byte in row 0
  uint8_t rcon[30];     // x^j in the field
};

void MakeTables(Tables& t) {
  // Powers and logarithms of the generator 3 give the multiplicative inverse.
  uint8_t power[256] = {};
  uint8_t log[256] = {};
  uint8_t x = 1;
  for (int i = 0; i < 255; ++i) {
    power[i] = x;
    log[x] = static_cast<uint8_t>(i);
    x = Multiply(x, 3);
  }
  for (int i = 0; i < 256; ++i) {
    uint8_t inverse = (i == 0) ? 0 : power[(255 - log[i]) % 255];
    uint8_t s = static_cast<uint8_t>(inverse ^ RotateByte(inverse, 1) ^ RotateByte(inverse, 2) ^
                                     RotateByte(inverse, 3) ^ RotateByte(inverse, 4) ^ 0x63);
    t.sbox[i] = s;
    t.inv_sbox[s] = static_cast<uint8_t>(i);
  }
  for (int i = 0; i < 256; ++i) {
    uint8_t s = t.sbox[i];
    uint32_t e = Column(Multiply(s, 2), s, s, Multiply(s, 3));
    uint8_t v = t.inv_sbox[i];
    uint32_t d = Column(Multiply(v, 14), Multiply(v, 9), Multiply(v, 13), Multiply(v, 11));
    uint8_t b = static_cast<uint8_t>(i);
    t.imc[i] = Column(Multiply(b, 14), Multiply(b, 9), Multiply(b, 13), Multiply(b, 11));
    t.te[0][i] = e;
    t.td[0][i] = d;
    for (int r = 1; r < 4; ++r) {
      t.te[r][i] = Rotl(e, 8 * r);
      t.td[r][i] = Rotl(d, 8 * r);
    }
  }
  uint8_t c = 1;
  for (int j = 0; j < 30; ++j) {
    t.rcon[j] = c;
    c = XTime(c);
  }
}

// The tables are filled in place, in storage the program starts with zeroed
// (a table returned by value the compiler would compute itself and store in
// the program). The initialisation of a function's static object is
// thread-safe: the first ciphers may start on several threads at once.
const Tables& TheTables() {
  static Tables tables;
  static const bool made = (MakeTables(tables), true);
  static_cast<void>(made);
  return tables;
}

inline uint32_t Load(const uint8_t* p) { return DecodeFixed32(p); }

inline uint32_t SubWord(uint32_t w) {
  const uint8_t* s = TheTables().sbox;
  return Column(s[w & 0xFF], s[(w >> 8) & 0xFF], s[(w >> 16) & 0xFF], s[w >> 24]);
}

// RotWord moves the first byte of a word to its end.
inline uint32_t RotWord(uint32_t w) { return (w >> 8) | (w << 24); }

inline uint32_t InvMixColumn(uint32_t w) {
  const uint32_t* m = TheTables().imc;
  return m[w & 0xFF] ^ Rotl(m[(w >> 8) & 0xFF], 8) ^ Rotl(m[(w >> 16) & 0xFF], 16) ^
         Rotl(m[w >> 24], 24);
}

inline uint8_t Byte(uint32_t w, int row) { return static_cast<uint8_t>(w >> (8 * row)); }

}  // namespace

int ExpandKey(const uint8_t* key, int size, uint8_t* schedule) {
  if (size < 0) size = 0;
  if (size > kMaxKeySize) size = kMaxKeySize;
  const int rounds = size <= 16 ? 10 : (size <= 24 ? 12 : 14);
  const int nk = rounds - 6;
  const int total = 4 * rounds + 4;

  uint8_t key_bytes[kMaxKeySize] = {};
  if (size > 0) std::memcpy(key_bytes, key, static_cast<size_t>(size));
  uint32_t k[8];
  for (int i = 0; i < 8; ++i) k[i] = Load(key_bytes + 4 * i);

  std::memset(schedule, 0, kScheduleSize);
  // Appends the working key's words from word `out` on; the next free word.
  auto emit = [&](int out) {
    for (int i = 0; i < nk && out < total; ++i, ++out) EncodeFixed32(schedule + 4 * out, k[i]);
    return out;
  };
  int out = emit(0);
  for (int j = 0; out < total; ++j) {
    k[0] ^= SubWord(RotWord(k[nk - 1])) ^ TheTables().rcon[j];
    if (nk != 8) {
      for (int i = 1; i < nk; ++i) k[i] ^= k[i - 1];
    } else {
      // The 14-round form chains all eight words first and then applies
      // SubWord of word 3 to word 4; containers are written this way.
      for (int i = 1; i < 8; ++i) k[i] ^= k[i - 1];
      k[4] ^= SubWord(k[3]);
      for (int i = 5; i < 8; ++i) k[i] ^= k[i - 1];
    }
    out = emit(out);
  }

  // Decryption area: the encryption keys, inner round keys through
  // InvMixColumns (the equivalent inverse cipher).
  uint8_t* dec = schedule + kAreaSize;
  std::memcpy(dec, schedule, kAreaSize);
  for (int i = 4; i < 4 * rounds; ++i) EncodeFixed32(dec + 4 * i, InvMixColumn(Load(dec + 4 * i)));

  std::memset(key_bytes, 0, sizeof(key_bytes));
  for (uint32_t& w : k) w = 0;
  // Keep the clearing of the working key from being dropped as dead stores.
  asm volatile("" : : "r"(key_bytes), "r"(k) : "memory");
  return rounds;
}

void EncipherBlockTable(const uint8_t* schedule, int rounds, uint8_t* block) {
  const uint32_t(&te)[4][256] = TheTables().te;
  const uint8_t* rk = schedule;
  uint32_t s0 = Load(block) ^ Load(rk);
  uint32_t s1 = Load(block + 4) ^ Load(rk + 4);
  uint32_t s2 = Load(block + 8) ^ Load(rk + 8);
  uint32_t s3 = Load(block + 12) ^ Load(rk + 12);
  for (int r = 1; r < rounds; ++r) {
    rk += 16;
    uint32_t t0 = te[0][Byte(s0, 0)] ^ te[1][Byte(s1, 1)] ^ te[2][Byte(s2, 2)] ^
                  te[3][Byte(s3, 3)] ^ Load(rk);
    uint32_t t1 = te[0][Byte(s1, 0)] ^ te[1][Byte(s2, 1)] ^ te[2][Byte(s3, 2)] ^
                  te[3][Byte(s0, 3)] ^ Load(rk + 4);
    uint32_t t2 = te[0][Byte(s2, 0)] ^ te[1][Byte(s3, 1)] ^ te[2][Byte(s0, 2)] ^
                  te[3][Byte(s1, 3)] ^ Load(rk + 8);
    uint32_t t3 = te[0][Byte(s3, 0)] ^ te[1][Byte(s0, 1)] ^ te[2][Byte(s1, 2)] ^
                  te[3][Byte(s2, 3)] ^ Load(rk + 12);
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  rk += 16;
  const uint8_t* s = TheTables().sbox;
  EncodeFixed32(block,
                Column(s[Byte(s0, 0)], s[Byte(s1, 1)], s[Byte(s2, 2)], s[Byte(s3, 3)]) ^ Load(rk));
  EncodeFixed32(block + 4, Column(s[Byte(s1, 0)], s[Byte(s2, 1)], s[Byte(s3, 2)], s[Byte(s0, 3)]) ^
                               Load(rk + 4));
  EncodeFixed32(block + 8, Column(s[Byte(s2, 0)], s[Byte(s3, 1)], s[Byte(s0, 2)], s[Byte(s1, 3)]) ^
                               Load(rk + 8));
  EncodeFixed32(block + 12, Column(s[Byte(s3, 0)], s[Byte(s0, 1)], s[Byte(s1, 2)], s[Byte(s2, 3)]) ^
                                Load(rk + 12));
}

void DecipherBlockTable(const uint8_t* schedule, int rounds, uint8_t* block) {
  const uint32_t(&td)[4][256] = TheTables().td;
  const uint8_t* rk = schedule + kAreaSize + 16 * rounds;
  uint32_t s0 = Load(block) ^ Load(rk);
  uint32_t s1 = Load(block + 4) ^ Load(rk + 4);
  uint32_t s2 = Load(block + 8) ^ Load(rk + 8);
  uint32_t s3 = Load(block + 12) ^ Load(rk + 12);
  for (int r = rounds - 1; r > 0; --r) {
    rk -= 16;
    uint32_t t0 = td[0][Byte(s0, 0)] ^ td[1][Byte(s3, 1)] ^ td[2][Byte(s2, 2)] ^
                  td[3][Byte(s1, 3)] ^ Load(rk);
    uint32_t t1 = td[0][Byte(s1, 0)] ^ td[1][Byte(s0, 1)] ^ td[2][Byte(s3, 2)] ^
                  td[3][Byte(s2, 3)] ^ Load(rk + 4);
    uint32_t t2 = td[0][Byte(s2, 0)] ^ td[1][Byte(s1, 1)] ^ td[2][Byte(s0, 2)] ^
                  td[3][Byte(s3, 3)] ^ Load(rk + 8);
    uint32_t t3 = td[0][Byte(s3, 0)] ^ td[1][Byte(s2, 1)] ^ td[2][Byte(s1, 2)] ^
                  td[3][Byte(s0, 3)] ^ Load(rk + 12);
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  rk -= 16;
  const uint8_t* v = TheTables().inv_sbox;
  EncodeFixed32(block,
                Column(v[Byte(s0, 0)], v[Byte(s3, 1)], v[Byte(s2, 2)], v[Byte(s1, 3)]) ^ Load(rk));
  EncodeFixed32(block + 4, Column(v[Byte(s1, 0)], v[Byte(s0, 1)], v[Byte(s3, 2)], v[Byte(s2, 3)]) ^
                               Load(rk + 4));
  EncodeFixed32(block + 8, Column(v[Byte(s2, 0)], v[Byte(s1, 1)], v[Byte(s0, 2)], v[Byte(s3, 3)]) ^
                               Load(rk + 8));
  EncodeFixed32(block + 12, Column(v[Byte(s3, 0)], v[Byte(s2, 1)], v[Byte(s1, 2)], v[Byte(s0, 3)]) ^
                                Load(rk + 12));
}

void EncipherBlocks(const uint8_t* schedule, int rounds, uint8_t* blocks, size_t count) {
  static const bool hardware = HardwareAesAvailable();
  if (hardware) {
    EncipherBlocksHardware(schedule, rounds, blocks, count);
    return;
  }
  for (size_t i = 0; i < count; ++i) EncipherBlockTable(schedule, rounds, blocks + 16 * i);
}

void DecipherBlocks(const uint8_t* schedule, int rounds, uint8_t* blocks, size_t count) {
  static const bool hardware = HardwareAesAvailable();
  if (hardware) {
    DecipherBlocksHardware(schedule, rounds, blocks, count);
    return;
  }
  for (size_t i = 0; i < count; ++i) DecipherBlockTable(schedule, rounds, blocks + 16 * i);
}

}  // namespace vor::rijndael
