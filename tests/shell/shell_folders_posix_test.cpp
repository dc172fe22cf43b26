// Folder lookups from the XDG base and user directories under a temporary
// HOME, and opening files through xdg-open (a stand-in script on PATH).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/file_mode.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "shell/scoped_environment.h"
#include "shell/shell_misc.h"

namespace vor {
namespace {

using testing::ScopedEnvironment;
using testing::TempDirTest;

class XdgFoldersTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    home_ = std::make_unique<ScopedEnvironment>("HOME", dir_);
    data_ = std::make_unique<ScopedEnvironment>("XDG_DATA_HOME");
    config_ = std::make_unique<ScopedEnvironment>("XDG_CONFIG_HOME");
    desktop_ = std::make_unique<ScopedEnvironment>("XDG_DESKTOP_DIR");
  }
  void TearDown() override {
    desktop_.reset();
    config_.reset();
    data_.reset();
    home_.reset();
    TempDirTest::TearDown();
  }

  std::unique_ptr<ScopedEnvironment> home_, data_, config_, desktop_;
};

VersionSource Windows95() {
  return [](platform::OSVersionInfo* v) {
    v->platform_id = platform::kPlatformWin32Windows;
    v->major = 4;
    v->minor = 0;
    return true;
  };
}

TEST_F(XdgFoldersTest, DefaultsBelowHome) {
  TShellMisc misc;
  EXPECT_EQ(misc.GetProgramsFolder(), dir_ + "/.local/share/applications");
  EXPECT_EQ(misc.GetDesktopFolder(), dir_ + "/Desktop");
  EXPECT_EQ(misc.GetAppDataFolder(), dir_ + "/.config");
  // The system reports itself as a current NT release: the all-users folders.
  EXPECT_EQ(misc.GetOSVersionClass(), 6);
  EXPECT_EQ(misc.GetCommonProgramsFolder(), "/usr/share/applications");
  EXPECT_EQ(misc.GetCommonDesktopFolder(), dir_ + "/Desktop");
  // Below class 3 the all-users lookups give the current user's folders.
  TShellMisc old(0, Windows95());
  EXPECT_EQ(old.GetCommonProgramsFolder(), dir_ + "/.local/share/applications");
  EXPECT_EQ(old.GetSpecialFolder(platform::kFolderCommonPrograms), "/usr/share/applications");
  // Unknown identifiers give nothing.
  EXPECT_EQ(misc.GetSpecialFolder(5), "");
}

TEST_F(XdgFoldersTest, BaseDirectoryVariables) {
  ScopedEnvironment data("XDG_DATA_HOME", Path("data"));
  ScopedEnvironment config("XDG_CONFIG_HOME", Path("conf"));
  TShellMisc misc;
  EXPECT_EQ(misc.GetProgramsFolder(), Path("data") + "/applications");
  EXPECT_EQ(misc.GetAppDataFolder(), Path("conf"));
  // Relative values are not valid and are ignored.
  ScopedEnvironment relative_data("XDG_DATA_HOME", "data");
  ScopedEnvironment relative_config("XDG_CONFIG_HOME", "conf");
  EXPECT_EQ(misc.GetProgramsFolder(), dir_ + "/.local/share/applications");
  EXPECT_EQ(misc.GetAppDataFolder(), dir_ + "/.config");
}

