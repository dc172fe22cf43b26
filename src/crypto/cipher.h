// TCipher: the base of the block ciphers of the protection framework.
//
// A cipher is keyed from raw bytes (Init, filled in by the concrete class)
// or from a key string (InitKey: the string's bytes are hashed with the
// process-wide DefaultHashClass and the digest is the key). EncipherBuffer
// and DecipherBuffer run one of eight chaining modes over a byte range; the
// feedback register ChainRegister starts at InitialVector and moves with
// every call until ResetChain. Key material is overwritten (bytes 170, 85,
// then 0xFF or 0) whenever the state is wiped and when the object goes.
//
// A cipher that has no key refuses to work with ECipherException, failure
// code kCipherNotInitialized (3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/error.h"
#include "crypto/hash.h"
#include "crypto/protection.h"

namespace vor {

// The chaining modes (one byte). Modes 5 to 7 only compute a value in
// ChainRegister and never write the destination.
enum TCipherMode : uint8_t {
  ModeFeedbackXor = 0,
  ModeCBC = 1,
  ModeCFB8 = 2,
  ModeOFB8 = 3,
  ModeECB = 4,
  ModeFeedbackXorMac = 5,
  ModeCBCMac = 6,
  ModeCFB8Mac = 7,
};

// Failure code of a cipher used before it was keyed.
constexpr int32_t kCipherNotInitialized = 3;

class ECipherException : public EVorError {
 public:
  // The one failure code (kCipherNotInitialized) is a cipher used before it
  // was keyed: a broken contract.
  ECipherException(const std::string& message, int32_t failure_code)
      : EVorError(message, ErrorKind::kMisuse), failure_code_(failure_code) {}
  int32_t FailureCode() const { return failure_code_; }

 private:
  int32_t failure_code_;
};

// What a concrete cipher class answers to QuerySizes.
struct TCipherSizes {
  int32_t block_size = 0;
  int32_t max_key_size = 0;
  int32_t schedule_size = 0;
};

class TCipher : public TProtection {
 public:
  // Bit of the state flags that is set while the cipher holds a key.
  static constexpr int kFlagInitialized = 1;
  // Largest block a cipher class may declare.
  static constexpr int32_t kMaxBlockSize = 64;

  // Wipes all buffers before releasing them.
  ~TCipher() override;

  const char* ClassName() const override { return "TCipher"; }

  // The pass hooks (chain order of TProtection). StartPass refuses an
  // uninitialized cipher; for ActWipe the register is scrambled from
  // TimeSeed, for ActCalculate nothing happens, otherwise ResetChain.
  // FinishPass repeats that per-action step without the check.
  // ProcessChunk deciphers for ActDecipher and enciphers for the others.
  void StartPass(ProtectionAction action) override;
  void FinishPass(ProtectionAction action) override;
  void ProcessChunk(void* buffer, int32_t size, ProtectionAction action) override;

  // Sets or clears one bit of the state flags.
  virtual void SetStateFlag(int bit, bool value);
  // A fixed 32-byte vector of the class (empty in the base).
  virtual std::string KnownAnswer() const { return std::string(); }
  // One block in place; the base does nothing.
  virtual void EncipherBlock(uint8_t* block) { (void)block; }
  virtual void DecipherBlock(uint8_t* block) { (void)block; }
  // Keys the cipher from size raw bytes and an optional vector of
  // BlockSize() bytes (null: the vector is the encipherment of 0xFF bytes).
  // Concrete classes call PrepareInit first and FinishInit last.
  virtual void Init(const void* key, int32_t size, const void* vector) {
    (void)key;
    (void)size;
    (void)vector;
  }
  // Sets ChainRegister back to InitialVector.
  virtual void ResetChain();
  // Clears the flags and overwrites vector, register, scratch block and
  // schedule with 170, then 85, then 0xFF (vector, register) or 0.
  virtual void WipeState();

