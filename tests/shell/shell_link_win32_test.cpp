// The shortcut writer over the system's link object: links written to disk
// and loaded back through the link object's file interface.
#include <gtest/gtest.h>

#include "common/coding.h"
#include "platform/com.h"
#include "platform/com_result.h"
#include "platform/test_temp_dir.h"
#include "shell/shell_errors.h"
#include "shell/shell_services.h"
#include "shell/sx_shell_link.h"

namespace vor {
namespace {

using testing::TempDirTest;

class SystemLinkTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    ASSERT_TRUE(WriteAll(Path("app.exe"), "MZ not really a program"));
    ASSERT_TRUE(WriteAll(Path("app.ico"), "not really an icon"));
  }

  platform::ComApartment com_{platform::ComInit::kCoInitialize};
};

TEST_F(SystemLinkTest, EveryPropertyWrittenAndLoadedBack) {
  const std::string target = Path("app.exe");
  {
    TSxWinShellLink link;
    link.SetPath(target);
    link.SetWorkingDirectory(dir_);
    link.SetDescription("My App (Deluxe)");
    link.SetIconLocationPath(Path("app.ico"));
    link.SetIconLocationIndex(2);
    link.SetArguments("--open \"a file.txt\" /q");
    link.SetHotKey(0xC046);  // Ctrl+Alt+F
    link.SetShowCmd(TSxShowCmd::scShowMaximized);
    link.SaveToFile(Path("My App.lnk"));
  }
  // The file's fixed header: icon index at 0x38, show command at 0x3C, the
  // hot-key word at 0x40.
  const std::string file = ReadAll(Path("My App.lnk"));
  ASSERT_GE(file.size(), 0x4Cu);
  const auto* header = reinterpret_cast<const uint8_t*>(file.data());
  EXPECT_EQ(DecodeFixed32(header + 0x38), 2u);
  EXPECT_EQ(DecodeFixed32(header + 0x3C), 3u);  // SW_SHOWMAXIMIZED
  EXPECT_EQ(DecodeFixed16(header + 0x40), 0x0646);
  ASSERT_TRUE(platform::FileExists(Path("My App.lnk")));

  TSxWinShellLink back;
  back.LoadFromFile(Path("My App.lnk"));
  back.SetPathFlag(TSxPathFlag::pfRawPath);
  EXPECT_EQ(back.GetPath(), target);
  EXPECT_EQ(back.FindData().file_name, "app.exe");
  EXPECT_EQ(back.GetWorkingDirectory(), dir_);
  EXPECT_EQ(back.GetDescription(), "My App (Deluxe)");
  EXPECT_EQ(back.GetIconLocationPath(), Path("app.ico"));
  EXPECT_EQ(back.GetIconLocationIndex(), 2);
  EXPECT_EQ(back.GetArguments(), "--open \"a file.txt\" /q");
  EXPECT_EQ(back.GetHotKey(), 0xC046);
  // The word the link holds: 0x0646.
  EXPECT_EQ(back.HotKeyCode(), 0x46);
  EXPECT_EQ(back.HotKeyModifiers(), hkCtrl | hkAlt);
  // Wine's link object does not take the show command over from the file
  // it loads (it keeps its default); the header above shows what was written.
  EXPECT_NO_THROW(back.GetShowCmd());
  // The short form of a path names the same file.
  back.SetPathFlag(TSxPathFlag::pfShortPath);
  EXPECT_FALSE(back.GetPath().empty());
}

TEST_F(SystemLinkTest, IconPathAndIndexKeepEachOther) {
  TSxWinShellLink link;
  link.SetIconLocationIndex(3);
  link.SetIconLocationPath(Path("app.ico"));
  EXPECT_EQ(link.GetIconLocationIndex(), 3);
  link.SetIconLocationPath(Path("app.exe"));
  link.SetIconLocationIndex(0);
  EXPECT_EQ(link.GetIconLocationPath(), Path("app.exe"));
  EXPECT_EQ(link.GetIconLocationIndex(), 0);
}

TEST_F(SystemLinkTest, NewLinkAndLongDescriptions) {
  TSxWinShellLink link;
  ASSERT_EQ(link.DescriptionBufferSize(), 1024);  // every system Wine reports is 5 or later
  link.SetDescription("Caption");
  EXPECT_EQ(link.GetDescription(), "Caption");
  link.NewLink();
  EXPECT_EQ(link.GetDescription(), "");
  const std::string longest(1023, 'd');
  link.SetDescription(longest);
  EXPECT_EQ(link.GetDescription(), longest);
  EXPECT_THROW(link.SetDescription(longest + "d"), ESxShellLink);
  EXPECT_EQ(link.GetDescription(), longest);
}

TEST_F(SystemLinkTest, SavingIntoAMissingFolderRaisesTheSystemMessage) {
  TSxWinShellLink link;
  link.SetPath(Path("app.exe"));
  link.SetDescription("Lost");
  try {
    link.SaveToFile(Path("no such folder") + "\\Lost.lnk");
    ADD_FAILURE();
  } catch (const EShellCallError& e) {
    EXPECT_TRUE(platform::ResultFailed(e.Code()));
    EXPECT_EQ(e.what(), platform::ResultMessage(e.Code()));
    EXPECT_EQ(std::string(e.what()).find("Error 0x"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(platform::FileExists(Path("no such folder") + "\\Lost.lnk"));
}

TEST_F(SystemLinkTest, ServicesWriteTheInstallersShortcut) {
  // The installation's sequence for one shortcut, through the interface.
  ShellServices services;
  ILinkWriter& link = services.Link();
  link.NewLink();
  link.SetDescription("Program");
  link.SetWorkingDirectory(dir_);
  link.SetIconLocationPath(Path("app.exe"));
  link.SetIconLocationIndex(0);
  link.SetPath(Path("app.exe"));
  const std::string file = dir_ + "\\" + link.GetDescription() + ".lnk";
  link.SaveToFile(file);

  TSxWinShellLink back;
  back.LoadFromFile(file);
  back.SetPathFlag(TSxPathFlag::pfRawPath);
  EXPECT_EQ(back.GetPath(), Path("app.exe"));
  EXPECT_EQ(back.GetIconLocationPath(), Path("app.exe"));
  EXPECT_EQ(back.GetWorkingDirectory(), dir_);
  EXPECT_EQ(back.GetShowCmd(), TSxShowCmd::scShowNormal);
  EXPECT_EQ(back.GetHotKey(), 0);
}

TEST(SystemLinkWithoutComTest, CreationFailureRaisesTheSystemMessage) {
  try {
    TSxWinShellLink link;
    ADD_FAILURE();
  } catch (const EShellCallError& e) {
    EXPECT_EQ(e.Code(), static_cast<int32_t>(0x800401F0u));  // CO_E_NOTINITIALIZED
    EXPECT_EQ(e.what(), platform::ResultMessage(e.Code()));
  }
}

}  // namespace
}  // namespace vor
