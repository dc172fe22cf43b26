// TCipher: key setup, the eight chaining modes, wiping and the pass hooks.

#include "crypto/cipher.h"

#include <algorithm>
#include <cstring>

namespace vor {

namespace {

// Ciphertext saved per batch while whole blocks are deciphered in place.
constexpr size_t kBatchBytes = 256;

// dst ^= src over n bytes, eight at a time where possible.
void XorBytes(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t a;
    uint64_t b;
    std::memcpy(&a, dst + i, 8);
    std::memcpy(&b, src + i, 8);
    a ^= b;
    std::memcpy(dst + i, &a, 8);
  }
  for (; i < n; ++i) dst[i] ^= src[i];
}

}  // namespace

void OverwriteBytes(void* data, size_t size, uint8_t value) {
  if (size == 0) return;
  std::memset(data, value, size);
  // The empty statement claims to read the memory, so the stores stay.
  asm volatile("" : : "r"(data) : "memory");
}

TCipher::TCipher(const TCipherSizes& sizes, std::shared_ptr<TProtection> protection)
    : TProtection(std::move(protection)), key_hash_class_(DefaultHashClass()), sizes_(sizes) {
  if (sizes.block_size <= 0 || sizes.block_size > kMaxBlockSize || sizes.max_key_size < 0 ||
      sizes.schedule_size < 0) {
    throw EVorError("TCipher.Create - invalid cipher sizes", ErrorKind::kMisuse);
  }
  const size_t block = static_cast<size_t>(sizes.block_size);
  storage_ = std::make_unique<uint8_t[]>(3 * block + static_cast<size_t>(sizes.schedule_size));
  scratch_ = storage_.get();
  initial_vector_ = scratch_ + block;
  chain_register_ = initial_vector_ + block;
  schedule_ = chain_register_ + block;
  TCipher::WipeState();
}

TCipher::~TCipher() {
  TCipher::WipeState();
  key_hash_.reset();
}

void TCipher::InitFromKeyString(const std::string& key_string) {
  if (!key_string.empty()) InitKey(key_string, nullptr);
}

void TCipher::SetStateFlag(int bit, bool value) {
  if (bit < 0 || bit > 31) return;
  if (value) {
    flags_ |= (1u << bit);
  } else {
    flags_ &= ~(1u << bit);
  }
}

void TCipher::ResetChain() {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  if (std::memcmp(chain_register_, initial_vector_, block) != 0) {
    std::memcpy(chain_register_, initial_vector_, block);
  }
}

void TCipher::WipeState() {
  flags_ = 0;
  const size_t block = static_cast<size_t>(sizes_.block_size);
  const size_t schedule = static_cast<size_t>(sizes_.schedule_size);
  for (uint8_t pattern : {uint8_t{170}, uint8_t{85}}) {
    OverwriteBytes(initial_vector_, block, pattern);
    OverwriteBytes(chain_register_, block, pattern);
    OverwriteBytes(scratch_, block, pattern);
    OverwriteBytes(schedule_, schedule, pattern);
  }
  OverwriteBytes(initial_vector_, block, 0xFF);
  OverwriteBytes(chain_register_, block, 0xFF);
  OverwriteBytes(scratch_, block, 0x00);
  OverwriteBytes(schedule_, schedule, 0x00);
}

int32_t TCipher::PrepareInit(int32_t size) {
  SetStateFlag(kFlagInitialized, false);
  WipeState();
  return std::clamp(size, 0, sizes_.max_key_size);
}

void TCipher::FinishInit(const void* vector) {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  if (vector != nullptr) {
    std::memcpy(initial_vector_, vector, block);
  } else {
    EncipherBlock(initial_vector_);
  }
  std::memcpy(chain_register_, initial_vector_, block);
  SetStateFlag(kFlagInitialized, true);
}

const std::shared_ptr<THash>& TCipher::KeyHash() {
  if (!IsLiveObject<THash>(key_hash_.get())) {
    THashClass hash_class = key_hash_class_ != nullptr ? key_hash_class_ : DefaultHashClass();
    key_hash_ = hash_class(nullptr);
  }
  return key_hash_;
}

