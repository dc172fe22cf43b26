// Interrupt watching, replacing a file by another, and UTF-8 text to a
// code page.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/rename.h"
#include "platform/test_temp_dir.h"

namespace vor::testing {
namespace {

TEST(Process, NoInterruptBeforeOneArrives) {
  platform::WatchInterrupts();
  EXPECT_FALSE(platform::InterruptRequested());
}

using ReplaceFile = TempDirTest;

TEST_F(ReplaceFile, TakesThePlaceOfAnExistingFileOrAMissingOne) {
  ASSERT_TRUE(WriteAll(Path("new"), "new bytes"));
  ASSERT_TRUE(WriteAll(Path("target"), "old bytes"));
  ASSERT_TRUE(platform::ReplaceFileWith(Path("new"), Path("target")));
  EXPECT_EQ(ReadAll(Path("target")), "new bytes");
  EXPECT_FALSE(platform::FileExists(Path("new")));

  ASSERT_TRUE(WriteAll(Path("other"), "other bytes"));
  ASSERT_TRUE(platform::ReplaceFileWith(Path("other"), Path("fresh")));
  EXPECT_EQ(ReadAll(Path("fresh")), "other bytes");

  EXPECT_FALSE(platform::ReplaceFileWith(Path("missing"), Path("target")));
  EXPECT_EQ(ReadAll(Path("target")), "new bytes");
}

TEST(CodePage, Utf8ToCodePageConvertsOrRefuses) {
  const struct {
    const char* utf8;
    uint32_t cp;
    bool ok;
    const char* out;
  } cases[] = {
      {"Caf\xC3\xA9", 1252, true, "Caf\xE9"},
      {"\xE2\x82\xAC", 1252, true, "\x80"},
      {"\xD0\x96", 1251, true, "\xC6"},
      {"\xD0\x96", 1252, false, ""},  // no such letter in Western European
      {"Caf\xE9", 1252, false, ""},   // not UTF-8
      {"", 1252, true, ""},
  };
  for (const auto& c : cases) {
    std::string out;
    EXPECT_EQ(platform::Utf8ToCodePage(c.utf8, c.cp, &out), c.ok) << c.utf8;
    if (c.ok) {
      EXPECT_EQ(out, c.out) << c.utf8;
    }
  }
}

}  // namespace
}  // namespace vor::testing
