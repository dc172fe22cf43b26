// TMAC: keyed starting state and post-processing of a hash's digest.

#include "crypto/mac.h"

#include <algorithm>

#include "crypto/hash.h"

namespace vor {

void WipeKeyText(std::string* text) {
  if (text == nullptr || text->empty()) return;
  // Written through a volatile view so that the stores are not dropped.
  volatile char* p = &(*text)[0];
  const size_t n = text->size();
  for (char value : {static_cast<char>(170), static_cast<char>(85), static_cast<char>(0)}) {
    for (size_t i = 0; i < n; ++i) p[i] = value;
  }
}

TMAC::TMAC(std::shared_ptr<TProtection> protection) : TProtection(std::move(protection)) {}

TMAC::~TMAC() { WipeKeyText(&mac_key_); }

void TMAC::SetMacKey(const std::string& key) {
  WipeKeyText(&mac_key_);
  mac_key_ = key;
}

void TMAC::MacStart(THash& hash) {
  if (mac_key_.empty()) return;
  std::string key_digest;
  {
    std::shared_ptr<THash> key_hash = hash.HashClass()(Protection());
    key_hash->Start();
    key_hash->Update(mac_key_.data(), static_cast<int32_t>(mac_key_.size()));
    key_hash->Finish();
    key_digest = key_hash->DigestString();
  }
  uint8_t* digest = hash.Digest();
  const size_t n = std::min(key_digest.size(), static_cast<size_t>(hash.DigestSize()));
  for (size_t i = 0; i < n; ++i) digest[i] ^= static_cast<uint8_t>(key_digest[i]);
  WipeKeyText(&key_digest);
}

void TMAC::MacFinish(THash& hash) {
  if (Protection()) Protection()->ProcessBuffer(hash.Digest(), hash.DigestSize(), ActScramble);
}

}  // namespace vor
