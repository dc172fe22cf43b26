// THash_MD4: MD4 (RFC 1320) and the buffering, padding and length field
// that THash_RipeMD256 shares.

#include <cstring>

#include "common/coding.h"
#include "crypto/hash.h"

namespace vor {

namespace {

constexpr uint32_t kMD4Start[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0,
                                    0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567, 0x3C2D1E0F};

inline uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

std::shared_ptr<THash> THash_MD4::Create(std::shared_ptr<TProtection> protection) {
  return std::make_shared<THash_MD4>(std::move(protection));
}

THash_MD4::THash_MD4(std::shared_ptr<TProtection> protection) : THash(std::move(protection)) {
  std::memset(digest_, 0, sizeof(digest_));
  std::memset(input_block_, 0, sizeof(input_block_));
}

THash_MD4::~THash_MD4() {
  volatile uint8_t* d = digest_;
  for (size_t i = 0; i < sizeof(digest_); ++i) d[i] = 0;
  volatile uint8_t* b = input_block_;
  for (size_t i = 0; i < sizeof(input_block_); ++i) b[i] = 0;
}

std::string THash_MD4::KnownAnswer() const {
  static const uint8_t kAbc[16] = {0xa4, 0x48, 0x01, 0x7a, 0xaf, 0x21, 0xd8, 0x52,
                                   0x5f, 0xc1, 0x0a, 0xe8, 0x7a, 0xa6, 0x72, 0x9d};
  return std::string(reinterpret_cast<const char*>(kAbc), sizeof(kAbc));
}

void THash_MD4::StartWith(const uint32_t (&words)[kStateWords]) {
  std::memset(input_block_, 0, sizeof(input_block_));
  for (int i = 0; i < kStateWords; ++i) EncodeFixed32(digest_ + 4 * i, words[i]);
  byte_count_ = 0;
  GuardDigest(true);
}

void THash_MD4::Start() { StartWith(kMD4Start); }

void THash_MD4::Update(const void* data, int32_t size) {
  if (size <= 0 || data == nullptr) return;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t n = static_cast<uint32_t>(size);
  const uint32_t k = byte_count_ % kBlockSize;
  byte_count_ += n;
  if (k > 0) {
    if (n < kBlockSize - k) {
      std::memcpy(input_block_ + k, p, n);
      return;
    }
    std::memcpy(input_block_ + k, p, kBlockSize - k);
    Compress(input_block_);
    p += kBlockSize - k;
    n -= kBlockSize - k;
  }
  // Whole blocks are compressed straight from the caller's data.
  while (n >= kBlockSize) {
    Compress(p);
    p += kBlockSize;
    n -= kBlockSize;
  }
  if (n > 0) std::memcpy(input_block_, p, n);
}

void THash_MD4::Finish() {
  const uint32_t k = byte_count_ % kBlockSize;
  input_block_[k] = 0x80;
  uint32_t m = k + 1;
  if (m > 56) {
    std::memset(input_block_ + m, 0, kBlockSize - m);
    Compress(input_block_);
    m = 0;
  }
  std::memset(input_block_ + m, 0, kBlockSize - m);
  // The bit length: low word from the 32-bit count, high word 0.
  EncodeFixed32(input_block_ + 56, byte_count_ * 8u);
  EncodeFixed32(input_block_ + 60, 0);
  Compress(input_block_);
  std::memset(input_block_, 0, sizeof(input_block_));
  GuardDigest(false);
}

void THash_MD4::Compress(const uint8_t* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = DecodeFixed32(block + 4 * i);
  uint32_t a = DecodeFixed32(digest_);
  uint32_t b = DecodeFixed32(digest_ + 4);
  uint32_t c = DecodeFixed32(digest_ + 8);
  uint32_t d = DecodeFixed32(digest_ + 12);

  auto f = [](uint32_t x1, uint32_t y, uint32_t z) { return (x1 & y) | (~x1 & z); };
  auto g = [](uint32_t x1, uint32_t y, uint32_t z) { return (x1 & y) | (x1 & z) | (y & z); };
  auto h = [](uint32_t x1, uint32_t y, uint32_t z) { return x1 ^ y ^ z; };

  static const int kR1[4] = {3, 7, 11, 19};
  for (int i = 0; i < 16; ++i) {
    const uint32_t t = Rol(a + f(b, c, d) + x[i], kR1[i % 4]);
    a = d;
    d = c;
    c = b;
    b = t;
  }
  static const int kR2[4] = {3, 5, 9, 13};
  static const int kX2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
  for (int i = 0; i < 16; ++i) {
    const uint32_t t = Rol(a + g(b, c, d) + x[kX2[i]] + 0x5A827999u, kR2[i % 4]);
    a = d;
    d = c;
    c = b;
    b = t;
  }
  static const int kR3[4] = {3, 9, 11, 15};
  static const int kX3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  for (int i = 0; i < 16; ++i) {
    const uint32_t t = Rol(a + h(b, c, d) + x[kX3[i]] + 0x6ED9EBA1u, kR3[i % 4]);
    a = d;
    d = c;
    c = b;
    b = t;
  }

  EncodeFixed32(digest_, DecodeFixed32(digest_) + a);
  EncodeFixed32(digest_ + 4, DecodeFixed32(digest_ + 4) + b);
  EncodeFixed32(digest_ + 8, DecodeFixed32(digest_ + 8) + c);
  EncodeFixed32(digest_ + 12, DecodeFixed32(digest_ + 12) + d);
}

}  // namespace vor
