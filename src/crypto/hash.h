// The hash classes of the protection framework.
//
// THash is the abstract base: Start, Update (any number of times), Finish
// leave the digest of the concatenated data at Digest(), readable until the
// next Start. THash_MD4 is MD4; THash_RipeMD256 is RIPEMD-256 and shares
// MD4's buffering, padding and length field. The ciphers turn key strings
// into keys with the process-wide DefaultHashClass (RIPEMD-256).
//
// Start and Finish call GuardDigest: an inner TMAC keys the digest when
// starting and post-processes it when finishing; any other inner
// protection scrambles the finished digest (a hash protected by a cipher
// delivers an enciphered digest).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "crypto/protection.h"

namespace vor {

class THash;

// A hash class: makes a new object of the class with the given inner
// protection. Two objects are of the same class when their HashClass()
// compare equal.
using THashClass = std::shared_ptr<THash> (*)(std::shared_ptr<TProtection> protection);

class THash : public TProtection {
 public:
  explicit THash(std::shared_ptr<TProtection> protection = nullptr);

  const char* ClassName() const override { return "THash"; }

  // The pass: StartPass runs Start (and for ActWipe scrambles the digest
  // with TimeSeed); FinishPass runs Finish for ActCalculate, Start for any
  // other action. ProcessChunk absorbs the data (ActCalculate), overwrites
  // it piece by piece with digests (ActScramble, ActWipe) or XORs it with a
  // key stream drawn from the hash chain (ActEncipher, ActDecipher).
  void StartPass(ProtectionAction action) override;
  void FinishPass(ProtectionAction action) override;
  void ProcessChunk(void* buffer, int32_t size, ProtectionAction action) override;

  // The class of this object.
  virtual THashClass HashClass() const = 0;
  // The digest of "abc" under this class (empty in the base).
  virtual std::string KnownAnswer() const { return std::string(); }
  // Begins a new digest.
  virtual void Start() { GuardDigest(true); }
  // Absorbs size bytes; size <= 0 does nothing.
  virtual void Update(const void* data, int32_t size) {
    (void)data;
    (void)size;
  }
  // Pads, compresses the rest and leaves the digest at Digest().
  virtual void Finish() { GuardDigest(false); }
  // The DigestSize() digest bytes (writable: a MAC keys them in place).
  virtual uint8_t* Digest() { return nullptr; }
  virtual int32_t DigestSize() const { return 0; }

  // The digest bytes as a string.
  std::string DigestString() {
    return std::string(reinterpret_cast<const char*>(Digest()), static_cast<size_t>(DigestSize()));
  }

 protected:
  // Applies the inner protection to the digest (see the file comment).
  void GuardDigest(bool starting);
};

// MD4 (RFC 1320) with a ten-word chaining state, the first four used.
class THash_MD4 : public THash {
 public:
  static std::shared_ptr<THash> Create(std::shared_ptr<TProtection> protection = nullptr);

  explicit THash_MD4(std::shared_ptr<TProtection> protection = nullptr);
  // Zero-fills the digest.
  ~THash_MD4() override;

  const char* ClassName() const override { return "THash_MD4"; }
  THashClass HashClass() const override { return &THash_MD4::Create; }
  std::string KnownAnswer() const override;
  void Start() override;
  void Update(const void* data, int32_t size) override;
  void Finish() override;
  uint8_t* Digest() override { return digest_; }
  int32_t DigestSize() const override { return 16; }

  // Bytes absorbed since Start, modulo 2^32.
  uint32_t ByteCount() const { return byte_count_; }

 protected:
  static constexpr int kBlockSize = 64;
  static constexpr int kStateWords = 10;

  // Sets the chaining words, clears the input and the count, then guards.
  void StartWith(const uint32_t (&words)[kStateWords]);
  // Compresses one 64-byte block into the chaining words.
  virtual void Compress(const uint8_t* block);

  // The chaining words, kept as their little-endian bytes so that Digest()
  // is their first DigestSize() bytes.
  uint8_t digest_[kStateWords * 4];

 private:
  uint32_t byte_count_ = 0;
  uint8_t input_block_[kBlockSize];
};

// RIPEMD-256 over MD4's framing; DigestSize() is 32.
class THash_RipeMD256 : public THash_MD4 {
 public:
  static std::shared_ptr<THash> Create(std::shared_ptr<TProtection> protection = nullptr);

  explicit THash_RipeMD256(std::shared_ptr<TProtection> protection = nullptr);

  const char* ClassName() const override { return "THash_RipeMD256"; }
  THashClass HashClass() const override { return &THash_RipeMD256::Create; }
  std::string KnownAnswer() const override;
  void Start() override;
  int32_t DigestSize() const override { return 32; }

 protected:
  void Compress(const uint8_t* block) override;
};

// The process-wide hash class of key derivation: THash_RipeMD256. It is
// fixed; nothing changes it.
THashClass DefaultHashClass();

}  // namespace vor
