// The cipher framework: keying, the eight chaining modes, the
// not-initialized failure, the pass hooks, the registry and the engine's
// page call.

#include "crypto/cipher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "crypto/cipher_registry.h"
#include "crypto/cipher_test_util.h"
#include "crypto/hash.h"
#include "crypto/page_cipher.h"
#include "crypto/rijndael.h"

namespace vor {
namespace {

using testing_util::Hex;
using testing_util::Pattern;

using Bytes = std::vector<uint8_t>;

const std::string kKeyString = "page key string";

Bytes Encipher(TCipher& cipher, Bytes data) {
  cipher.EncipherBuffer(data.data(), data.data(), static_cast<int32_t>(data.size()));
  return data;
}

Bytes Decipher(TCipher& cipher, Bytes data) {
  cipher.DecipherBuffer(data.data(), data.data(), static_cast<int32_t>(data.size()));
  return data;
}

Bytes Register(const TCipher& cipher) {
  return Bytes(cipher.ChainRegister(), cipher.ChainRegister() + cipher.BlockSize());
}

Bytes BlockOf(TCipher& cipher, Bytes block) {
  cipher.EncipherBlock(block.data());
  return block;
}

Bytes Xor(Bytes a, const Bytes& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) a[i] ^= b[i];
  return a;
}

Bytes Slice(const Bytes& data, size_t from, size_t n) {
  return Bytes(data.begin() + from, data.begin() + from + n);
}

std::unique_ptr<TCipher_Rijndael> Keyed(TCipherMode mode) {
  auto cipher = std::make_unique<TCipher_Rijndael>(kKeyString);
  cipher->SetChainMode(mode);
  return cipher;
}

TEST(CipherKeyTest, InitKeyUsesTheRipeMd256DigestAndTheFfVector) {
  auto hash = THash_RipeMD256::Create();
  hash->Start();
  hash->Update(kKeyString.data(), static_cast<int32_t>(kKeyString.size()));
  hash->Finish();
  const Bytes digest(hash->Digest(), hash->Digest() + 32);

  TCipher_Rijndael from_string(kKeyString);
  TCipher_Rijndael from_bytes;
  from_bytes.Init(digest.data(), 32, nullptr);
  EXPECT_EQ(from_string.RoundCount(), 14);
  EXPECT_EQ(0, std::memcmp(from_string.Schedule(), from_bytes.Schedule(), 480));
  EXPECT_EQ(Bytes(from_string.InitialVector(), from_string.InitialVector() + 16),
            BlockOf(from_bytes, Bytes(16, 0xFF)));
  EXPECT_EQ(Register(from_string),
            Bytes(from_string.InitialVector(), from_string.InitialVector() + 16));
  // The digest kept in the key hash no longer equals the key.
  EXPECT_NE(Bytes(from_string.KeyHash()->Digest(), from_string.KeyHash()->Digest() + 32), digest);
}

TEST(CipherKeyTest, ZeroBytesOfTheKeyStringAreHashed) {
  const std::string with_zero("key\0", 4);
  TCipher_Rijndael a(with_zero);
  TCipher_Rijndael b("key");
  EXPECT_NE(0, std::memcmp(a.Schedule(), b.Schedule(), 480));
}

TEST(CipherKeyTest, ExplicitVectorIsUsed) {
  const Bytes vector = Pattern(16, 3);
  TCipher_Rijndael cipher;
  cipher.Init(Pattern(32, 9).data(), 32, vector.data());
  EXPECT_EQ(Bytes(cipher.InitialVector(), cipher.InitialVector() + 16), vector);
  EXPECT_EQ(Register(cipher), vector);
}

TEST(CipherFailureTest, UnkeyedCipherRefusesWithFailureCodeThree) {
  TCipher_Rijndael cipher("");
  ASSERT_FALSE(cipher.Initialized());
  Bytes data = Pattern(32, 1);
  const Bytes before = data;
  const std::string message =
      "TCipher_Rijndael is not initialized call Init() or InitKey() before.";
  auto expect_refusal = [&](auto&& call) {
    try {
      call();
      ADD_FAILURE() << "no exception";
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.FailureCode(), kCipherNotInitialized);
      EXPECT_EQ(std::string(e.what()), message);
    }
  };
  expect_refusal([&] { cipher.EncipherBuffer(data.data(), data.data(), 32); });
  expect_refusal([&] { cipher.DecipherBuffer(data.data(), data.data(), 32); });
  expect_refusal([&] { cipher.EncipherBuffer(data.data(), data.data(), 0); });
  expect_refusal([&] { cipher.ProcessBuffer(data.data(), 0, ActEncipher); });
  EXPECT_EQ(data, before);
  EXPECT_EQ(Register(cipher), Bytes(16, 0xFF));
}