void TCipher::InitKey(const std::string& key_string, const void* vector) {
  THash& hash = *KeyHash();
  hash.Start();
  // Absorbed in pieces that fit the hash's 32-bit size argument.
  constexpr size_t kPiece = size_t{1} << 30;
  for (size_t pos = 0; pos < key_string.size(); pos += kPiece) {
    hash.Update(key_string.data() + pos,
                static_cast<int32_t>(std::min(kPiece, key_string.size() - pos)));
  }
  hash.Finish();
  const int32_t n = std::min(hash.DigestSize(), sizes_.max_key_size);
  Init(hash.Digest(), n, vector);
  // The digest kept in the hash object must not stay equal to the key.
  EncipherBuffer(hash.Digest(), hash.Digest(), hash.DigestSize());
  ResetChain();
}

void TCipher::CheckInitialized() const {
  if (!Initialized()) {
    throw ECipherException(
        std::string(ClassName()) + " is not initialized call Init() or InitKey() before.",
        kCipherNotInitialized);
  }
}

void TCipher::EncipherBlocks(uint8_t* blocks, size_t count) {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  for (size_t i = 0; i < count; ++i) EncipherBlock(blocks + i * block);
}

void TCipher::DecipherBlocks(uint8_t* blocks, size_t count) {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  for (size_t i = 0; i < count; ++i) DecipherBlock(blocks + i * block);
}

void TCipher::EncipherBuffer(const void* source, void* destination, int32_t size) {
  CheckInitialized();
  if (size <= 0) return;
  const size_t n = static_cast<size_t>(size);
  const uint8_t* src = static_cast<const uint8_t*>(source);
  if (chain_mode_ >= ModeFeedbackXorMac) {
    ComputeMac(src, n);
    return;
  }
  uint8_t* dst = static_cast<uint8_t*>(destination);
  // Work in place on the destination; memmove copes with any overlap.
  if (dst != src) std::memmove(dst, src, n);
  EncipherInPlace(dst, n);
}

void TCipher::DecipherBuffer(const void* source, void* destination, int32_t size) {
  CheckInitialized();
  if (size <= 0) return;
  const size_t n = static_cast<size_t>(size);
  const uint8_t* src = static_cast<const uint8_t*>(source);
  if (chain_mode_ >= ModeFeedbackXorMac) {
    ComputeMac(src, n);
    return;
  }
  uint8_t* dst = static_cast<uint8_t*>(destination);
  if (dst != src) std::memmove(dst, src, n);
  DecipherInPlace(dst, n);
}

void TCipher::FeedbackTail(uint8_t* data, size_t n) {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  std::memcpy(scratch_, chain_register_, block);
  EncipherBlock(scratch_);
  if (data != nullptr) XorBytes(data, scratch_, n);
  XorBytes(chain_register_, scratch_, block);
}

uint8_t TCipher::NextByteKey() {
  std::memcpy(scratch_, chain_register_, static_cast<size_t>(sizes_.block_size));
  EncipherBlock(scratch_);
  return scratch_[0];
}

void TCipher::ShiftIn(uint8_t value) {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  std::memmove(chain_register_, chain_register_ + 1, block - 1);
  chain_register_[block - 1] = value;
}

void TCipher::EncipherInPlace(uint8_t* data, size_t size) {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  const size_t whole = size - size % block;
  uint8_t* f = chain_register_;
  switch (chain_mode_) {
    case ModeFeedbackXor:
    case ModeCBC:
      for (size_t pos = 0; pos < whole; pos += block) {
        uint8_t* p = data + pos;
        XorBytes(p, f, block);
        EncipherBlock(p);
        if (chain_mode_ == ModeFeedbackXor) {
          XorBytes(f, p, block);
        } else {
          std::memcpy(f, p, block);
        }
      }
      if (whole < size) FeedbackTail(data + whole, size - whole);
      break;
    case ModeCFB8:
      for (size_t i = 0; i < size; ++i) {
        data[i] ^= NextByteKey();
        ShiftIn(data[i]);
      }
      break;
    case ModeOFB8:
      for (size_t i = 0; i < size; ++i) {
        const uint8_t k = NextByteKey();
        data[i] ^= k;
        ShiftIn(k);
      }
      break;
    case ModeECB:
      EncipherBlocks(data, whole / block);
      // A final partial block is XORed with E(F) as in mode 0, so that
      // deciphering it with the same register restores it.
      if (whole < size) FeedbackTail(data + whole, size - whole);
      break;
    default:
      break;
  }
}

