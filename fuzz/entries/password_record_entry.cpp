// Fuzz entry: the password record's unlock path on arbitrary records, and
// records built from arbitrary passwords, questions and answers.
#include <cstring>
#include <string>

#include "common/error.h"
#include "crypto/checksum.h"
#include "crypto/password_record.h"
#include "fuzz_entries.h"

namespace vor::fuzz {

namespace {

// Checks what UnlockPasswordRecord promises about its result.
std::string CheckUnlock(const TPasswordRecord& record, const std::string& password, bool* right) {
  std::string key = "untouched";
  *right = UnlockPasswordRecord(record, password, &key);
  if (password.empty()) {
    if (*right) return "an empty password opened a record";
    if (key != "untouched") return "an empty password changed the key string";
    return std::string();
  }
  if (key.size() != static_cast<size_t>(kMasterKeyStringSize)) return "key string not 33 bytes";
  if (key[kMasterKeySize] != '\0') return "key string does not end in a zero";
  const uint32_t check =
      ComputeChecksum(reinterpret_cast<const uint8_t*>(key.data()), kMasterKeySize, ChecksumCrc16);
  if (*right && check != record.MasterKeyCheck()) return "a wrong key was reported right";
  if (!*right && check == record.MasterKeyCheck()) return "a right key was reported wrong";
  return std::string();
}

// Splits the input into password, question and answer at its 0xFF bytes.
std::string BuildAndUnlock(const uint8_t* data, size_t size) {
  std::string parts[3];
  int part = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF && part < 2) {
      ++part;
    } else {
      parts[part].push_back(static_cast<char>(data[i]));
    }
  }
  TPasswordRecord record;
  std::memset(record.bytes, 0x5A, sizeof(record.bytes));
  const TPasswordRecord before = record;
  try {
    BuildPasswordRecord(&record, parts[0], parts[1], parts[2]);
  } catch (const EVorError&) {
    if (std::memcmp(record.bytes, before.bytes, sizeof(record.bytes)) != 0) {
      return "a failed build changed the record";
    }
    return std::string();
  }
  if (parts[0].size() > static_cast<size_t>(kMaxPasswordLength)) return "a long password built";
  if (parts[1].size() > static_cast<size_t>(kMaxQuestionLength)) return "a long question built";
  bool right = false;
  std::string fault = CheckUnlock(record, parts[0], &right);
  if (!fault.empty()) return fault;
  if (!right) return "a record does not open with its own password";
  return std::string();
}

}  // namespace

std::string PasswordRecordEntry(const uint8_t* data, size_t size) {
  if (size < static_cast<size_t>(kPasswordRecordSize)) return BuildAndUnlock(data, size);
  TPasswordRecord record;
  std::memcpy(record.bytes, data, kPasswordRecordSize);
  const std::string password(reinterpret_cast<const char*>(data + kPasswordRecordSize),
                             size - kPasswordRecordSize);
  bool right = false;
  try {
    return CheckUnlock(record, password, &right);
  } catch (const EVorError&) {
    return std::string();
  }
}

}  // namespace vor::fuzz
