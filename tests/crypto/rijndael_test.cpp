// Rijndael: published vectors, the container's 14-round key expansion,
// key-length handling and agreement of the table and hardware rounds.

#include "crypto/rijndael.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/coding.h"
#include "crypto/cipher.h"
#include "crypto/cipher_test_util.h"
#include "crypto/rijndael_core.h"

namespace vor {
namespace {

using testing_util::Hex;

const std::vector<uint8_t> kPlain = Hex("00112233445566778899aabbccddeeff");
const std::vector<uint8_t> kKey32 =
    Hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");

struct BlockCase {
  const char* name;
  std::string key;
  int rounds;
  std::string cipher;
};

// FIPS-197 appendix C.1 and C.2; the 32-byte key of C.3 gives another
// result under the container's expansion.
const BlockCase kBlockCases[] = {
    {"C1_128", "000102030405060708090a0b0c0d0e0f", 10, "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"C2_192", "000102030405060708090a0b0c0d0e0f1011121314151617", 12,
     "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"C3_256_container", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", 14,
     "7db8ca4ebc1555cd9b4e8c321b572299"},
};

class RijndaelBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(RijndaelBlockTest, EnciphersAndDecipheresTheBlock) {
  const BlockCase& c = GetParam();
  const std::vector<uint8_t> key = Hex(c.key);
  TCipher_Rijndael cipher;
  cipher.Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
  EXPECT_EQ(cipher.RoundCount(), c.rounds);

  std::vector<uint8_t> block = kPlain;
  cipher.EncipherBlock(block.data());
  EXPECT_EQ(block, Hex(c.cipher));
  cipher.DecipherBlock(block.data());
  EXPECT_EQ(block, kPlain);

