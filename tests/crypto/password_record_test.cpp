// The password record: limits, layout, the master key's origin, and the
// timed unlock. Each unlock takes at least 256 ms, so there are few.

#include "crypto/password_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "common/coding.h"
#include "common/error.h"
#include "crypto/checksum.h"
#include "crypto/cipher.h"
#include "crypto/random.h"
#include "crypto/rijndael.h"

namespace vor {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes Field(const TPasswordRecord& record, int offset, int size) {
  return Bytes(record.bytes + offset, record.bytes + offset + size);
}

Bytes DecipherUnder(const std::string& key_string, Bytes data) {
  TCipher_Rijndael cipher(key_string);
  cipher.DecipherBuffer(data.data(), data.data(), static_cast<int32_t>(data.size()));
  return data;
}

Bytes ZeroPadded(const std::string& text, size_t size) {
  Bytes out(size, 0);
  std::memcpy(out.data(), text.data(), text.size());
  return out;
}

// The master key a record built right after SeedRandom(seed) must hold.
Bytes ExpectedMasterKey(uint32_t seed) {
  Bytes key;
  uint32_t state = seed;
  for (int i = 0; i < 32; ++i) {
    state = state * 134775813u + 1u;
    key.push_back(static_cast<uint8_t>(1 + ((static_cast<uint64_t>(state) * 254) >> 32)));
  }
  return key;
}

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(PasswordRecordBuildTest, LengthLimits) {
  const std::string p32(32, 'p');
  const std::string q100(100, 'q');
  TPasswordRecord record;
  EXPECT_NO_THROW(BuildPasswordRecord(&record, p32, q100, "answer"));

  struct Case {
    std::string password;
    std::string question;
    const char* message;
  } cases[] = {
      {std::string(33, 'p'), "question", "Password length should be shorter then 32"},
      {"secret", std::string(101, 'q'), "Question length should be shorter then 100"},
      {std::string(33, 'p'), std::string(101, 'q'), "Password length should be shorter then 32"},
  };
  for (const Case& c : cases) {
    TPasswordRecord untouched;
    std::memset(untouched.bytes, 0x5A, sizeof(untouched.bytes));
    const uint32_t state = RandomState();
    try {
      BuildPasswordRecord(&untouched, c.password, c.question, "answer");
      ADD_FAILURE() << "no exception for " << c.message;
    } catch (const EVorError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(Field(untouched, 0, 172), Bytes(172, 0x5A));
    EXPECT_EQ(RandomState(), state) << "no draw before the checks";
  }
}

TEST(PasswordRecordBuildTest, EmptyPasswordFailsAndLeavesTheRecord) {
  TPasswordRecord record;
  std::memset(record.bytes, 0x5A, sizeof(record.bytes));
  try {
    BuildPasswordRecord(&record, "", "", "");
    ADD_FAILURE() << "no exception";
  } catch (const ECipherException& e) {
    EXPECT_EQ(e.FailureCode(), kCipherNotInitialized);
  }
  EXPECT_EQ(Field(record, 0, 172), Bytes(172, 0x5A));
}

// Selects a key source for one test and puts the default back.
class KeySourceScope {
 public:
  explicit KeySourceScope(KeySource source) : saved_(GetKeySource()) { SetKeySource(source); }
  ~KeySourceScope() { SetKeySource(saved_); }

 private:
  KeySource saved_;
};

TEST(PasswordRecordBuildTest, MasterKeyComesFromTheGeneratorUnderThePassword) {
  KeySourceScope seeded(KeySource::kSeededGenerator);
  const uint32_t seed = 0x12345678;
  SeedRandom(seed);
  TPasswordRecord record;
  BuildPasswordRecord(&record, "secret", "", "");
  const Bytes master_key = DecipherUnder("secret", Field(record, 0, 32));
  EXPECT_EQ(master_key, ExpectedMasterKey(seed));
  for (uint8_t b : master_key) {
    EXPECT_NE(b, 0);
    EXPECT_NE(b, 255);
  }
  EXPECT_EQ(record.MasterKeyCheck(), ComputeChecksum(master_key.data(), 32, ChecksumCrc16));
  EXPECT_EQ(record.MasterKeyCheck() >> 16, 0u);

  // Another generator state gives another enciphered master key.
  TPasswordRecord next;
  BuildPasswordRecord(&next, "secret", "", "");
  EXPECT_NE(Field(next, 0, 32), Field(record, 0, 32));
}

// By default the key does not follow the 32-bit generator: the same seed
// gives two different keys, neither of them the generator's, every byte
// within 1..254.
TEST(PasswordRecordBuildTest, DefaultMasterKeyIsNotDerivedFromTheSeed) {
  ASSERT_EQ(GetKeySource(), KeySource::kSystemEntropy);
  const uint32_t seed = 0x12345678;
  Bytes keys[2];
  for (Bytes& key : keys) {
    SeedRandom(seed);
    TPasswordRecord record;
    BuildPasswordRecord(&record, "secret", "", "");
    key = DecipherUnder("secret", Field(record, 0, 32));
    EXPECT_EQ(record.MasterKeyCheck(), ComputeChecksum(key.data(), 32, ChecksumCrc16));
    for (uint8_t b : key) {
      EXPECT_GE(b, 1);
      EXPECT_LE(b, 254);
    }
    EXPECT_NE(key, ExpectedMasterKey(seed));
  }
  EXPECT_NE(keys[0], keys[1]);
}

TEST(PasswordRecordBuildTest, QuestionAndAnswerFields) {
  struct Case {
    std::string question;
    std::string answer;
  } without[] = {{"", "answer"}, {"question", ""}, {"", ""}};
  for (const Case& c : without) {
    TPasswordRecord record;
    BuildPasswordRecord(&record, "secret", c.question, c.answer);
    EXPECT_EQ(Field(record, 32, 32), Bytes(32, 0));
    EXPECT_EQ(Field(record, 68, 104), Bytes(104, 0));
  }

  TPasswordRecord record;
  BuildPasswordRecord(&record, "secret", "What is it?", "blue");
  const Bytes password = DecipherUnder("blue", Field(record, 32, 32));
  EXPECT_EQ(password, ZeroPadded("secret", 32));
  EXPECT_EQ(record.PasswordCheck(), ComputeChecksum(password.data(), 32, ChecksumCrc16));
  EXPECT_EQ(DecipherUnder(QuestionKey(), Field(record, 72, 100)), ZeroPadded("What is it?", 100));
  EXPECT_EQ(QuestionKey(), "kR7;P!xw#2Lm^9vq%");
}

TEST(PasswordRecordUnlockTest, RightWrongAndDamagedRecords) {
  KeySourceScope seeded(KeySource::kSeededGenerator);
  const uint32_t seed = 99;
  SeedRandom(seed);
  TPasswordRecord record;
  BuildPasswordRecord(&record, "secret", "", "");

  std::string key_string = "old";
  auto start = Clock::now();
  EXPECT_TRUE(UnlockPasswordRecord(record, "secret", &key_string));
  EXPECT_GE(MillisecondsSince(start), 256);
  const Bytes expected_key = ExpectedMasterKey(seed);
  EXPECT_EQ(key_string, MasterKeyString(expected_key.data()));
  ASSERT_EQ(key_string.size(), 33u);
  EXPECT_EQ(key_string.back(), '\0');
  EXPECT_EQ(key_string.find('\0'), 32u);

  start = Clock::now();
  EXPECT_FALSE(UnlockPasswordRecord(record, "Secret", &key_string));
  EXPECT_GE(MillisecondsSince(start), 256);
  EXPECT_EQ(key_string.size(), 33u);
  EXPECT_EQ(key_string.back(), '\0');

  // A check value with a bit above the CRC's 16 never matches.
  TPasswordRecord damaged = record;
  EncodeFixed32(damaged.bytes + TPasswordRecord::kMasterKeyCheck,
                record.MasterKeyCheck() | 0x10000u);
  EXPECT_FALSE(UnlockPasswordRecord(damaged, "secret", &key_string));
}

TEST(PasswordRecordUnlockTest, EmptyPasswordReturnsAtOnce) {
  TPasswordRecord record;
  BuildPasswordRecord(&record, "secret", "", "");
  std::string key_string = "unchanged";
  const auto start = Clock::now();
  EXPECT_FALSE(UnlockPasswordRecord(record, "", &key_string));
  EXPECT_LT(MillisecondsSince(start), 100);
  EXPECT_EQ(key_string, "unchanged");
}

}  // namespace
}  // namespace vor
