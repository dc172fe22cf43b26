// The password record: building it and unlocking it with a password.

#include "crypto/password_record.h"

#include <cstring>

#include "common/coding.h"
#include "common/error.h"
#include "crypto/checksum.h"
#include "crypto/cipher.h"
#include "crypto/mac.h"
#include "crypto/random.h"
#include "crypto/rijndael.h"
#include "platform/time.h"

namespace vor {

namespace {

// Each unlock costs at least this much time, whatever the processor. Only
// the fuzz build, which must try many records a second, drops the delay.
#ifdef VOR_FUZZ_SHORT_UNLOCK
constexpr uint32_t kUnlockMilliseconds = 0;
#else
constexpr uint32_t kUnlockMilliseconds = 256;
#endif

// Enciphers size bytes in place with a fresh cipher keyed from key_string.
void EncipherUnder(const std::string& key_string, uint8_t* data, int32_t size) {
  TCipher_Rijndael cipher(key_string);
  cipher.EncipherBuffer(data, data, size);
}

void DecipherUnder(const std::string& key_string, uint8_t* data, int32_t size) {
  TCipher_Rijndael cipher(key_string);
  cipher.DecipherBuffer(data, data, size);
}

// Milliseconds on the high-resolution counter since `start`.
int64_t CounterMilliseconds(int64_t start) {
  const int64_t frequency = platform::QueryPerformanceFrequency();
  if (frequency <= 0) return INT64_MAX;
  return (platform::QueryPerformanceCounter() - start) * 1000 / frequency;
}

}  // namespace

uint32_t TPasswordRecord::MasterKeyCheck() const { return DecodeFixed32(bytes + kMasterKeyCheck); }

uint32_t TPasswordRecord::PasswordCheck() const { return DecodeFixed32(bytes + kPasswordCheck); }

const std::string& QuestionKey() {
  static const std::string key = "kR7;P!xw#2Lm^9vq%";
  return key;
}

std::string MasterKeyString(const uint8_t* master_key) {
  std::string key(reinterpret_cast<const char*>(master_key), kMasterKeySize);
  key.push_back('\0');
  return key;
}

void BuildPasswordRecord(TPasswordRecord* record, const std::string& password,
                         const std::string& question, const std::string& answer) {
  if (password.size() > static_cast<size_t>(kMaxPasswordLength)) {
    throw EVorError("Password length should be shorter then " + std::to_string(kMaxPasswordLength),
                    ErrorKind::kMisuse);
  }
  if (question.size() > static_cast<size_t>(kMaxQuestionLength)) {
    throw EVorError("Question length should be shorter then " + std::to_string(kMaxQuestionLength),
                    ErrorKind::kMisuse);
  }

  uint8_t master_key[kMasterKeySize];
  DrawKeyBytes(master_key, kMasterKeySize);

  // Built aside and copied out at the end, so that a failing cipher leaves
  // the caller's record as it was.
  TPasswordRecord built;
  EncodeFixed32(built.bytes + TPasswordRecord::kMasterKeyCheck,
                ComputeChecksum(master_key, kMasterKeySize, ChecksumCrc16));
  std::memcpy(built.bytes + TPasswordRecord::kEncryptedMasterKey, master_key, kMasterKeySize);
  try {
    EncipherUnder(password, built.bytes + TPasswordRecord::kEncryptedMasterKey, kMasterKeySize);
    if (!question.empty() && !answer.empty()) {
      uint8_t* question_field = built.bytes + TPasswordRecord::kEncryptedQuestion;
      uint8_t* password_field = built.bytes + TPasswordRecord::kEncryptedPassword;
      std::memcpy(question_field, question.data(), question.size());
      std::memcpy(password_field, password.data(), password.size());
      EncipherUnder(QuestionKey(), question_field, kMaxQuestionLength);
      EncodeFixed32(built.bytes + TPasswordRecord::kPasswordCheck,
                    ComputeChecksum(password_field, kMaxPasswordLength, ChecksumCrc16));
      EncipherUnder(answer, password_field, kMaxPasswordLength);
    }
  } catch (...) {
    OverwriteBytes(master_key, sizeof(master_key), 0);
    OverwriteBytes(built.bytes, sizeof(built.bytes), 0);
    throw;
  }
  std::memcpy(record->bytes, built.bytes, kPasswordRecordSize);
  OverwriteBytes(master_key, sizeof(master_key), 0);
  OverwriteBytes(built.bytes, sizeof(built.bytes), 0);
}

bool UnlockPasswordRecord(const TPasswordRecord& record, const std::string& password,
                          std::string* key_string) {
  if (password.empty()) return false;
  const TPasswordRecord copy = record;
  const uint8_t* encrypted = copy.bytes + TPasswordRecord::kEncryptedMasterKey;

  WipeKeyText(key_string);
  key_string->assign(reinterpret_cast<const char*>(encrypted), kMasterKeySize);
  key_string->push_back('\0');
  uint8_t* key = reinterpret_cast<uint8_t*>(&(*key_string)[0]);

  // Full key setups for at least 256 ms, so that guessing passwords is
  // slow on any processor. The tick count alone may run coarse, so the
  // high-resolution counter must agree that the time has passed.
  volatile uint32_t sink = 0;
  const uint32_t t0 = platform::GetTickCount();
  const int64_t c0 = platform::QueryPerformanceCounter();
  while (platform::GetTickCount() - t0 < kUnlockMilliseconds ||
         CounterMilliseconds(c0) < kUnlockMilliseconds) {
    DecipherUnder(password, key, kMasterKeySize);
    sink = sink + ComputeChecksum(key, kMasterKeySize, ChecksumCrc16);
  }

  std::memcpy(key, encrypted, kMasterKeySize);
  DecipherUnder(password, key, kMasterKeySize);
  const bool right = ComputeChecksum(key, kMasterKeySize, ChecksumCrc16) == copy.MasterKeyCheck();
  key[kMasterKeySize] = 0;
  return right;
}

TUnlockedRecord::~TUnlockedRecord() { WipeKeyText(&key_string); }

bool TUnlockedRecord::SameRecord(const TPasswordRecord& other) const {
  return std::memcmp(record.bytes, other.bytes, sizeof(record.bytes)) == 0;
}

}  // namespace vor
