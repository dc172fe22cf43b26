#include "container/store/collation.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "container/store/name_utils.h"
#include "platform/locale.h"

namespace vor {
namespace {

std::string Chr(int c) { return std::string(1, static_cast<char>(c)); }

bool IsPermutation(const std::array<uint8_t, 256>& table) {
  return std::set<uint8_t>(table.begin(), table.end()).size() == 256;
}

// The case-mapping rule behind every table: two one-character names are
// equal exactly when their upper-case forms are the same character.
void ExpectEqualityFollowsUpperCase(const TCollation& col, uint8_t (*upper)(uint32_t, uint8_t)) {
  for (int a = 1; a < 256; ++a) {
    for (int b = 1; b < 256; ++b) {
      const bool same =
          upper(col.Locale, static_cast<uint8_t>(a)) == upper(col.Locale, static_cast<uint8_t>(b));
      ASSERT_EQ(CompareNames(col, Chr(a), Chr(b)) == 0, same) << a << " " << b;
    }
  }
}

uint8_t PlatformUpper(uint32_t lcid, uint8_t c) {
  return static_cast<uint8_t>(platform::CharUpperInLocale(lcid, static_cast<char>(c)));
}
uint8_t TurkishUpper(uint32_t, uint8_t c) { return TurkishUpperTable()[c]; }

TEST(CollationTest, TurkishTablesArePermutationsWithTheTurkishCaseRules) {
  ASSERT_TRUE(IsPermutation(TurkishRankTable()));
  const auto& upper = TurkishUpperTable();
  EXPECT_EQ(upper['i'], 0xDD);
  EXPECT_EQ(upper[0xFD], 'I');
  EXPECT_EQ(upper['I'], 'I');
  EXPECT_EQ(upper[0xF0], 0xD0);  // g with breve
  EXPECT_EQ(upper[0xFE], 0xDE);  // s with cedilla
  EXPECT_EQ(upper[0xF7], 0xF7);  // division sign stays
  EXPECT_EQ(upper[0xFF], 0xFF);
  EXPECT_EQ(TurkishRankTable()[0], 0);
  EXPECT_EQ(TurkishRankTable()[' '], 1);
}

TEST(CollationTest, TurkishLocaleComparesDottedAndDotlessI) {
  const TCollation tr = BuildCollation(platform::kLocaleTurkish);
  ASSERT_TRUE(tr.CollationByTable);
  EXPECT_NE(CompareNames(tr, "i", "I"), 0);
  EXPECT_EQ(CompareNames(tr, "i", Chr(0xDD)), 0);
  EXPECT_EQ(CompareNames(tr, Chr(0xFD), "I"), 0);
  EXPECT_NE(CompareNames(tr, Chr(0xFD), "i"), 0);
  EXPECT_EQ(CompareNames(tr, "d" + Chr(0xFD) + "zin", "DIZ" + Chr(0xDD) + "N"), 0);
  EXPECT_EQ(CompareNames(tr, Chr(0xE7) + Chr(0xFE) + Chr(0xF0), Chr(0xC7) + Chr(0xDE) + Chr(0xD0)),
            0);
  ExpectEqualityFollowsUpperCase(tr, TurkishUpper);
}

TEST(CollationTest, WesternLocaleFoldsEveryLetterOfTheCodePage) {
  const TCollation col = BuildCollation(platform::kLocaleEnglishUS);
  ASSERT_TRUE(col.CollationByTable);
  EXPECT_TRUE(IsPermutation(col.SortKey));
  for (int c = 0; c < 256; ++c) EXPECT_EQ(col.SortKeyInverse[col.SortKey[c]], c);
  EXPECT_EQ(CompareNames(col, "i", "I"), 0);
  ExpectEqualityFollowsUpperCase(col, PlatformUpper);
}

TEST(CollationTest, NamesAreEqualOnlyWhenTheyAgreeCharacterByCharacter) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {
      {"Readme.RTF", "README.rtf", true},
      {"a", "a b", false},
      {"a", "A", true},
      {"", "", true},
      {"a", "", false},
      {"ab", "abc", false},
      {"file1", "file2", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareNames(c.a, c.b) == 0, c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(CompareNames(c.b, c.a) == 0, c.equal) << c.b << " / " << c.a;
  }
}

TEST(CollationTest, OrderIsAntisymmetricAndAShorterPrefixComesFirst) {
  const TCollation& col = Collation();
  EXPECT_LT(CompareNames(col, "abc", "abcd"), 0);
  EXPECT_GT(CompareNames(col, "abcd", "ABC"), 0);
  const char* names[] = {"a", "B", "c", "a b", "a_b", "Z", "0", "~"};
  for (const char* x : names) {
    for (const char* y : names) {
      const int xy = CompareNames(col, x, y);
      const int yx = CompareNames(col, y, x);
      EXPECT_EQ(xy<0, yx> 0) << x << " " << y;
    }
  }
}

TEST(CollationTest, CompareFoldedWorksOnRankStrings) {
  const TCollation tr = BuildCollation(platform::kLocaleTurkish);
  auto ranks = [&tr](const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(tr.SortKey[static_cast<uint8_t>(c)]);
    return r;
  };
  EXPECT_EQ(CompareFolded(tr, ranks("readme"), ranks("README")), 0);
  EXPECT_EQ(CompareFolded(tr, "", ""), 0);
  EXPECT_LT(CompareFolded(tr, "", ranks("x")), 0);
  EXPECT_GT(CompareFolded(tr, ranks("x"), ""), 0);
  EXPECT_EQ(CompareFolded(tr, ranks("abc"), ranks("abd")) < 0, CompareNames(tr, "abc", "abd") < 0);
}

TEST(CollationTest, ProcessCollationIsBuiltOnceForTheUserLocale) {
  InitCollation();
  const TCollation& col = Collation();
  EXPECT_EQ(&col, &Collation());
  EXPECT_EQ(col.Locale, platform::GetUserDefaultLCID());
  EXPECT_TRUE(col.CollationByTable);
}

}  // namespace
}  // namespace vor