// Published vectors for the standard modes with a 16-byte key and an
// explicit vector (SP 800-38A, first block / first bytes).
TEST(CipherModeTest, StandardModesMatchPublishedVectors) {
  const Bytes key = Hex("2b7e151628aed2a6abf7158809cf4f3c");
  const Bytes vector = Hex("000102030405060708090a0b0c0d0e0f");
  struct Case {
    TCipherMode mode;
    const char* plain;
    const char* cipher;
  } cases[] = {
      {ModeECB, "6bc1bee22e409f96e93d7e117393172a", "3ad77bb40d7a3660a89ecaf32466ef97"},
      {ModeCBC, "6bc1bee22e409f96e93d7e117393172a", "7649abac8119b246cee98e9b12e9197d"},
      {ModeCFB8, "6bc1bee22e409f96e93d7e117393172aae2d", "3b79424c9c0dd436bace9e0ed4586a4f32b9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    TCipher_Rijndael cipher;
    cipher.Init(key.data(), 16, vector.data());
    cipher.SetChainMode(c.mode);
    EXPECT_EQ(Encipher(cipher, Hex(c.plain)), Hex(c.cipher));
    cipher.ResetChain();
    EXPECT_EQ(Decipher(cipher, Hex(c.cipher)), Hex(c.plain));
  }
}

// Mode 0, the container's mode, rebuilt from single blocks: two whole
// blocks and a tail of 5 bytes.
TEST(CipherModeTest, FeedbackXorFollowsItsDefinition) {
  const Bytes plain = Pattern(37, 0x40);
  auto cipher = Keyed(ModeFeedbackXor);
  const Bytes out = Encipher(*cipher, plain);

  auto ref = Keyed(ModeFeedbackXor);
  Bytes f(ref->InitialVector(), ref->InitialVector() + 16);
  const Bytes c0 = BlockOf(*ref, Xor(Slice(plain, 0, 16), f));
  f = Xor(c0, f);
  const Bytes c1 = BlockOf(*ref, Xor(Slice(plain, 16, 16), f));
  f = Xor(c1, f);
  const Bytes k = BlockOf(*ref, f);
  EXPECT_EQ(Slice(out, 0, 16), c0);
  EXPECT_EQ(Slice(out, 16, 16), c1);
  EXPECT_EQ(Slice(out, 32, 5), Xor(Slice(plain, 32, 5), k));
  EXPECT_EQ(Register(*cipher), Xor(k, f));
}

const TCipherMode kTransformingModes[] = {ModeFeedbackXor, ModeCBC, ModeCFB8, ModeOFB8, ModeECB};
const TCipherMode kMacModes[] = {ModeFeedbackXorMac, ModeCBCMac, ModeCFB8Mac};

class CipherModeRoundTripTest : public ::testing::TestWithParam<TCipherMode> {};

TEST_P(CipherModeRoundTripTest, FreshCipherRestoresEverySize) {
  for (size_t size : {1u, 5u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 4064u}) {
    SCOPED_TRACE(size);
    const Bytes plain = Pattern(size, static_cast<uint8_t>(size));
    const Bytes enciphered = Encipher(*Keyed(GetParam()), plain);
    EXPECT_NE(enciphered, plain);
    EXPECT_EQ(enciphered, Encipher(*Keyed(GetParam()), plain)) << "deterministic";
    EXPECT_EQ(Decipher(*Keyed(GetParam()), enciphered), plain);
  }
}

TEST_P(CipherModeRoundTripTest, SplitCallsEqualOneCallOnlyAtBlockBoundaries) {
  const Bytes plain = Pattern(32, 0x11);
  const Bytes whole = Encipher(*Keyed(GetParam()), plain);
  auto split = [&](size_t first) {
    auto cipher = Keyed(GetParam());
    Bytes out = Encipher(*cipher, Slice(plain, 0, first));
    const Bytes rest = Encipher(*cipher, Slice(plain, first, 32 - first));
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
  };
  EXPECT_EQ(split(16), whole);
  const bool byte_mode = GetParam() == ModeCFB8 || GetParam() == ModeOFB8;
  if (byte_mode) {
    EXPECT_EQ(split(20), whole) << "byte modes have no partial blocks";
  } else {
    EXPECT_NE(split(20), whole);
  }
}

TEST_P(CipherModeRoundTripTest, DecipherNeedsTheRegisterReset) {
  auto cipher = Keyed(GetParam());
  const Bytes plain = Pattern(53, 0x21);  // with a partial block for ModeECB
  const Bytes enciphered = Encipher(*cipher, plain);
  EXPECT_NE(Decipher(*cipher, enciphered), plain);
  cipher->ResetChain();
  EXPECT_EQ(Decipher(*cipher, enciphered), plain);
}

TEST_P(CipherModeRoundTripTest, SeparateSourceAndOverlappingRanges) {
  const Bytes plain = Pattern(40, 0x33);
  const Bytes expected = Encipher(*Keyed(GetParam()), plain);
  Bytes out(40, 0);
  Keyed(GetParam())->EncipherBuffer(plain.data(), out.data(), 40);
  EXPECT_EQ(out, expected);
  // Destination three bytes behind the source inside one buffer.
  Bytes buffer(43, 0);
  std::memcpy(buffer.data() + 3, plain.data(), 40);
  Keyed(GetParam())->EncipherBuffer(buffer.data() + 3, buffer.data(), 40);
  EXPECT_EQ(Slice(buffer, 0, 40), expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, CipherModeRoundTripTest, ::testing::ValuesIn(kTransformingModes));

TEST(CipherModeTest, PartialBlockIsXoredWithTheEncipheredVector) {
  for (TCipherMode mode : {ModeFeedbackXor, ModeCBC}) {
    SCOPED_TRACE(static_cast<int>(mode));
    auto cipher = Keyed(mode);
    const Bytes key_block =
        BlockOf(*cipher, Bytes(cipher->InitialVector(), cipher->InitialVector() + 16));
    const Bytes plain = Pattern(11, 0x55);
    const Bytes out = Encipher(*cipher, plain);
    EXPECT_EQ(out, Xor(plain, key_block));
    // The feedback does not depend on the data of the partial block.
    auto other = Keyed(mode);
    Encipher(*other, Pattern(11, 0x99));
    EXPECT_EQ(Register(*cipher), Register(*other));
  }
}

class CipherMacModeTest : public ::testing::TestWithParam<TCipherMode> {};

TEST_P(CipherMacModeTest, DataStaysAndBothDirectionsGiveOneValue) {
  for (size_t size : {5u, 16u, 37u}) {
    SCOPED_TRACE(size);
    const Bytes plain = Pattern(size, 0x77);
    Bytes data = plain;
    Bytes destination(size, 0xEE);
    auto enc = Keyed(GetParam());
    enc->EncipherBuffer(data.data(), destination.data(), static_cast<int32_t>(size));
    auto dec = Keyed(GetParam());
    dec->DecipherBuffer(data.data(), data.data(), static_cast<int32_t>(size));
    EXPECT_EQ(data, plain);
    EXPECT_EQ(destination, Bytes(size, 0xEE));
    EXPECT_EQ(Register(*enc), Register(*dec));
    EXPECT_NE(Register(*enc), Bytes(enc->InitialVector(), enc->InitialVector() + 16));
    if (GetParam() != ModeCFB8Mac && size < 16) continue;  // no whole block enters
    // The value depends on the data.
    Bytes changed = plain;
    changed[0] ^= 1;
    auto other = Keyed(GetParam());
    other->EncipherBuffer(changed.data(), changed.data(), static_cast<int32_t>(size));
    EXPECT_NE(Register(*other), Register(*enc));
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, CipherMacModeTest, ::testing::ValuesIn(kMacModes));

TEST(CipherPassTest, EmptyBufferPassResetsTheChain) {
  auto cipher = Keyed(ModeFeedbackXor);
  Encipher(*cipher, Pattern(16, 1));
  ASSERT_NE(Register(*cipher), Bytes(cipher->InitialVector(), cipher->InitialVector() + 16));
  uint8_t none = 0;
  EXPECT_EQ(cipher->ProcessBuffer(&none, 0, ActEncipher), 0);
  EXPECT_EQ(Register(*cipher), Bytes(cipher->InitialVector(), cipher->InitialVector() + 16));
}

TEST(CipherPassTest, ChainEnciphersInnerFirstAndDeciphersOuterFirst) {
  auto inner = std::make_shared<TCipher_Rijndael>("inner");
  TCipher_Rijndael outer("outer", inner);
  const Bytes plain = Pattern(50, 0x42);
  Bytes data = plain;
  outer.ProcessBuffer(data.data(), 50, ActEncipher);
  Bytes expected = Encipher(*std::make_unique<TCipher_Rijndael>("inner"), plain);
  expected = Encipher(*std::make_unique<TCipher_Rijndael>("outer"), expected);
  EXPECT_EQ(data, expected);
  outer.ProcessBuffer(data.data(), 50, ActDecipher);
  EXPECT_EQ(data, plain);
}

TEST(CipherPassTest, ActionsOutsideTheSetLeaveTheChunk) {
  TCipher_Rijndael cipher(kKeyString);
  cipher.SetActions(kAllProtectionActions & ~(1u << ActEncipher));
  Bytes data = Pattern(20, 3);
  cipher.ProcessBuffer(data.data(), 20, ActEncipher);
  EXPECT_EQ(data, Pattern(20, 3));
}

TEST(CipherRegistryTest, RijndaelIsRegisteredOnceUnderItsShortName) {
  RegisterCipherClasses();
  RegisterCipherClasses();
  int found = 0;
  for (const CipherRegistryEntry& entry : CipherRegistry()) {
    if (entry.cipher_class == &TCipher_Rijndael::Create) {
      ++found;
      EXPECT_EQ(entry.text, "Rijndael=");
    }
  }
  EXPECT_EQ(found, 1);
  RegisterCipherClass(&TCipher_Rijndael::Create, "  AES  ", "container cipher");
  for (const CipherRegistryEntry& entry : CipherRegistry()) {
    if (entry.cipher_class == &TCipher_Rijndael::Create) {
      EXPECT_EQ(entry.text, "AES=container cipher");
    }
  }
  RegisterCipherClasses();  // back to the start-up entry for other tests
}

// The page call must give the bytes of a fresh cipher per call, whatever
// the cache holds; more keys than cache entries force evictions.
TEST(PageCipherTest, MatchesAFreshCipherPerCall) {
  std::vector<std::string> keys;
  for (int i = 0; i < 12; ++i) keys.push_back(std::string(32, static_cast<char>(1 + i)) + '\0');
  for (int round = 0; round < 2; ++round) {
    for (size_t k = 0; k < keys.size(); k += (round == 0 ? 1 : 3)) {
      SCOPED_TRACE(k);
      const Bytes plain = Pattern(4064, static_cast<uint8_t>(k));
      Bytes page = plain;
      EncipherPageData(keys[k], page.data(), 4064);
      EXPECT_EQ(page, Encipher(*std::make_unique<TCipher_Rijndael>(keys[k]), plain));
      EncipherPageData(keys[k], page.data(), 0);
      DecipherPageData(keys[k], page.data(), 4064);
      EXPECT_EQ(page, plain);
    }
  }
  ClearPageCipherCache();
  Bytes page = Pattern(100, 5);
  EncipherPageData(keys[0], page.data(), 100);
  EXPECT_EQ(page, Encipher(*std::make_unique<TCipher_Rijndael>(keys[0]), Pattern(100, 5)));
}

TEST(PageCipherTest, EmptyKeyStringFailsAsNotInitialized) {
  Bytes page = Pattern(64, 1);
  try {
    DecipherPageData(std::string(), page.data(), 64);
    ADD_FAILURE() << "no exception";
  } catch (const ECipherException& e) {
    EXPECT_EQ(e.FailureCode(), kCipherNotInitialized);
  }
  EXPECT_EQ(page, Pattern(64, 1));
}

}  // namespace
}  // namespace vor