TEST_F(XdgFoldersTest, DesktopFromUserDirs) {
  struct Case {
    const char* file;  // user-dirs.dirs
    std::string desktop;
  };
  const Case cases[] = {
      {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", dir_ + "/Schreibtisch"},
      {"# comment\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\n  XDG_DESKTOP_DIR=\"/srv/desk top\"\n",
       "/srv/desk top"},
      {"XDG_DESKTOP_DIR=\"$HOME/a\"\nXDG_DESKTOP_DIR=\"$HOME/b\"\n", dir_ + "/b"},
      {"XDG_DESKTOP_DIR=\"$HOME\"\n", dir_},
      {"XDG_DESKTOP_DIR=\"relative/desk\"\n", dir_ + "/Desktop"},
      {"XDG_DESKTOP_DIR=$HOME/unquoted\n", dir_ + "/Desktop"},
      {"", dir_ + "/Desktop"},
  };
  ASSERT_TRUE(platform::CreateDirectory(Path(".config")));
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteAll(Path(".config/user-dirs.dirs"), c.file));
    EXPECT_EQ(TShellMisc().GetDesktopFolder(), c.desktop) << c.file;
  }
  // The environment's XDG_DESKTOP_DIR stands in when the file sets none.
  ScopedEnvironment variable("XDG_DESKTOP_DIR", "/srv/env-desk");
  EXPECT_EQ(TShellMisc().GetDesktopFolder(), "/srv/env-desk");
  ASSERT_TRUE(WriteAll(Path(".config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Desk\"\n"));
  EXPECT_EQ(TShellMisc().GetDesktopFolder(), dir_ + "/Desk");
  // user-dirs.dirs lives in XDG_CONFIG_HOME when that is set.
  ASSERT_TRUE(platform::CreateDirectory(Path("conf")));
  ASSERT_TRUE(WriteAll(Path("conf/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"));
  ScopedEnvironment config("XDG_CONFIG_HOME", Path("conf"));
  EXPECT_EQ(TShellMisc().GetDesktopFolder(), dir_ + "/Bureau");
}

class LaunchTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    ASSERT_TRUE(platform::CreateDirectory(Path("bin")));
    path_ = std::make_unique<ScopedEnvironment>("PATH", Path("bin"));
  }
  void TearDown() override {
    path_.reset();
    TempDirTest::TearDown();
  }
  // An executable script that writes its arguments, one a line, to out.
  void WriteRecorder(const std::string& script, const std::string& out) {
    ASSERT_TRUE(WriteAll(script, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" + out +
                                     ".tmp'\n/bin/mv '" + out + ".tmp' '" + out + "'\n"));
    ASSERT_TRUE(platform::MakeExecutable(script));
  }
  // What the started program wrote; it runs on its own, so wait for it.
  std::string WaitFor(const std::string& out) {
    for (int i = 0; i < 500 && !platform::FileExists(out); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ReadAll(out);
  }

  std::unique_ptr<ScopedEnvironment> path_;
};

TEST_F(LaunchTest, OpensThroughXdgOpen) {
  WriteRecorder(Path("bin/xdg-open"), Path("opened"));
  ASSERT_TRUE(WriteAll(Path("read me.txt"), "text"));
  TShellMisc misc;
  EXPECT_TRUE(misc.Launch(Path("read me.txt"), ""));
  EXPECT_EQ(misc.LastLaunchResult(), 0);
  EXPECT_EQ(WaitFor(Path("opened")), Path("read me.txt") + "\n");
}

TEST_F(LaunchTest, RunsAProgramWithParameters) {
  WriteRecorder(Path("tool"), Path("ran"));
  TShellMisc misc;
  EXPECT_TRUE(misc.Launch(Path("tool"), "-x \"two words\" last"));
  EXPECT_EQ(WaitFor(Path("ran")), "-x\ntwo words\nlast\n");
}

TEST_F(LaunchTest, FailuresLeaveTheResult) {
  TShellMisc misc;
  EXPECT_FALSE(misc.Launch(Path("missing.txt"), ""));
  EXPECT_EQ(misc.LastLaunchResult(), 2);
  // No xdg-open on PATH: nothing can open the file.
  ASSERT_TRUE(WriteAll(Path("doc.txt"), "text"));
  EXPECT_FALSE(misc.Launch(Path("doc.txt"), ""));
  EXPECT_EQ(misc.LastLaunchResult(), 31);
  // A later success clears it.
  WriteRecorder(Path("bin/xdg-open"), Path("opened"));
  EXPECT_TRUE(misc.Launch(Path("doc.txt"), ""));
  EXPECT_EQ(misc.LastLaunchResult(), 0);
  WaitFor(Path("opened"));
}

}  // namespace
}  // namespace vor