  // Keys the cipher from the bytes of key_string (zero bytes included):
  // Init with the first min(DigestSize, MaxKeySize) digest bytes, then the
  // digest kept in KeyHash is enciphered in place and the chain reset.
  void InitKey(const std::string& key_string, const void* vector);

  // Run the chaining mode over size bytes from source to destination
  // (which may be the same range). size <= 0 does nothing. Both refuse an
  // uninitialized cipher with ECipherException (kCipherNotInitialized).
  void EncipherBuffer(const void* source, void* destination, int32_t size);
  void DecipherBuffer(const void* source, void* destination, int32_t size);

  TCipherMode ChainMode() const { return chain_mode_; }
  void SetChainMode(TCipherMode mode) { chain_mode_ = mode; }
  bool Initialized() const { return (flags_ & (1u << kFlagInitialized)) != 0; }
  uint32_t Flags() const { return flags_; }

  // The hash object of InitKey, created from KeyHashClass on first use.
  const std::shared_ptr<THash>& KeyHash();
  THashClass KeyHashClass() const { return key_hash_class_; }

  int32_t MaxKeySize() const { return sizes_.max_key_size; }
  int32_t BlockSize() const { return sizes_.block_size; }
  int32_t ScheduleSize() const { return sizes_.schedule_size; }
  const uint8_t* InitialVector() const { return initial_vector_; }
  const uint8_t* ChainRegister() const { return chain_register_; }
  const uint8_t* Schedule() const { return schedule_; }

 protected:
  // sizes are the concrete class's QuerySizes. The object starts wiped and
  // not initialized; a concrete class's constructor ends with
  // InitFromKeyString so that its own Init is the one that runs.
  TCipher(const TCipherSizes& sizes, std::shared_ptr<TProtection> protection);

  // InitKey with key_string when it is not empty (construction).
  void InitFromKeyString(const std::string& key_string);

  // Clears Initialized, wipes the state and returns size clamped to
  // 0..MaxKeySize.
  int32_t PrepareInit(int32_t size);
  // Sets the vector (copied, or the encipherment of the 0xFF bytes left by
  // WipeState), copies it to the register and sets Initialized.
  virtual void FinishInit(const void* vector);

  // Consecutive blocks in place, as EncipherBlock/DecipherBlock on each;
  // a class may process them together.
  virtual void EncipherBlocks(uint8_t* blocks, size_t count);
  virtual void DecipherBlocks(uint8_t* blocks, size_t count);

  uint8_t* MutableSchedule() { return schedule_; }

 private:
  void CheckInitialized() const;
  // The mode's whole blocks and final partial block over data in place.
  void EncipherInPlace(uint8_t* data, size_t size);
  void DecipherInPlace(uint8_t* data, size_t size);
  // Modes 5..7: the register absorbs the data; nothing is written.
  void ComputeMac(const uint8_t* data, size_t size);
  // Final partial block of the feedback modes: K = E(F); data ^= K; F ^= K.
  void FeedbackTail(uint8_t* data, size_t n);
  // Modes 2, 3 and 7: one byte through E(F) and the shift register.
  uint8_t NextByteKey();
  void ShiftIn(uint8_t value);
  // The per-action register step of StartPass and FinishPass.
  void PassStep(ProtectionAction action);

  TCipherMode chain_mode_ = ModeFeedbackXor;
  std::shared_ptr<THash> key_hash_;
  THashClass key_hash_class_;
  TCipherSizes sizes_;
  std::unique_ptr<uint8_t[]> storage_;  // scratch, vector, register, schedule
  uint8_t* scratch_ = nullptr;
  uint8_t* initial_vector_ = nullptr;
  uint8_t* chain_register_ = nullptr;
  uint8_t* schedule_ = nullptr;
  uint32_t flags_ = 0;
};

// Overwrites size bytes with value; the stores are kept even when the
// memory is released right afterwards.
void OverwriteBytes(void* data, size_t size, uint8_t value);

}  // namespace vor
