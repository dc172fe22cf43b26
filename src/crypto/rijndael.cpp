// TCipher_Rijndael: key setup into both schedule areas and the block calls.

#include "crypto/rijndael.h"

#include "crypto/rijndael_core.h"

namespace vor {

std::shared_ptr<TCipher> TCipher_Rijndael::Create(const std::string& key_string,
                                                  std::shared_ptr<TProtection> protection) {
  return std::make_shared<TCipher_Rijndael>(key_string, std::move(protection));
}

TCipher_Rijndael::TCipher_Rijndael(const std::string& key_string,
                                   std::shared_ptr<TProtection> protection)
    : TCipher(QuerySizes(), std::move(protection)) {
  InitFromKeyString(key_string);
}

std::string TCipher_Rijndael::KnownAnswer() const {
  static const uint8_t kAnswer[32] = {0x7d, 0xb8, 0xca, 0x4e, 0xbc, 0x15, 0x55, 0xcd,
                                      0x9b, 0x4e, 0x8c, 0x32, 0x1b, 0x57, 0x22, 0x99,
                                      0x69, 0xc4, 0xe0, 0xd8, 0x6a, 0x7b, 0x04, 0x30,
                                      0xd8, 0xcd, 0xb7, 0x80, 0x70, 0xb4, 0xc5, 0x5a};
  return std::string(reinterpret_cast<const char*>(kAnswer), sizeof(kAnswer));
}

void TCipher_Rijndael::Init(const void* key, int32_t size, const void* vector) {
  size = PrepareInit(size);
  round_count_ = rijndael::ExpandKey(static_cast<const uint8_t*>(key), key != nullptr ? size : 0,
                                     MutableSchedule());
  FinishInit(vector);
}

void TCipher_Rijndael::EncipherBlock(uint8_t* block) {
  rijndael::EncipherBlocks(Schedule(), round_count_, block, 1);
}

void TCipher_Rijndael::DecipherBlock(uint8_t* block) {
  rijndael::DecipherBlocks(Schedule(), round_count_, block, 1);
}

void TCipher_Rijndael::EncipherBlocks(uint8_t* blocks, size_t count) {
  rijndael::EncipherBlocks(Schedule(), round_count_, blocks, count);
}

void TCipher_Rijndael::DecipherBlocks(uint8_t* blocks, size_t count) {
  rijndael::DecipherBlocks(Schedule(), round_count_, blocks, count);
}

}  // namespace vor
