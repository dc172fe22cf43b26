// The six text formats, the registry and the format entry points.

#include "crypto/string_format.h"

#include <gtest/gtest.h>

#include <string>

#include "crypto/hash.h"
#include "crypto/string_format_hex.h"
#include "crypto/string_format_uu.h"

namespace vor {
namespace {

std::string Render(const std::string& bytes, int32_t id) { return RenderInFormat(bytes, id); }
std::string Parse(const std::string& text, int32_t id) { return ParseFromFormat(text, id); }

std::string AllBytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

std::string ExpectParseError(const std::string& text, int32_t id) {
  try {
    ParseFromFormat(text, id);
  } catch (const EStringFormat& e) {
    return e.what();
  }
  return "no error";
}

class StringFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterStringFormats(); }
};

TEST_F(StringFormatTest, RegistryHoldsTheSixFormats) {
  struct Entry {
    int32_t id;
    const char* name;
  };
  for (const Entry& e : {Entry{1, "copy Input to Output"}, Entry{16, "Hexadecimal"},
                         Entry{1016, "Hexadecimal lowercase"}, Entry{4196, "MIME Base 64"},
                         Entry{21845, "UU Coding"}, Entry{22616, "XX Coding"}}) {
    const TStringFormat* f = FindStringFormat(e.id);
    ASSERT_NE(f, nullptr) << e.id;
    EXPECT_EQ(f->FormatId(), e.id);
    EXPECT_EQ(f->DisplayName(), e.name);
  }
  EXPECT_EQ(FindStringFormat(-1), TStringFormat_MIME64::Instance());
  EXPECT_EQ(FindStringFormat(2), nullptr);
  EXPECT_EQ(TStringFormat_HEX::Instance()->Alphabet().size(), 48u);
  EXPECT_EQ(TStringFormat_HEXL::Instance()->Alphabet().size(), 48u);
  EXPECT_EQ(TStringFormat_MIME64::Instance()->Alphabet().size(), 85u);
  EXPECT_EQ(TStringFormat_UU::Instance()->Alphabet().size(), 68u);
  EXPECT_EQ(TStringFormat_XX::Instance()->Alphabet().size(), 74u);
}

// A format that takes the place of HEX under its identifier.
class OtherHex : public TStringFormat_HEX {
 public:
  std::string DisplayName() const override { return "Other"; }
};

TEST_F(StringFormatTest, AddReplacesInPlaceOrAppends) {
  static const OtherHex other;
  AddStringFormats({nullptr, &other});
  EXPECT_EQ(FindStringFormat(16), &other);
  RegisterStringFormats();  // start-up puts the standard set back
  EXPECT_EQ(FindStringFormat(16), TStringFormat_HEX::Instance());
}

TEST_F(StringFormatTest, RenderExamples) {
  struct Case {
    std::string bytes;
    int32_t id;
    std::string text;
  };
  const Case cases[] = {
      {"abc", 16, "616263"},
      {"abc", 1016, "616263"},
      {"abc", 4196, "YWJj"},
      {"abc", -1, "YWJj"},
      {"\xAB\xCD", 16, "ABCD"},
      {"\xAB\xCD", 1016, "abcd"},
      {"A", 4196, "QQ=="},
      {"AB", 4196, "QUI="},
      {"abc", 1, "abc"},
      {"abc", 0, ""},
      {"", 16, ""},
      {"Cat", 21845, "#0V%T"},
      {"Cat", 22616, "1Eq3o"},
  };
  for (const Case& c : cases) EXPECT_EQ(Render(c.bytes, c.id), c.text) << c.id;
}

TEST_F(StringFormatTest, RenderUnknownIdRaises) {
  try {
    Render("abc", 2);
    FAIL();
  } catch (const EStringFormat& e) {
    EXPECT_STREQ(e.what(), "String Format \"2\" not exists.");
  }
}

TEST_F(StringFormatTest, NegativeLengthStopsAtTheFirstZero) {
  const char bytes[] = {'a', 'b', '\0', 'c'};
  EXPECT_EQ(RenderInFormat(bytes, -1, 16), "6162");
  EXPECT_EQ(ParseFromFormat("4142\0"
                            "43",
                            -1, 16),
            "AB");
  EXPECT_EQ(RenderInFormat(nullptr, 5, 16), "");
  EXPECT_EQ(ParseFromFormat(nullptr, 5, 16), "");
  EXPECT_EQ(ParseFromFormat("41", 0, 16), "");
}

