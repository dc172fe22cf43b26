// THash_RipeMD256: RIPEMD-256 over the framing of THash_MD4.

#include "common/coding.h"
#include "crypto/hash.h"

namespace vor {

namespace {

constexpr uint32_t kRipeMD256Start[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                          0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567,
                                          0x01234567, 0x3C2D1E0F};

// Message word order and rotation amounts of the left and right lines.
constexpr uint8_t kRL[64] = {0, 1,  2,  3,  4,  5,  6,  7, 8,  9, 10, 11, 12, 13, 14, 15,
                             7, 4,  13, 1,  10, 6,  15, 3, 12, 0, 9,  5,  2,  14, 11, 8,
                             3, 10, 14, 4,  9,  15, 8,  1, 2,  7, 0,  6,  13, 11, 5,  12,
                             1, 9,  11, 10, 0,  8,  12, 4, 13, 3, 7,  15, 14, 5,  6,  2};
constexpr uint8_t kRR[64] = {5,  14, 7, 0, 9, 2,  11, 4,  13, 6,  15, 8,  1,  10, 3,  12,
                             6,  11, 3, 7, 0, 13, 5,  10, 14, 15, 8,  12, 4,  9,  1,  2,
                             15, 5,  1, 3, 7, 14, 6,  9,  11, 8,  12, 2,  10, 0,  4,  13,
                             8,  6,  4, 1, 3, 11, 15, 0,  5,  12, 2,  13, 9,  7,  10, 14};
constexpr uint8_t kSL[64] = {11, 14, 15, 12, 5,  8,  7,  9,  11, 13, 14, 15, 6,  7,  9,  8,
                             7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15, 9,  11, 7,  13, 12,
                             11, 13, 6,  7,  14, 9,  13, 15, 14, 8,  13, 6,  5,  12, 7,  5,
                             11, 12, 14, 15, 14, 15, 9,  8,  9,  14, 5,  6,  8,  6,  5,  12};
constexpr uint8_t kSR[64] = {8,  9,  9,  11, 13, 15, 15, 5,  7,  7,  8,  11, 14, 14, 12, 6,
                             9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12, 7,  6,  15, 13, 11,
                             9,  7,  15, 11, 8,  6,  6,  14, 12, 13, 5,  14, 13, 13, 7,  5,
                             15, 5,  8,  11, 14, 14, 6,  14, 6,  9,  12, 9,  12, 5,  15, 8};
constexpr uint32_t kKL[4] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC};
constexpr uint32_t kKR[4] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x00000000};

inline uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// The four boolean functions, selected by round.
inline uint32_t F(int round, uint32_t x, uint32_t y, uint32_t z) {
  switch (round) {
    case 0:
      return x ^ y ^ z;
    case 1:
      return (x & y) | (~x & z);
    case 2:
      return (x | ~y) ^ z;
    default:
      return (x & z) | (y & ~z);
  }
}

}  // namespace

std::shared_ptr<THash> THash_RipeMD256::Create(std::shared_ptr<TProtection> protection) {
  return std::make_shared<THash_RipeMD256>(std::move(protection));
}

THash_RipeMD256::THash_RipeMD256(std::shared_ptr<TProtection> protection)
    : THash_MD4(std::move(protection)) {}

std::string THash_RipeMD256::KnownAnswer() const {
  static const uint8_t kAbc[32] = {0xaf, 0xbd, 0x6e, 0x22, 0x8b, 0x9d, 0x8c, 0xbb, 0xce, 0xf5, 0xca,
                                   0x2d, 0x03, 0xe6, 0xdb, 0xa1, 0x0a, 0xc0, 0xbc, 0x7d, 0xcb, 0xe4,
                                   0x68, 0x0e, 0x1e, 0x42, 0xd2, 0xe9, 0x75, 0x45, 0x9b, 0x65};
  return std::string(reinterpret_cast<const char*>(kAbc), sizeof(kAbc));
}

void THash_RipeMD256::Start() { StartWith(kRipeMD256Start); }

void THash_RipeMD256::Compress(const uint8_t* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = DecodeFixed32(block + 4 * i);
  uint32_t h[8];
  for (int i = 0; i < 8; ++i) h[i] = DecodeFixed32(digest_ + 4 * i);

  uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
  uint32_t aa = h[4], bb = h[5], cc = h[6], dd = h[7];
  for (int round = 0; round < 4; ++round) {
    for (int i = 16 * round; i < 16 * round + 16; ++i) {
      uint32_t t = Rol(a + F(round, b, c, d) + x[kRL[i]] + kKL[round], kSL[i]);
      a = d;
      d = c;
      c = b;
      b = t;
      t = Rol(aa + F(3 - round, bb, cc, dd) + x[kRR[i]] + kKR[round], kSR[i]);
      aa = dd;
      dd = cc;
      cc = bb;
      bb = t;
    }
    // After each round one register moves between the lines.
    uint32_t* left[4] = {&a, &b, &c, &d};
    uint32_t* right[4] = {&aa, &bb, &cc, &dd};
    const uint32_t swap = *left[round];
    *left[round] = *right[round];
    *right[round] = swap;
  }

  const uint32_t out[8] = {a, b, c, d, aa, bb, cc, dd};
  for (int i = 0; i < 8; ++i) EncodeFixed32(digest_ + 4 * i, h[i] + out[i]);
}

}  // namespace vor
