// TMAC: a keyed-hash protection.
//
// Set as the inner protection of a hash, a TMAC keys the hash's starting
// state with the digest of MacKey() (MacStart) and, when it has an inner
// protection of its own, scrambles the finished digest through it
// (MacFinish). The hash classes call these from GuardDigest.
#pragma once

#include <memory>
#include <string>

#include "crypto/protection.h"

namespace vor {

class THash;

class TMAC : public TProtection {
 public:
  explicit TMAC(std::shared_ptr<TProtection> protection = nullptr);
  // Overwrites the key text (bytes 170, 85, 0) before releasing it.
  ~TMAC() override;

  const char* ClassName() const override { return "TMAC"; }

  const std::string& MacKey() const { return mac_key_; }
  // Replaces the key; the old key text is overwritten first.
  void SetMacKey(const std::string& key);

  // With a non-empty key: XORs the hash's digest bytes with the digest of
  // the key bytes, computed by a new object of the hash's class that has
  // this MAC's inner protection.
  virtual void MacStart(THash& hash);
  // With an inner protection: scrambles the hash's digest bytes through it
  // (ProcessBuffer with ActScramble).
  virtual void MacFinish(THash& hash);

 private:
  std::string mac_key_;
};

// Overwrites the bytes of a text holding key material with 170, 85, then 0.
void WipeKeyText(std::string* text);

}  // namespace vor
