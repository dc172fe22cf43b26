// The shortcut writer on POSIX: a freedesktop launcher read back, the values
// kept in memory, atomic replacement and the failure of a missing folder.
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/com_result.h"
#include "platform/folder_list.h"
#include "platform/test_temp_dir.h"
#include "shell/desktop_file_reader.h"
#include "shell/shell_errors.h"
#include "shell/sx_shell_link.h"

namespace vor {
namespace {

using testing::ReadDesktopEntry;
using testing::SplitExec;
using testing::TempDirTest;

class DesktopLinkTest : public TempDirTest {};

TEST_F(DesktopLinkTest, EveryPropertyWrittenAndReadBack) {
  TSxWinShellLink link;
  link.SetPath(Path("My App") + "/app 100%.sh");
  link.SetWorkingDirectory(Path("My App"));
  link.SetDescription("My App \\ \"Deluxe\"\tEdition");
  link.SetIconLocationPath(Path("icons") + "/app.png");
  link.SetIconLocationIndex(2);
  link.SetArguments("--name \"two words\" $HOME 'q' a\\\"b 50%");
  link.SetHotKey(0xC046);
  link.SetShowCmd(TSxShowCmd::scShowMaximized);
  link.SaveToFile(Path("app.desktop"));

  std::string first;
  auto keys = ReadDesktopEntry(ReadAll(Path("app.desktop")), &first);
  EXPECT_EQ(first, "[Desktop Entry]");
  EXPECT_EQ(keys["Type"], "Application");
  EXPECT_EQ(keys["Name"], "My App \\ \"Deluxe\"\tEdition");
  EXPECT_EQ(keys["Path"], Path("My App"));
  EXPECT_EQ(keys["Icon"], Path("icons") + "/app.png");
  const std::vector<std::string> exec = SplitExec(keys["Exec"]);
  const std::vector<std::string> expected = {
      Path("My App") + "/app 100%.sh", "--name", "two words", "$HOME", "'q'", "a\"b", "50%"};
  EXPECT_EQ(exec, expected) << keys["Exec"];
  EXPECT_EQ(keys.size(), 5u);

  // Hot key, show command and icon index are kept by the link, not written.
  EXPECT_EQ(link.GetHotKey(), 0xC046);
  EXPECT_EQ(link.GetShowCmd(), TSxShowCmd::scShowMaximized);
  EXPECT_EQ(link.GetIconLocationIndex(), 2);
  EXPECT_EQ(link.GetPath(), Path("My App") + "/app 100%.sh");
  EXPECT_EQ(link.GetArguments(), "--name \"two words\" $HOME 'q' a\\\"b 50%");
}

TEST_F(DesktopLinkTest, TheRawTextOfASimpleLauncher) {
  TSxWinShellLink link;
  link.SetDescription("Editor");
  link.SetPath("/opt/editor/bin/edit");
  link.SaveToFile(Path("editor.lnk"));
  EXPECT_EQ(ReadAll(Path("editor.lnk")),
            "[Desktop Entry]\nType=Application\nName=Editor\nExec=/opt/editor/bin/edit\n");
  // Without a description the launcher is named after its file.
  link.NewLink();
  link.SetPath("/usr/bin/true");
  link.SaveToFile(Path("Start Me.desktop"));
  std::string first;
  EXPECT_EQ(ReadDesktopEntry(ReadAll(Path("Start Me.desktop")), &first)["Name"], "Start Me");
}

TEST_F(DesktopLinkTest, ReplacesAnExistingFileWhole) {
  ASSERT_TRUE(WriteAll(Path("x.desktop"), std::string(10000, 'o')));
  TSxWinShellLink link;
  link.SetDescription("New");
  link.SetPath("/bin/new");
  link.SaveToFile(Path("x.desktop"));
  std::string first;
  EXPECT_EQ(ReadDesktopEntry(ReadAll(Path("x.desktop")), &first)["Name"], "New");
  // No temporary file is left beside it.
  std::vector<platform::FolderEntry> entries;
  ASSERT_TRUE(platform::ListFolder(dir_, &entries));
  EXPECT_EQ(entries.size(), 1u);
}

TEST_F(DesktopLinkTest, MissingFolderRaisesTheSystemMessage) {
  TSxWinShellLink link;
  link.SetDescription("Lost");
  try {
    link.SaveToFile(Path("no such folder") + "/Lost.desktop");
    ADD_FAILURE();
  } catch (const EShellCallError& e) {
    EXPECT_EQ(e.Code(), platform::ResultFromOsError(ENOENT));
    EXPECT_STREQ(e.what(), "No such file or directory");
  }
  std::vector<platform::FolderEntry> entries;
  ASSERT_TRUE(platform::ListFolder(dir_, &entries));
  EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace vor