TEST_F(StringFormatTest, HexParsing) {
  struct Case {
    std::string text;
    int32_t id;
    std::string bytes;
  };
  const Case cases[] = {
      {"0x1F", 16, "\x1F"},
      {"$1F", 16, "\x1F"},
      {"1 f", 16, "\x1F"},
      {"ABC", 16, "\xAB"},
      {"0X1f", 1016, "\x1F"},
      {"ABCD", 1016, "\xAB\xCD"},
      {"abcd", 16, "\xAB\xCD"},
      {"12$34x56", 16, "\x34\x56"},  // later marks are skipped
      {"{01, 02}\r\n", 16, std::string("\x01\x02", 2)},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.text, c.id), c.bytes) << c.text;
  EXPECT_EQ(ExpectParseError("12g4", 16), "Input is not an valid Hexadecimal Format.");
  EXPECT_EQ(ExpectParseError("zz", 1016), "Input is not an valid Hexadecimal lowercase Format.");
}

TEST_F(StringFormatTest, Mime64Parsing) {
  EXPECT_EQ(Parse("QQ==", 4196), "A");
  EXPECT_EQ(Parse("QUI=", 4196), "AB");
  EXPECT_EQ(Parse("YW Jj\r\n", 4196), "abc");  // separators do not count
  EXPECT_EQ(Parse("QQ==QUI=", 4196), "AAB");
  EXPECT_EQ(ExpectParseError("YW.j", 4196), "Input is not an valid MIME Base 64 Format.");
}

TEST_F(StringFormatTest, RoundTripEveryFormatAndLength) {
  const std::string all = AllBytes();
  for (int32_t id : {1, 16, 1016, 4196, 21845, 22616}) {
    for (size_t n : {1u, 2u, 3u, 44u, 45u, 46u, 90u, 91u, 256u}) {
      const std::string bytes = all.substr(256 - n);
      const std::string text = Render(bytes, id);
      EXPECT_EQ(Parse(text, id), bytes) << "format " << id << ", " << n << " bytes";
    }
  }
}

TEST_F(StringFormatTest, UULinesOf45Bytes) {
  const std::string bytes = AllBytes().substr(0, 46);
  const std::string text = Render(bytes, 21845);
  ASSERT_EQ(text.size(), 1u + 60u + 1u + 4u);
  EXPECT_EQ(text[0], 'M');
  EXPECT_EQ(text[61], '!');  // length character for one byte
  EXPECT_TRUE(TStringFormat_UU::Instance()->Accepts(text.data(), static_cast<int32_t>(text.size()),
                                                    FormatDirection::kParse));
  EXPECT_EQ(Parse(text, 21845), bytes);

  const std::string xx = Render(bytes, 22616);
  EXPECT_EQ(xx[0], 'h');
  EXPECT_EQ(xx[61], '-');
  EXPECT_EQ(Parse(xx, 22616), bytes);
}

TEST_F(StringFormatTest, UUAcceptsAndParseErrors) {
  const TStringFormat_UU* uu = TStringFormat_UU::Instance();
  auto accepts = [uu](const std::string& t) {
    return uu->Accepts(t.data(), static_cast<int32_t>(t.size()), FormatDirection::kParse);
  };
  EXPECT_TRUE(accepts("#0V%T"));
  EXPECT_TRUE(accepts("#0V %T"));    // separators inside a line are not counted
  EXPECT_FALSE(accepts("#0V%"));     // line cut short
  EXPECT_FALSE(accepts("#0V%T\n"));  // a separator cannot start a line
  EXPECT_FALSE(accepts("#0V%TA"));   // text past the last complete line
  EXPECT_FALSE(accepts("N0000"));    // length character beyond 45 bytes
  EXPECT_FALSE(accepts("#0v%T"));    // lower case is not in the UU table
  EXPECT_EQ(ExpectParseError("#0V%", 21845), "Input is not an valid UU Coding Format.");
  EXPECT_EQ(ExpectParseError("zzzz", 22616), "Input is not an valid XX Coding Format.");
  // The direct parse raises for a bad length character as well.
  EXPECT_THROW(uu->Parse("N000", 4), EStringFormat);
}

TEST_F(StringFormatTest, HashStringRendersDigest) {
  EXPECT_EQ(HashString(&THash_MD4::Create, "abc", nullptr, 1016),
            "a448017aaf21d8525fc10ae87aa6729d");
  EXPECT_EQ(HashString(&THash_MD4::Create, "abc", nullptr, 1), THash_MD4().KnownAnswer());
  EXPECT_EQ(HashString(&THash_RipeMD256::Create, "abc", nullptr, 16),
            "AFBD6E228B9D8CBBCEF5CA2D03E6DBA10AC0BC7DCBE4680E1E42D2E975459B65");
  EXPECT_EQ(HashString(&THash_MD4::Create, "abc", nullptr, 0), "");
  EXPECT_THROW(HashString(&THash_MD4::Create, "abc", nullptr, 2), EStringFormat);
}

}  // namespace
}  // namespace vor
