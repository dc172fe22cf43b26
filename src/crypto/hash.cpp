// THash: the protection pass of the hash classes and the digest guard.

#include "crypto/hash.h"

#include "crypto/mac.h"

namespace vor {

THash::THash(std::shared_ptr<TProtection> protection) : TProtection(std::move(protection)) {}

void THash::GuardDigest(bool starting) {
  TProtection* inner = Protection().get();
  if (inner == nullptr) return;
  if (TMAC* mac = dynamic_cast<TMAC*>(inner)) {
    if (starting) {
      mac->MacStart(*this);
    } else {
      mac->MacFinish(*this);
    }
  } else if (!starting) {
    inner->ProcessBuffer(Digest(), DigestSize(), ActScramble);
  }
}

void THash::StartPass(ProtectionAction action) {
  Start();
  if (action == ActWipe) ScrambleWithSeed(TimeSeed(), Digest(), DigestSize());
  TProtection::StartPass(action);
}

void THash::FinishPass(ProtectionAction action) {
  TProtection::FinishPass(action);
  if (action == ActCalculate) {
    Finish();
  } else {
    Start();
  }
}

void THash::ProcessChunk(void* buffer, int32_t size, ProtectionAction action) {
  if (action != ActDecipher) TProtection::ProcessChunk(buffer, size, action);
  const int32_t d = DigestSize();
  if (HasAction(action) && buffer != nullptr && size > 0 && d > 0) {
    uint8_t* data = static_cast<uint8_t*>(buffer);
    switch (action) {
      case ActCalculate:
        Update(data, size);
        break;
      case ActScramble:
      case ActWipe:
        // Each piece is replaced by the digest of the chain so far.
        for (int32_t at = 0; at < size; at += d) {
          const int32_t n = size - at < d ? size - at : d;
          Update(data + at, n);
          Finish();
          const uint8_t* digest = Digest();
          for (int32_t i = 0; i < n; ++i) data[at + i] = digest[i];
        }
        break;
      case ActEncipher:
      case ActDecipher:
        // A key stream: each step hashes the previous digest.
        for (int32_t at = 0; at < size; at += d) {
          const int32_t n = size - at < d ? size - at : d;
          Update(Digest(), d);
          Finish();
          const uint8_t* digest = Digest();
          for (int32_t i = 0; i < n; ++i) data[at + i] ^= digest[i];
        }
        break;
    }
  }
  if (action == ActDecipher) TProtection::ProcessChunk(buffer, size, action);
}

THashClass DefaultHashClass() { return &THash_RipeMD256::Create; }

}  // namespace vor
