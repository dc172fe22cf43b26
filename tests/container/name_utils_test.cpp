#include "container/store/name_utils.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/time.h"

namespace vor {
namespace {

TEST(MatchesMaskTest, Examples) {
  struct Case {
    const char* name;
    const char* mask;
    bool ignore_case;
    bool match;
  };
  const Case cases[] = {
      {"readme.rtf", "*.RTF", true, true},
      {"readme.rtf", "*.RTF", false, false},
      {"abc", "a?c", false, true},
      {"ab", "abc", false, false},
      {"abc", "ab", false, false},
      {"[", "{", true, true},  // codes 32 apart match when ignoring case
      {"[", "{", false, false},
      {"anything", "*.*", false, true},
      {"", "*.*", false, true},
      {"noext", "*.*", false, true},
      {"abc", "*", false, true},
      {"", "*", false, true},
      {"", "", false, true},
      {"a", "", false, false},
      {"", "?", false, false},
      {"abc", "a*", false, true},
      {"abc", "*c", false, true},
      {"abc", "*b", false, false},
      {"a", "a**", false, false},  // a lone trailing "*" only matches after the name
      {"ab", "a**", false, true},
      {"file.txt", "f*.t?t", false, true},
      {"file.txt", "*.*t", false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesMask(c.name, c.mask, c.ignore_case), c.match)
        << '"' << c.name << "\" \"" << c.mask << "\" " << c.ignore_case;
  }
}

TEST(MatchesMaskTest, ManyStarsDoNotTakeExponentialTime) {
  const std::string name(259, 'a');
  EXPECT_FALSE(MatchesMask(name, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", false));
  EXPECT_TRUE(MatchesMask(name + "b", "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", false));
}

TEST(SplitPathTest, Examples) {
  struct Case {
    const char* path;
    bool split;
    const char* folder;
    const char* name;
  };
  const Case cases[] = {
      {"a\\b", true, "a", "b"},     {"a/b/c", true, "a/b", "c"}, {"\\file", true, "", "file"},
      {"a\\b\\", true, "a", "b"},   {"a\\", false, "", ""},      {"\\", false, "", ""},
      {"name", false, "", ""},      {"", false, "", ""},         {"a\\\\", true, "a", ""},
      {"x/y\\z", true, "x/y", "z"},
  };
  for (const auto& c : cases) {
    std::string folder = "?";
    std::string name = "?";
    ASSERT_EQ(SplitPath(c.path, &folder, &name), c.split) << c.path;
    if (!c.split) continue;
    EXPECT_EQ(folder, c.folder) << c.path;
    EXPECT_EQ(name, c.name) << c.path;
  }
}

TEST(NowFileTimeTest, IsTheCurrentTimeOnAnEvenSecond) {
  const uint64_t now = NowFileTime();
  uint64_t local = 0;
  ASSERT_TRUE(platform::FileTimeToLocalFileTime(now, &local));
  platform::SystemTime st;
  ASSERT_TRUE(platform::FileTimeToSystemTime(local, &st));
  EXPECT_EQ(st.second % 2, 0);
  EXPECT_EQ(st.milliseconds, 0);
  uint64_t utc_now = 0;
  ASSERT_TRUE(platform::SystemTimeToFileTime(platform::GetSystemTimeUtc(), &utc_now));
  EXPECT_LE(now, utc_now);
  EXPECT_LT(utc_now - now, 30ull * 10000000ull);
}

TEST(DosDateTimeTest, LocalDosFormOfAFileTime) {
  // 2004-05-06 07:08:10 local time.
  platform::SystemTime st;
  st.year = 2004;
  st.month = 5;
  st.day = 6;
  st.hour = 7;
  st.minute = 8;
  st.second = 10;
  uint64_t local = 0;
  uint64_t utc = 0;
  ASSERT_TRUE(platform::SystemTimeToFileTime(st, &local));
  ASSERT_TRUE(platform::LocalFileTimeToFileTime(local, &utc));
  const uint32_t dos = static_cast<uint32_t>(FileTimeToLocalDosDateTime(utc));
  EXPECT_EQ(dos >> 16, ((2004u - 1980u) << 9) | (5u << 5) | 6u);
  EXPECT_EQ(dos & 0xFFFF, (7u << 11) | (8u << 5) | 5u);
}

}  // namespace
}  // namespace vor
