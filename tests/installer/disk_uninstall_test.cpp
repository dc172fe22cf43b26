// The removal on the real disk (and, under Wine, the real registry and
// library loader): an installation laid out in a temporary folder as the
// installation run leaves it, then removed from its install.log.
#include <gtest/gtest.h>

#include "installer/engine/disk_uninstall_system.h"
#include "installer/engine/uninstall_entry.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

class DiskUninstallTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    for (const char* folder : {"App", "App/Bin", "Programs", "Programs/Tools", "Programs/Tools/App",
                               "Desktop", "Quick"}) {
      ASSERT_TRUE(platform::CreateDirectory(P(folder))) << folder;
    }
    folders_.programs = P("Programs");
    folders_.desktop = P("Desktop");
    folders_.quick_launch = P("Quick");
    for (const char* file : {"App/a.txt", "App/Bin/b.dat", "App/uninstall.exe", "outside.txt",
                             "Programs/Tools/App/App.lnk", "Desktop/App.lnk", "Quick/App.lnk"}) {
      ASSERT_TRUE(WriteAll(P(file), file)) << file;
    }
    // A server library of the installation, as the job registers it.
    const std::string server = ReadAll(platform::ExtractFilePath(platform::ExecutablePath()) +
                                       ".." + platform::PathDelimiter() + "shell" +
                                       platform::PathDelimiter() + VOR_TEST_SERVER_NAME);
    ASSERT_FALSE(server.empty());
    ASSERT_TRUE(WriteAll(P("App/Bin/server.dll"), server));
  }

  // dir + relative, "/" in relative turned into the platform's delimiter.
  std::string P(std::string relative) const {
    for (char& c : relative) {
      if (c == '/') c = platform::PathDelimiter();
    }
    return Path(relative);
  }

  void WriteLog(const std::vector<std::string>& extra) {
    std::string log = "*VOR Disk Test\r\na.txt\r\nBin\\b.dat\r\nBin\\server.dll\r\n";
    for (const char* link : {"Programs/Tools/App/App.lnk", "Desktop/App.lnk", "Quick/App.lnk"}) {
      log += P(link) + "\r\n";
    }
    for (const std::string& line : extra) log += line + "\r\n";
    log += "REG:" + P("App/Bin/server.dll") + "\r\n";
    ASSERT_TRUE(WriteAll(P("App/install.log"), log));
  }

  UninstallReport Run() {
    DiskUninstallSystem system;
    return Uninstall(P("App/install.log"), system, DiskUninstallOptions(folders_));
  }

  ShellFolders folders_;
};

TEST_F(DiskUninstallTest, RemovesTheInstallationAndItsEntry) {
  WriteLog({});
  UninstallEntry entry;
  entry.app_name = "VOR Disk Test";
  entry.dest_dir = P("App");
  entry.program_path = P("App/a.txt");
  ASSERT_NO_THROW(WriteUninstallEntry(entry));

  // The server is unregistered while its file is there; the marker it
  // writes beside itself is not the installation's and stays.
  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallRemoved)
      << (report.notes.empty() ? "" : report.notes[0].text);
  EXPECT_EQ(ReadAll(P("App/Bin/server.dll.unregistered")), "unregistered");
  for (const char* gone :
       {"App/a.txt", "App/Bin/b.dat", "App/Bin/server.dll", "App/install.log", "App/uninstall.exe",
        "Programs/Tools/App", "Desktop/App.lnk", "Quick/App.lnk"}) {
    EXPECT_EQ(platform::GetFileAttributes(P(gone)), platform::kInvalidFileAttributes) << gone;
  }
  // Bin holds the marker the server wrote: it stays, and D with it.
  EXPECT_TRUE(report.folder_kept);
  for (const char* kept : {"Programs/Tools", "Desktop", "Quick", "outside.txt"}) {
    EXPECT_NE(platform::GetFileAttributes(P(kept)), platform::kInvalidFileAttributes) << kept;
  }
  platform::RegistryError error;
  EXPECT_EQ(platform::RegistryKey::Open(platform::RegistryRoot::kCurrentUser,
                                        UninstallKeyPath(entry.app_name), &error),
            nullptr);
}

TEST_F(DiskUninstallTest, CraftedLinesLeaveEverythingOutside) {
  WriteLog({"..\\outside.txt", "..\\..\\x", "C:\\x", "\\\\server\\x", P("outside.txt"),
            P("outside.lnk")});
  ASSERT_TRUE(WriteAll(P("outside.lnk"), "x"));
  ASSERT_TRUE(WriteAll(P("App/mine.txt"), "the user's"));
  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallRefusedLines);
  EXPECT_EQ(report.notes.size(), 6u);
  EXPECT_EQ(ReadAll(P("outside.txt")), "outside.txt");
  EXPECT_EQ(ReadAll(P("outside.lnk")), "x");
  EXPECT_EQ(ReadAll(P("App/mine.txt")), "the user's");
  EXPECT_TRUE(report.folder_kept);
  EXPECT_FALSE(platform::FileExists(P("App/a.txt")));
  EXPECT_FALSE(platform::FileExists(P("App/install.log")));
}

}  // namespace
}  // namespace vor
