// MD4 and RIPEMD-256: published digests, framing, reuse, the protection
// pass of a hash, and keying through TMAC.

#include "crypto/hash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/coding.h"
#include "crypto/mac.h"

namespace vor {
namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string DigestOf(THashClass cls, const std::string& data) {
  std::shared_ptr<THash> h = cls(nullptr);
  h->Start();
  h->Update(data.data(), static_cast<int32_t>(data.size()));
  h->Finish();
  return h->DigestString();
}

// XORs every byte with 0x5A, whatever the action, and counts its calls.
class XorProtection : public TProtection {
 public:
  void ProcessChunk(void* buffer, int32_t size, ProtectionAction action) override {
    ++chunks;
    last_action = action;
    auto* p = static_cast<uint8_t*>(buffer);
    for (int32_t i = 0; i < size; ++i) p[i] ^= 0x5A;
  }
  int chunks = 0;
  ProtectionAction last_action = ActEncipher;
};

std::string Xor5A(std::string s) {
  for (char& c : s) c = static_cast<char>(c ^ 0x5A);
  return s;
}

struct Vector {
  THashClass cls;
  const char* input;
  const char* digest;
};

class HashVectorTest : public ::testing::TestWithParam<Vector> {};

TEST_P(HashVectorTest, PublishedDigest) {
  const Vector& v = GetParam();
  EXPECT_EQ(Hex(DigestOf(v.cls, v.input)), v.digest);
}

const std::string kDigits80 =
    "12345678901234567890123456789012345678901234567890123456789012345678901234567890";

INSTANTIATE_TEST_SUITE_P(
    Published, HashVectorTest,
    ::testing::Values(
        Vector{&THash_MD4::Create, "", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        Vector{&THash_MD4::Create, "abc", "a448017aaf21d8525fc10ae87aa6729d"},
        Vector{&THash_MD4::Create, "message digest", "d9130a8164549fe818874806e1c7014b"},
        Vector{&THash_MD4::Create, kDigits80.c_str(), "e33b4ddc9c38f2199c3e7b164fcc0536"},
        Vector{&THash_RipeMD256::Create, "",
               "02ba4c4e5f8ecd1877fc52d64d30e37a2d9774fb1e5d026380ae0168e3c5522d"},
        Vector{&THash_RipeMD256::Create, "abc",
               "afbd6e228b9d8cbbcef5ca2d03e6dba10ac0bc7dcbe4680e1e42d2e975459b65"},
        Vector{&THash_RipeMD256::Create, "message digest",
               "87e971759a1ce47a514d5c914c392c9018c7c46bc14465554afcdf54a5070c0e"},
        Vector{&THash_RipeMD256::Create, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
               "3843045583aac6c8c8d9128573e7a9809afb2a0f34ccc36ea9e72f16f6368e3f"},
        Vector{&THash_RipeMD256::Create, kDigits80.c_str(),
               "06fdcc7a409548aaf91368c06a6275b553e3f099bf0ea4edfd6778df89a890dd"}));

TEST(HashTest, MillionAsInRipeMD256) {
  const std::string chunk(1000, 'a');
  THash_RipeMD256 h;
  h.Start();
  for (int i = 0; i < 1000; ++i) h.Update(chunk.data(), 1000);
  h.Finish();
  EXPECT_EQ(Hex(h.DigestString()),
            "ac953744e10e31514c150d4d8d7b677342e33399788296e43ae4850ce4f97978");
}

TEST(HashTest, KnownAnswerIsDigestOfAbc) {
  for (THashClass cls : {THashClass(&THash_MD4::Create), THashClass(&THash_RipeMD256::Create)}) {
    EXPECT_EQ(cls(nullptr)->KnownAnswer(), DigestOf(cls, "abc"));
  }
}

TEST(HashTest, DefaultHashClassIsRipeMD256) {
  std::shared_ptr<THash> h = DefaultHashClass()(nullptr);
  EXPECT_STREQ(h->ClassName(), "THash_RipeMD256");
  EXPECT_EQ(h->DigestSize(), 32);
  EXPECT_EQ(h->HashClass(), DefaultHashClass());
}

// Counts the blocks compressed.
class CountingMD4 : public THash_MD4 {
 public:
  int compressed = 0;

 protected:
  void Compress(const uint8_t* block) override {
    ++compressed;
    THash_MD4::Compress(block);
  }
};

TEST(HashFramingTest, FinishCompressesOneOrTwoBlocks) {
  struct Case {
    int absorbed;
    int by_update;
    int by_finish;
  };
  for (const Case& c : {Case{0, 0, 1}, Case{55, 0, 1}, Case{56, 0, 2}, Case{63, 0, 2},
                        Case{64, 1, 1}, Case{119, 1, 1}, Case{120, 1, 2}}) {
    SCOPED_TRACE(c.absorbed);
    CountingMD4 h;
    h.Start();
    const std::string data(static_cast<size_t>(c.absorbed), 'x');
    h.Update(data.data(), c.absorbed);
    EXPECT_EQ(h.compressed, c.by_update);
    h.Finish();
    EXPECT_EQ(h.compressed - c.by_update, c.by_finish);
  }
}

TEST(HashFramingTest, SplitUpdatesEqualOneUpdate) {
  std::string data;
  for (int i = 0; i < 300; ++i) data += static_cast<char>(i * 7 + 3);
  // The master key string case: 33 bytes as 1 + 31 + 1.
  const std::vector<std::vector<int>> splits = {
      {1, 31, 1}, {33},        {0, 33},        {63, 1, 64, 1},
      {64, 64},   {5, 120, 2}, {55, 9, 56, 8}, {127, 1, 1, 171}};
  for (THashClass cls : {THashClass(&THash_MD4::Create), THashClass(&THash_RipeMD256::Create)}) {
    for (const std::vector<int>& split : splits) {
      int total = 0;
      std::shared_ptr<THash> h = cls(nullptr);
      h->Start();
      for (int n : split) {
        h->Update(data.data() + total, n);
        total += n;
      }
      h->Finish();
      EXPECT_EQ(h->DigestString(), DigestOf(cls, data.substr(0, static_cast<size_t>(total))))
          << h->ClassName() << " split of " << total << " bytes";
    }
  }
}

TEST(HashFramingTest, NonPositiveUpdateAbsorbsNothing) {
  THash_RipeMD256 h;
  h.Start();
  h.Update("abc", 0);
  h.Update("abc", -5);
  h.Update("abc", 3);
  EXPECT_EQ(h.ByteCount(), 3u);
  h.Finish();
  EXPECT_EQ(h.DigestString(), DigestOf(&THash_RipeMD256::Create, "abc"));
}

TEST(HashFramingTest, StartResetsForReuse) {
  THash_MD4 h;
  h.Start();
  h.Update("some earlier data", 17);
  h.Finish();
  h.Start();
  h.Update("abc", 3);
  h.Finish();
  EXPECT_EQ(Hex(h.DigestString()), "a448017aaf21d8525fc10ae87aa6729d");
}

TEST(HashPassTest, CalculateDigestsWithoutTouchingTheData) {
  std::string data(10000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  std::string buffer = data;
  THash_RipeMD256 h;
  h.ProcessBuffer(&buffer[0], static_cast<int32_t>(buffer.size()), ActCalculate);
  EXPECT_EQ(buffer, data);
  EXPECT_EQ(h.DigestString(), DigestOf(&THash_RipeMD256::Create, data));
}

TEST(HashPassTest, KeyStreamEnciphersAndDeciphers) {
  const std::string plain = "a key stream drawn from the hash chain, 45 byt";
  std::string buffer = plain;
  THash_RipeMD256 a;
  a.ProcessBuffer(&buffer[0], static_cast<int32_t>(buffer.size()), ActEncipher);
  EXPECT_NE(buffer, plain);
  // The first piece is XORed with the digest of the 32 starting digest bytes.
  THash_RipeMD256 k;
  k.Start();
  std::string start = k.DigestString();
  EXPECT_EQ(static_cast<uint8_t>(buffer[0] ^ plain[0]),
            static_cast<uint8_t>(DigestOf(&THash_RipeMD256::Create, start)[0]));
  THash_RipeMD256 b;
  b.ProcessBuffer(&buffer[0], static_cast<int32_t>(buffer.size()), ActDecipher);
  EXPECT_EQ(buffer, plain);
}

TEST(HashPassTest, ScrambleReplacesPiecesWithChainDigests) {
  std::string buffer(40, 'q');
  THash_RipeMD256 h;
  h.ProcessBuffer(&buffer[0], 40, ActScramble);
  const std::string first = DigestOf(&THash_RipeMD256::Create, std::string(32, 'q'));
  EXPECT_EQ(buffer.substr(0, 32), first);
  EXPECT_NE(buffer.substr(32), std::string(8, 'q'));
}

TEST(HashPassTest, ActionOutsideActionsLeavesDataAlone) {
  std::string buffer(20, 'z');
  THash_MD4 h;
  h.SetActions(kAllProtectionActions & ~(1u << ActScramble));
  h.ProcessBuffer(&buffer[0], 20, ActScramble);
  EXPECT_EQ(buffer, std::string(20, 'z'));
}

TEST(GuardDigestTest, InnerProtectionScramblesTheFinishedDigest) {
  auto inner = std::make_shared<XorProtection>();
  THash_MD4 h(inner);
  h.Start();
  EXPECT_EQ(inner->chunks, 0);  // starting does nothing without a MAC
  h.Update("abc", 3);
  h.Finish();
  EXPECT_EQ(inner->chunks, 1);
  EXPECT_EQ(inner->last_action, ActScramble);
  EXPECT_EQ(h.DigestString(), Xor5A(DigestOf(&THash_MD4::Create, "abc")));
}

// Lets a test start MD4 from chosen chaining words.
class MD4FromWords : public THash_MD4 {
 public:
  void StartFrom(const uint8_t* digest_bytes) {
    uint32_t words[kStateWords];
    for (int i = 0; i < kStateWords; ++i) words[i] = DecodeFixed32(digest_bytes + 4 * i);
    StartWith(words);
  }
};

// The digest of data under MD4 started from its standard words XORed with
// key_digest.
std::string KeyedMD4(const std::string& key_digest, const std::string& data) {
  THash_MD4 plain;
  plain.Start();
  uint8_t words[40];
  std::memcpy(words, plain.Digest(), 40);
  for (size_t i = 0; i < key_digest.size(); ++i) words[i] ^= static_cast<uint8_t>(key_digest[i]);
  MD4FromWords h;
  h.StartFrom(words);
  h.Update(data.data(), static_cast<int32_t>(data.size()));
  h.Finish();
  return h.DigestString();
}

TEST(MacTest, KeyedStartAndEmptyKey) {
  auto mac = std::make_shared<TMAC>();
  THash_MD4 h(mac);
  h.Start();
  h.Update("data", 4);
  h.Finish();
  EXPECT_EQ(h.DigestString(), DigestOf(&THash_MD4::Create, "data"));  // no key: plain

  mac->SetMacKey("secret");
  h.Start();
  h.Update("data", 4);
  h.Finish();
  EXPECT_EQ(h.DigestString(), KeyedMD4(DigestOf(&THash_MD4::Create, "secret"), "data"));
}

TEST(MacTest, MacInnerProtectionGuardsKeyDigestAndResult) {
  auto inner = std::make_shared<XorProtection>();
  auto mac = std::make_shared<TMAC>(inner);
  mac->SetMacKey("secret");
  THash_MD4 h(mac);
  h.Start();
  h.Update("data", 4);
  h.Finish();
  // The key digest comes from a hash guarded by the MAC's inner protection,
  // and the finished digest is scrambled by it too.
  const std::string key_digest = Xor5A(DigestOf(&THash_MD4::Create, "secret"));
  EXPECT_EQ(h.DigestString(), Xor5A(KeyedMD4(key_digest, "data")));
}

TEST(MacTest, WipeKeyTextLeavesZeros) {
  std::string key = "key material";
  WipeKeyText(&key);
  EXPECT_EQ(key, std::string(12, '\0'));
}

}  // namespace
}  // namespace vor
