// The shell's folders, launching and folder creation on the system itself.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/com.h"
#include "platform/fs.h"
#include "shell/server_registration.h"
#include "shell/shell_misc.h"

namespace vor {
namespace {

VersionSource Fixed(uint32_t platform_id, uint32_t major, uint32_t minor, const char* sp = "") {
  return [=](platform::OSVersionInfo* v) {
    v->platform_id = platform_id;
    v->major = major;
    v->minor = minor;
    v->service_pack = sp;
    return true;
  };
}

class SystemFoldersTest : public ::testing::Test {
 protected:
  platform::ComApartment com_{platform::ComInit::kCoInitialize};
};

TEST_F(SystemFoldersTest, GettersReturnExistingFolders) {
  TShellMisc misc;
  const std::string folders[] = {misc.GetProgramsFolder(), misc.GetDesktopFolder(),
                                 misc.GetCommonProgramsFolder(), misc.GetCommonDesktopFolder(),
                                 misc.GetAppDataFolder()};
  for (const std::string& folder : folders) {
    EXPECT_FALSE(folder.empty());
    EXPECT_TRUE(DiskFolderExists(folder)) << folder;
  }
  EXPECT_EQ(misc.GetOSVersionClass(), 6);
  EXPECT_NE(misc.GetCommonProgramsFolder(), misc.GetProgramsFolder());
  EXPECT_NE(misc.GetCommonDesktopFolder(), misc.GetDesktopFolder());
}

TEST_F(SystemFoldersTest, AllUsersFoldersByVersionClass) {
  const TShellMisc system;
  const std::string user_programs = system.GetProgramsFolder();
  const std::string user_desktop = system.GetDesktopFolder();
  const std::string all_programs = system.GetSpecialFolder(platform::kFolderCommonPrograms);
  const std::string all_desktop = system.GetSpecialFolder(platform::kFolderCommonDesktopDirectory);
  struct Case {
    VersionSource version;
    bool all_users;
  };
  const uint32_t k9x = platform::kPlatformWin32Windows;
  const uint32_t kNT = platform::kPlatformWin32NT;
  const Case cases[] = {
      {Fixed(k9x, 4, 10, " A"), false},  // 98 SE
      {Fixed(k9x, 4, 90), true},         // Me
      {Fixed(kNT, 4, 0), true},          // NT 4
      {Fixed(kNT, 5, 1), true},          // XP
      {Fixed(kNT, 5, 2), true},          // Server 2003 and every later NT release
      {Fixed(kNT, 6, 1), true},
      {Fixed(kNT, 10, 0), true},
      {Fixed(0, 3, 10), false},  // unknown: class -1
      {[](platform::OSVersionInfo*) { return false; }, false},
  };
  for (const Case& c : cases) {
    const TShellMisc misc(0, c.version);
    EXPECT_EQ(misc.GetCommonProgramsFolder(), c.all_users ? all_programs : user_programs)
        << misc.GetOSVersionClass();
    EXPECT_EQ(misc.GetCommonDesktopFolder(), c.all_users ? all_desktop : user_desktop)
        << misc.GetOSVersionClass();
  }
}

TEST_F(SystemFoldersTest, LaunchOfAMissingFile) {
  TShellMisc misc;
  EXPECT_FALSE(misc.Launch("C:\\no such folder\\no such program.exe", ""));
  EXPECT_GT(misc.LastLaunchResult(), 0);
  EXPECT_LE(misc.LastLaunchResult(), 32);
}

TEST_F(SystemFoldersTest, LaunchRunsAProgramWithParameters) {
  const std::string folder = platform::MakeTempDirectory("vor-launch-");
  const std::string marker = folder + "\\launched.txt";
  TShellMisc misc;
  EXPECT_TRUE(misc.Launch("cmd.exe", "/c echo launched>\"" + marker + "\""));
  EXPECT_EQ(misc.LastLaunchResult(), 0);
  // The program runs on its own; wait for what it writes.
  for (int i = 0; i < 500 && platform::GetFileSize(marker) <= 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_GT(platform::GetFileSize(marker), 0);
  for (int i = 0; i < 100 && !platform::RemoveDirectoryTree(folder); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TEST_F(SystemFoldersTest, CreateFolderPathOnDriveC) {
  const std::string a = "C:\\vor-shell-test-A";
  platform::RemoveDirectoryTree(a);
  ASSERT_TRUE(platform::CreateDirectory(a));
  EXPECT_TRUE(CreateFolderPath(a + "\\B\\C"));
  EXPECT_TRUE(DiskFolderExists(a + "\\B"));
  EXPECT_TRUE(DiskFolderExists(a + "\\B\\C"));
  EXPECT_TRUE(platform::RemoveDirectoryTree(a));
  // A drive and its root count as existing.
  EXPECT_TRUE(CreateFolderPath("C:"));
  EXPECT_TRUE(CreateFolderPath("C:\\"));
  EXPECT_TRUE(DiskFolderExists("C:\\"));
}

}  // namespace
}  // namespace vor