  // The table rounds alone give the same bytes as whatever path is in use.
  block = kPlain;
  rijndael::EncipherBlockTable(cipher.Schedule(), c.rounds, block.data());
  EXPECT_EQ(block, Hex(c.cipher));
  rijndael::DecipherBlockTable(cipher.Schedule(), c.rounds, block.data());
  EXPECT_EQ(block, kPlain);
}

INSTANTIATE_TEST_SUITE_P(Fips197, RijndaelBlockTest, ::testing::ValuesIn(kBlockCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RijndaelKeyExpansionTest, ThirtyTwoByteKeyFollowsTheContainerExpansion) {
  // FIPS-197 appendix A.3: key and words w[0] .. w[11] (the same in both
  // forms; the first eight are the key).
  const std::vector<uint8_t> first_words =
      Hex("603deb10 15ca71be 2b73aef0 857d7781 1f352c07 3b6108d7 2d9810a3 0914dff4"
          "9ba35411 8e6925af a51a8b5f 2067fcde");
  uint8_t schedule[rijndael::kScheduleSize];
  ASSERT_EQ(rijndael::ExpandKey(first_words.data(), 32, schedule), 14);
  EXPECT_EQ(std::vector<uint8_t>(schedule, schedule + 48), first_words) << "w[0..11]";
  // w[12]: the standard has a8 b0 9c 1a.
  EXPECT_EQ(std::vector<uint8_t>(schedule + 48, schedule + 52), Hex("88d760c4"));
}

TEST(RijndaelKeyExpansionTest, ScheduleAreasHaveTheDocumentedShape) {
  for (int size : {16, 24, 32}) {
    SCOPED_TRACE(size);
    uint8_t schedule[rijndael::kScheduleSize];
    const int rounds = rijndael::ExpandKey(kKey32.data(), size, schedule);
    const int used = 16 * (rounds + 1);
    const uint8_t* dec = schedule + rijndael::kAreaSize;
    // Round keys 0 and rounds are the same in both areas, inner ones differ.
    EXPECT_EQ(0, std::memcmp(schedule, dec, 16));
    EXPECT_EQ(0, std::memcmp(schedule + 16 * rounds, dec + 16 * rounds, 16));
    EXPECT_NE(0, std::memcmp(schedule + 16, dec + 16, 16 * (rounds - 1)));
    for (int i = used; i < rijndael::kAreaSize; ++i) {
      ASSERT_EQ(schedule[i], 0) << "encryption area byte " << i;
      ASSERT_EQ(dec[i], 0) << "decryption area byte " << i;
    }
  }
}

struct KeyLengthCase {
  const char* name;
  int given_size;   // bytes handed to Init
  int padded_size;  // the key it must act as, zero-padded
  int rounds;
};

const KeyLengthCase kKeyLengthCases[] = {
    {"Empty", 0, 16, 10},     {"OneByte", 1, 16, 10},     {"Fifteen", 15, 16, 10},
    {"Twenty", 20, 24, 12},   {"TwentyFive", 25, 32, 14}, {"AboveMax", 40, 32, 14},
    {"Negative", -5, 16, 10},
};

class RijndaelKeyLengthTest : public ::testing::TestWithParam<KeyLengthCase> {};

TEST_P(RijndaelKeyLengthTest, ShortKeysArePaddedAndLongOnesCut) {
  const KeyLengthCase& c = GetParam();
  std::vector<uint8_t> key(48);
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(0xA0 + i);
  std::vector<uint8_t> padded(static_cast<size_t>(c.padded_size), 0);
  for (int i = 0; i < c.given_size && i < c.padded_size; ++i) padded[i] = key[i];

  TCipher_Rijndael given;
  given.Init(key.data(), c.given_size, nullptr);
  TCipher_Rijndael reference;
  reference.Init(padded.data(), c.padded_size, nullptr);

  EXPECT_EQ(given.RoundCount(), c.rounds);
  EXPECT_EQ(0, std::memcmp(given.Schedule(), reference.Schedule(), 480));
  EXPECT_EQ(0, std::memcmp(given.InitialVector(), reference.InitialVector(), 16));
}

INSTANTIATE_TEST_SUITE_P(Lengths, RijndaelKeyLengthTest, ::testing::ValuesIn(kKeyLengthCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RijndaelTest, WipeStateClearsTheScheduleAndRefusesWork) {
  TCipher_Rijndael cipher;
  cipher.Init(kKey32.data(), 32, nullptr);
  ASSERT_TRUE(cipher.Initialized());
  cipher.WipeState();
  EXPECT_FALSE(cipher.Initialized());
  for (int i = 0; i < 480; ++i) ASSERT_EQ(cipher.Schedule()[i], 0) << i;
  for (int i = 0; i < 16; ++i) {
    ASSERT_EQ(cipher.InitialVector()[i], 0xFF);
    ASSERT_EQ(cipher.ChainRegister()[i], 0xFF);
  }
  uint8_t data[16] = {};
  EXPECT_THROW(cipher.EncipherBuffer(data, data, 16), ECipherException);
}

// The program's own processor check agrees with the compiler's: the AES
// rounds are taken exactly where the processor has the instructions.
TEST(RijndaelTest, HardwareCheckAgreesWithTheCompilers) {
  __builtin_cpu_init();
  const bool compilers = __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse2");
  EXPECT_EQ(rijndael::HardwareAesAvailable(), compilers);
}

// Random keys and blocks through the hardware rounds and the tables.
TEST(RijndaelTest, HardwareRoundsMatchTheTables) {
  if (!rijndael::HardwareAesAvailable()) GTEST_SKIP() << "no AES instructions";
  std::mt19937 rng(7);
  for (int size : {16, 24, 32}) {
    for (int trial = 0; trial < 20; ++trial) {
      uint8_t key[32];
      for (uint8_t& b : key) b = static_cast<uint8_t>(rng());
      uint8_t schedule[rijndael::kScheduleSize];
      const int rounds = rijndael::ExpandKey(key, size, schedule);
      // Eleven blocks: the batches of four and a remainder.
      uint8_t data[16 * 11];
      for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
      uint8_t table[sizeof(data)];
      uint8_t hardware[sizeof(data)];
      std::memcpy(table, data, sizeof(data));
      std::memcpy(hardware, data, sizeof(data));
      for (int i = 0; i < 11; ++i) rijndael::EncipherBlockTable(schedule, rounds, table + 16 * i);
      rijndael::EncipherBlocksHardware(schedule, rounds, hardware, 11);
      ASSERT_EQ(0, std::memcmp(table, hardware, sizeof(data))) << "encipher, size " << size;
      for (int i = 0; i < 11; ++i) rijndael::DecipherBlockTable(schedule, rounds, table + 16 * i);
      rijndael::DecipherBlocksHardware(schedule, rounds, hardware, 11);
      ASSERT_EQ(0, std::memcmp(table, hardware, sizeof(data))) << "decipher, size " << size;
      ASSERT_EQ(0, std::memcmp(table, data, sizeof(data)));
    }
  }
}

}  // namespace
}  // namespace vor
