// TShellMisc parts that do not depend on the system's folders: the version
// text, the generator's seed, the program's folder and the owner rule.
#include "shell/shell_misc.h"

#include <gtest/gtest.h>

#include "crypto/random.h"
#include "platform/fs.h"
#include "shell/shell_errors.h"

namespace vor {
namespace {

TEST(ShellMiscTest, VersionIsFixed) {
  TShellMisc misc;
  EXPECT_EQ(misc.Version(), "2.0.0.24");
  misc.SetVersion("9.9");
  EXPECT_EQ(misc.Version(), "2.0.0.24");
  EXPECT_EQ(misc.LastLaunchResult(), 0);
}

TEST(ShellMiscTest, TimeOfDaySeed) {
  struct Case {
    uint16_t hour, minute, second, ms;
    uint32_t seed;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0},
      {0, 0, 0, 999, 999},
      {0, 0, 1, 0, 1000},
      {0, 1, 0, 0, 60000},
      {1, 0, 0, 0, 3600000},
      {12, 34, 56, 789, 45296789},
      {23, 59, 59, 999, 86399999},
  };
  for (const Case& c : cases) {
    platform::SystemTime t;
    t.year = 2024;  // the date takes no part
    t.month = 5;
    t.day = 17;
    t.hour = c.hour;
    t.minute = c.minute;
    t.second = c.second;
    t.milliseconds = c.ms;
    EXPECT_EQ(TimeOfDaySeed(t), c.seed) << c.hour << ":" << c.minute << ":" << c.second;
  }
}

TEST(ShellMiscTest, SeedsTheGeneratorFromTheUtcTimeOfDay) {
  const uint32_t before = TimeOfDaySeed(platform::GetSystemTimeUtc());
  SeedRandomFromTimeOfDay();
  const uint32_t seed = RandomState();
  const uint32_t after = TimeOfDaySeed(platform::GetSystemTimeUtc());
  if (after < before) GTEST_SKIP() << "the day changed during the test";
  EXPECT_GE(seed, before);
  EXPECT_LE(seed, after);
}

TEST(ShellMiscTest, ExeFolderHoldsTheRunningProgram) {
  const std::string folder = TShellMisc::GetExeFolder();
  ASSERT_FALSE(folder.empty());
  const char last = folder.back();
  EXPECT_TRUE(last == platform::PathDelimiter() || last == ':') << folder;
  // The test libraries are built next to the test program.
  EXPECT_TRUE(platform::FileExists(folder + VOR_TEST_SERVER_NAME)) << folder;
}

TEST(ShellMiscTest, AnOwnerThatIsNotAWindow) {
  // No window has the handle 1 (handles are multiples of 2 or 4).
  TShellMisc misc(1);
  try {
    misc.GetProgramsFolder();
    ADD_FAILURE();
  } catch (const EShellMiscError& e) {
    EXPECT_STREQ(e.what(), "TShellMisc.GetSpecialFolder - owner is not a window");
  }
  EXPECT_EQ(misc.GetAppDataFolder(), TShellMisc::GetExeFolder());
  misc.SetOwner(0);
  EXPECT_NE(misc.GetAppDataFolder(), TShellMisc::GetExeFolder());
}

}  // namespace
}  // namespace vor
