// The password record: a random master key kept under a password.
//
// A protected container (and each file with a password of its own) is
// enciphered under MasterKeyString, 32 random bytes of 1..254 and a zero
// byte. The 172-byte record holds that master key enciphered under the
// password, a CRC-16 of the master key that tells whether a password is
// right and, optionally, a question (under the fixed QuestionKey) with the
// password stored under its answer. Every cipher here is a fresh
// TCipher_Rijndael keyed from a key string, in ModeFeedbackXor.
//
// The record byte by byte: docs/format.md, section 11.
#pragma once

#include <cstdint>
#include <string>

namespace vor {

constexpr int32_t kPasswordRecordSize = 172;
constexpr int32_t kMasterKeySize = 32;
constexpr int32_t kMasterKeyStringSize = 33;
constexpr int32_t kMaxPasswordLength = 32;
constexpr int32_t kMaxQuestionLength = 100;

// The record's bytes; the offsets name its fields.
struct TPasswordRecord {
  static constexpr int32_t kEncryptedMasterKey = 0;
  static constexpr int32_t kEncryptedPassword = 32;
  static constexpr int32_t kMasterKeyCheck = 64;
  static constexpr int32_t kPasswordCheck = 68;
  static constexpr int32_t kEncryptedQuestion = 72;

  uint8_t bytes[kPasswordRecordSize] = {};

  uint32_t MasterKeyCheck() const;
  uint32_t PasswordCheck() const;
};
static_assert(sizeof(TPasswordRecord) == kPasswordRecordSize, "the record is 172 bytes");

// The fixed key string of the question: "kR7;P!xw#2Lm^9vq%".
const std::string& QuestionKey();

// The 33-byte key string of a 32-byte master key: its bytes and a zero.
std::string MasterKeyString(const uint8_t* master_key);

// Writes a new record with a fresh master key drawn from the process-wide
// generator. A password longer than 32 bytes raises EVorError "Password
// length should be shorter then 32", a question longer than 100 bytes
// "Question length should be shorter then 100"; an empty password raises
// the cipher's not-initialized failure. The record is written only when
// the call succeeds.
void BuildPasswordRecord(TPasswordRecord* record, const std::string& password,
                         const std::string& question, const std::string& answer);

// True when password opens the record. An empty password returns false at
// once and leaves key_string as it was; otherwise key_string receives 33
// bytes (the MasterKeyString when the password is right) after at least
// 256 ms of key setups, right password or wrong.
bool UnlockPasswordRecord(const TPasswordRecord& record, const std::string& password,
                          std::string* key_string);

// A record the right password has unlocked, with the key string it gave.
// Unlocking the same record bytes with the same password always gives that
// key string, so a second reader of the same container can take it instead
// of paying for the timed unlock again. The key string is wiped when the
// value goes.
struct TUnlockedRecord {
  TPasswordRecord record;
  std::string key_string;

  TUnlockedRecord() = default;
  TUnlockedRecord(const TUnlockedRecord&) = delete;
  TUnlockedRecord& operator=(const TUnlockedRecord&) = delete;
  ~TUnlockedRecord();

  // True when record holds exactly the bytes of other.
  bool SameRecord(const TPasswordRecord& other) const;
};

}  // namespace vor
