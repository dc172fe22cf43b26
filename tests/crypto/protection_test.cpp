// The protection chain, the buffer, stream, file and string passes, and
// the seed helpers.

#include "crypto/protection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "crypto/hash.h"
#include "crypto/protection_stream.h"
#include "crypto/string_format.h"

namespace vor {
namespace {

// Adds 1 to each byte when enciphering and subtracts 1 when deciphering,
// applying the chain in the framework's order. Logs every hook.
class AddOne : public TProtection {
 public:
  using TProtection::TProtection;
  void StartPass(ProtectionAction action) override {
    log.push_back("start" + std::to_string(action));
    TProtection::StartPass(action);
  }
  void FinishPass(ProtectionAction action) override {
    log.push_back("finish" + std::to_string(action));
    TProtection::FinishPass(action);
  }
  void ProcessChunk(void* buffer, int32_t size, ProtectionAction action) override {
    log.push_back("chunk" + std::to_string(size));
    if (action != ActDecipher) TProtection::ProcessChunk(buffer, size, action);
    auto* p = static_cast<uint8_t*>(buffer);
    const int delta = action == ActDecipher ? -1 : 1;
    for (int32_t i = 0; i < size; ++i) p[i] = static_cast<uint8_t>(p[i] + delta);
    if (fail) throw EProtection("chunk failed");
    if (action == ActDecipher) TProtection::ProcessChunk(buffer, size, action);
  }
  std::vector<std::string> log;
  bool fail = false;
};

std::string Bytes(int n) {
  std::string s(static_cast<size_t>(n), '\0');
  for (int i = 0; i < n; ++i) s[static_cast<size_t>(i)] = static_cast<char>((i * 31 + 7) & 0xFF);
  return s;
}

void Pass(TProtection& p, std::string* data, ProtectionAction action) {
  p.ProcessBuffer(&(*data)[0], static_cast<int32_t>(data->size()), action);
}

TEST(ProtectionChainTest, CircularChainIsRefusedAndKeepsTheOldLink) {
  auto a = std::make_shared<TProtection>();
  auto b = std::make_shared<TProtection>(a);
  auto c = std::make_shared<TProtection>(b);
  auto other = std::make_shared<TProtection>();
  a->SetProtection(other);

  try {
    a->SetProtection(a);
    FAIL() << "self link accepted";
  } catch (const EProtection& e) {
    EXPECT_STREQ(e.what(), "Circular Protection detected, Protection Object is invalid.");
  }
  EXPECT_THROW(a->SetProtection(c), EProtection);  // c -> b -> a closes a loop
  EXPECT_EQ(a->Protection(), other);
  EXPECT_THROW(other->SetProtection(c), EProtection);  // longer loop through a
  EXPECT_EQ(other->Protection(), nullptr);

  a->SetProtection(other);  // the value already held: nothing changes
  EXPECT_EQ(a->Protection(), other);
  a->SetProtection(nullptr);
  EXPECT_EQ(a->Protection(), nullptr);
  EXPECT_EQ(other.use_count(), 1);  // the link's reference was released
}

TEST(ProtectionChainTest, InnerLivesAsLongAsTheChainHoldsIt) {
  auto inner = std::make_shared<THash_MD4>();
  std::weak_ptr<THash_MD4> watch = inner;
  TProtection outer(inner);
  inner.reset();
  ASSERT_FALSE(watch.expired());
  EXPECT_TRUE(IsLiveObject<THash>(outer.Protection().get()));
  EXPECT_TRUE(IsLiveObject<THash_MD4>(outer.Protection().get()));
  EXPECT_FALSE(IsLiveObject<THash_RipeMD256>(outer.Protection().get()));
  EXPECT_FALSE(IsLiveObject<THash>(nullptr));
  outer.SetProtection(nullptr);
  EXPECT_TRUE(watch.expired());
}

TEST(ProtectionChainTest, ActionsMembership) {
  TProtection p;
  EXPECT_EQ(p.Actions(), kAllProtectionActions);
  for (int a = 0; a <= 4; ++a) EXPECT_TRUE(p.HasAction(a));
  EXPECT_FALSE(p.HasAction(5));
  EXPECT_FALSE(ActionInSet(0xFF, 8));
  EXPECT_FALSE(ActionInSet(0xFF, 200));
  EXPECT_TRUE(ActionInSet(0xFF, 7));
}

// Outer: a hash key stream (XOR); inner: AddOne. XOR and addition do not
// commute, so the order of application shows in the result.
TEST(ProtectionChainTest, EncipherRunsInnermostFirstDecipherOutermostFirst) {
  const std::string plain = Bytes(70);
  std::string data = plain;
  {
    auto inner = std::make_shared<AddOne>();
    THash_RipeMD256 outer(inner);
    Pass(outer, &data, ActEncipher);
  }
  // Expected: (p + 1) XOR key stream. The inner protection also guards the
  // hash's digests, so the key stream is taken from the same chain over
  // zero bytes, which gives (0 + 1) XOR key stream.
  std::string zeros(plain.size(), '\0');
  {
    auto inner = std::make_shared<AddOne>();
    THash_RipeMD256 outer(inner);
    Pass(outer, &zeros, ActEncipher);
  }
  for (size_t i = 0; i < plain.size(); ++i) {
    const uint8_t key = static_cast<uint8_t>(zeros[i] ^ 1);
    ASSERT_EQ(static_cast<uint8_t>(data[i]), static_cast<uint8_t>((plain[i] + 1) ^ key)) << i;
  }
  auto inner = std::make_shared<AddOne>();
  THash_RipeMD256 outer(inner);
  Pass(outer, &data, ActDecipher);
  EXPECT_EQ(data, plain);
}

TEST(ProtectionPassTest, ZeroBytesStillStartsAndFinishes) {
  AddOne p;
  char byte = 0;
  EXPECT_EQ(p.ProcessBuffer(&byte, 0, ActEncipher), 0);
  EXPECT_EQ(p.log, (std::vector<std::string>{"start0", "chunk0", "finish0"}));
}

TEST(ProtectionPassTest, FinishRunsWhenAChunkFails) {
  AddOne p;
  p.fail = true;
  std::string data = "abc";
  EXPECT_THROW(Pass(p, &data, ActScramble), EProtection);
  EXPECT_EQ(p.log, (std::vector<std::string>{"start2", "chunk3", "finish2"}));
}

TEST(ProtectionPassTest, BaseForwardsHooksToInner) {
  auto inner = std::make_shared<AddOne>();
  TProtection outer(inner);
  std::string data = "xyz";
  Pass(outer, &data, ActWipe);
  EXPECT_EQ(data, "yz{");
  EXPECT_EQ(inner->log, (std::vector<std::string>{"start4", "chunk3", "finish4"}));
}

TEST(ProtectionStreamTest, InPlaceEqualsOneBufferPass) {
  const std::string plain = Bytes(10000);  // two full 4096-byte rounds and a tail
  MemoryByteStream stream(plain);
  stream.Seek(123, platform::kSeekBegin);
  THash_RipeMD256 h;
  h.ProcessStream(&stream, nullptr, -1, ActEncipher);  // -1: whole stream from 0

  std::string expected = plain;
  THash_RipeMD256 whole;
  Pass(whole, &expected, ActEncipher);
  EXPECT_EQ(stream.Data(), expected);
}

TEST(ProtectionStreamTest, CountAndPositionsOfSeparateStreams) {
  MemoryByteStream source("0123456789");
  MemoryByteStream destination("abcdefghij");
  source.Seek(2, platform::kSeekBegin);
  destination.Seek(5, platform::kSeekBegin);
  auto inner = std::make_shared<AddOne>();
  TProtection p(inner);
  p.ProcessStream(&source, &destination, 4, ActEncipher);
  EXPECT_EQ(source.Data(), "0123456789");
  EXPECT_EQ(destination.Data(), "abcde3456j");
  EXPECT_EQ(inner->log, (std::vector<std::string>{"start0", "chunk4", "finish0"}));

  // Stopping at the end of the source: a count beyond it is cut short.
  MemoryByteStream short_source("xy");
  MemoryByteStream out;
  p.ProcessStream(&short_source, &out, 100, ActEncipher);
  EXPECT_EQ(out.Data(), "yz");

  // A null source does nothing at all.
  inner->log.clear();
  p.ProcessStream(nullptr, &out, -1, ActEncipher);
  EXPECT_TRUE(inner->log.empty());
}

TEST(ProtectionStreamTest, CalculateWritesNothing) {
  const std::string data = Bytes(5000);
  MemoryByteStream source(data);
  MemoryByteStream destination;
  THash_MD4 h;
  h.ProcessStream(&source, &destination, -1, ActCalculate);
  EXPECT_EQ(source.Data(), data);
  EXPECT_EQ(destination.Size(), 0);
  THash_MD4 direct;
  direct.Start();
  direct.Update(data.data(), static_cast<int32_t>(data.size()));
  direct.Finish();
  EXPECT_EQ(h.DigestString(), direct.DigestString());
}

class ProtectionFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) {
    std::string p = ::testing::TempDir() + "vor_protection_" + name;
    paths_.push_back(p);
    return p;
  }
  static void Write(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void TearDown() override {
    for (const std::string& p : paths_) std::remove(p.c_str());
  }
  std::vector<std::string> paths_;
};

TEST_F(ProtectionFileTest, ToAnotherFileAndBackInPlace) {
  const std::string plain = Bytes(9000);
  const std::string source = Path("plain.bin");
  const std::string target = Path("coded.bin");
  Write(source, plain);
  Write(target, std::string(20000, 'o'));  // an existing file is replaced

  THash_RipeMD256 enc;
  enc.ProcessFile(source, target, ActEncipher);
  std::string expected = plain;
  THash_RipeMD256 whole;
  Pass(whole, &expected, ActEncipher);
  EXPECT_EQ(Read(target), expected);
  EXPECT_EQ(Read(source), plain);

  THash_RipeMD256 dec;
  dec.ProcessFile(target, "  ", ActDecipher);  // blank destination: in place
  EXPECT_EQ(Read(target), plain);
}

TEST_F(ProtectionFileTest, CalculateOnlyReads) {
  const std::string source = Path("calc.bin");
  Write(source, "abc");
  const std::string untouched = Path("never.bin");
  THash_MD4 h;
  h.ProcessFile(source, untouched, ActCalculate);
  std::string digest;
  for (int i = 0; i < 16; ++i) digest += static_cast<char>(h.Digest()[i]);
  EXPECT_EQ(digest, THash_MD4().KnownAnswer());
  EXPECT_FALSE(std::ifstream(untouched).good());
}

TEST_F(ProtectionFileTest, MissingSourceRaises) {
  THash_MD4 h;
  EXPECT_THROW(h.ProcessFile(Path("missing.bin"), Path("out.bin"), ActEncipher), EVorError);
}

TEST(ProtectionStringTest, RoundTripThroughTextFormats) {
  const std::string text = "the string pass renders its result";
  for (int32_t format : {-1, 16, 1016, 21845, 22616, 1}) {
    SCOPED_TRACE(format);
    THash_RipeMD256 enc;
    const std::string coded = enc.ProcessString(text, ActEncipher, format);
    EXPECT_NE(coded, text);
    THash_RipeMD256 dec;
    EXPECT_EQ(dec.ProcessString(coded, ActDecipher, format), text);
  }
  THash_RipeMD256 h;
  EXPECT_EQ(h.ProcessString("", ActEncipher, 16), "");
  EXPECT_EQ(h.ProcessString("abc", ActEncipher, 0), "");
  EXPECT_THROW(h.ProcessString("abc", ActEncipher, 2), EStringFormat);
  EXPECT_THROW(h.ProcessString("not hex at all", ActDecipher, 16), EStringFormat);
}

TEST(SeedTest, ScrambleWithSeed) {
  uint8_t zero = 0;
  ScrambleWithSeed(0, &zero, 1);
  EXPECT_EQ(zero, 0);  // the state becomes 1, whose top byte is 0

  uint8_t bytes[4] = {0x00, 0x00, 0x41, 0xFF};
  ScrambleWithSeed(0x12345678, bytes, 4);
  EXPECT_EQ(bytes[0], 0xCB);
  EXPECT_EQ(bytes[1], 0x79);
  EXPECT_EQ(bytes[2], 0xE3);
  EXPECT_EQ(bytes[3], 0x0F);
}

}  // namespace
}  // namespace vor
