// TCipher_Rijndael: the container cipher.
//
// The block transformation is the standard AES cipher (16-byte blocks, 10,
// 12 or 14 rounds by key length); the key expansion is the container's own
// for keys longer than 24 bytes (see rijndael_core.h). Containers key it
// through InitKey with a 32-byte digest, so every container uses the
// 14-round form. The rounds use the processor's AES instructions when
// present and the lookup tables otherwise; both give the same bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "crypto/cipher.h"

namespace vor {

class TCipher_Rijndael : public TCipher {
 public:
  // Block 16, largest key 32, schedule 480 (two areas of 60 words).
  static TCipherSizes QuerySizes() { return TCipherSizes{16, 32, 480}; }
  // The class as registered: a new object keyed from key_string.
  static std::shared_ptr<TCipher> Create(const std::string& key_string,
                                         std::shared_ptr<TProtection> protection);

  // An empty key_string leaves the cipher not initialized.
  explicit TCipher_Rijndael(const std::string& key_string = std::string(),
                            std::shared_ptr<TProtection> protection = nullptr);

  const char* ClassName() const override { return "TCipher_Rijndael"; }
  // The 14-round result of the 32-byte example key and block 00 11 .. ff
  // under this class's key expansion, then the 10-round result of the
  // 16-byte example key on the same block.
  std::string KnownAnswer() const override;

  void EncipherBlock(uint8_t* block) override;
  void DecipherBlock(uint8_t* block) override;
  void Init(const void* key, int32_t size, const void* vector) override;

  // 10, 12 or 14: the round count of the last Init.
  int32_t RoundCount() const { return round_count_; }

 protected:
  void EncipherBlocks(uint8_t* blocks, size_t count) override;
  void DecipherBlocks(uint8_t* blocks, size_t count) override;

 private:
  int32_t round_count_ = 0;
};

}  // namespace vor