void TCipher::DecipherInPlace(uint8_t* data, size_t size) {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  const size_t whole = size - size % block;
  uint8_t* f = chain_register_;
  switch (chain_mode_) {
    case ModeFeedbackXor:
    case ModeCBC: {
      // Blocks are deciphered in batches; the ciphertext of a batch is kept
      // to drive the register afterwards.
      uint8_t saved[kBatchBytes];
      const size_t batch_blocks = std::max<size_t>(1, kBatchBytes / block);
      for (size_t pos = 0; pos < whole;) {
        const size_t count = std::min(batch_blocks, (whole - pos) / block);
        uint8_t* p = data + pos;
        std::memcpy(saved, p, count * block);
        DecipherBlocks(p, count);
        for (size_t i = 0; i < count; ++i) {
          XorBytes(p + i * block, f, block);
          if (chain_mode_ == ModeFeedbackXor) {
            XorBytes(f, saved + i * block, block);
          } else {
            std::memcpy(f, saved + i * block, block);
          }
        }
        pos += count * block;
      }
      if (whole < size) FeedbackTail(data + whole, size - whole);
      break;
    }
    case ModeCFB8:
      for (size_t i = 0; i < size; ++i) {
        const uint8_t c = data[i];
        data[i] ^= NextByteKey();
        ShiftIn(c);
      }
      break;
    case ModeOFB8:
      EncipherInPlace(data, size);
      break;
    case ModeECB:
      DecipherBlocks(data, whole / block);
      if (whole < size) FeedbackTail(data + whole, size - whole);
      break;
    default:
      break;
  }
}

void TCipher::ComputeMac(const uint8_t* data, size_t size) {
  const size_t block = static_cast<size_t>(sizes_.block_size);
  const size_t whole = size - size % block;
  uint8_t* f = chain_register_;
  switch (chain_mode_) {
    case ModeFeedbackXorMac:
    case ModeCBCMac:
      for (size_t pos = 0; pos < whole; pos += block) {
        std::memcpy(scratch_, data + pos, block);
        XorBytes(scratch_, f, block);
        EncipherBlock(scratch_);
        if (chain_mode_ == ModeFeedbackXorMac) {
          XorBytes(f, scratch_, block);
        } else {
          std::memcpy(f, scratch_, block);
        }
      }
      // The remaining input bytes do not enter the value.
      if (whole < size) FeedbackTail(nullptr, size - whole);
      break;
    case ModeCFB8Mac:
      for (size_t i = 0; i < size; ++i) ShiftIn(static_cast<uint8_t>(data[i] ^ NextByteKey()));
      break;
    default:
      break;
  }
}

void TCipher::PassStep(ProtectionAction action) {
  if (action == ActCalculate) return;
  if (action == ActWipe) {
    ScrambleWithSeed(TimeSeed(), chain_register_, sizes_.block_size);
  } else {
    ResetChain();
  }
}

void TCipher::StartPass(ProtectionAction action) {
  CheckInitialized();
  PassStep(action);
  if (Protection() != nullptr) Protection()->StartPass(action);
}

void TCipher::FinishPass(ProtectionAction action) {
  if (Protection() != nullptr) Protection()->FinishPass(action);
  PassStep(action);
}

void TCipher::ProcessChunk(void* buffer, int32_t size, ProtectionAction action) {
  if (buffer == nullptr) size = 0;
  if (action == ActDecipher) {
    if (HasAction(action)) DecipherBuffer(buffer, buffer, size);
    if (Protection() != nullptr) Protection()->ProcessChunk(buffer, size, action);
    return;
  }
  if (Protection() != nullptr) Protection()->ProcessChunk(buffer, size, action);
  if (HasAction(action)) EncipherBuffer(buffer, buffer, size);
}

}  // namespace vor
