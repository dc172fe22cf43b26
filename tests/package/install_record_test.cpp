// The install record: its writer's bytes, and its parser's rules for the
// lines a removal may act on.
#include "package/install_record.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "package/install_error.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = platform::PathDelimiter();
  }
  return path;
}

TEST(InstallRecordWriter, CopiedFilesSortedOnceThenTheRestInItsOrder) {
  InstallRecord record;
  // The copy reports each non-empty file twice, in the container's order.
  for (const char* file : {"b.txt", "b.txt", "A.txt", "Sub\\c.dll", "a.TXT", "zero.dat"}) {
    record.AddCopiedFile(file);
  }
  record.EndCopy();
  record.AddShortcut("P\\App\\Z.lnk");
  record.AddShortcut("P\\App\\A.lnk");
  record.AddServer("D\\s.dll");
  record.AddExec("D\\after.exe");
  EXPECT_EQ(record.Text("My App"),
            "*My App\r\nA.txt\r\nb.txt\r\nSub\\c.dll\r\nzero.dat\r\nP\\App\\Z.lnk\r\n"
            "P\\App\\A.lnk\r\nREG:D\\s.dll\r\nExec:D\\after.exe\r\n");
}

class InstallRecordFileTest : public testing::TempDirTest {};

TEST_F(InstallRecordFileTest, WhatTheWriterSavesTheParserReadsBack) {
  const std::string dest = Path("App");
  ASSERT_TRUE(platform::CreateDirectory(dest));
  ShellFolders folders;
  folders.desktop = Path("Desktop");
  InstallRecord record;
  record.AddCopiedFile("Sub" + std::string(1, platform::PathDelimiter()) + "x.bin");
  record.EndCopy();
  record.AddShortcut(platform::JoinDiskPath(folders.desktop, "App.lnk"));
  record.AddServer(platform::JoinDiskPath(dest, "s.dll"));
  record.AddExec(platform::JoinDiskPath(dest, "x.exe"));
  const std::string path = platform::JoinDiskPath(dest, kInstallLogName);
  record.Save(path, "App");

  const InstallLog log = ParseInstallLog(ReadAll(path), dest, folders, false);
  EXPECT_EQ(log.app_name, "App");
  const LogLineKind kinds[] = {LogLineKind::kFile, LogLineKind::kLink, LogLineKind::kServer,
                               LogLineKind::kExec};
  ASSERT_EQ(log.lines.size(), std::size(kinds));
  for (size_t i = 0; i < log.lines.size(); ++i) {
    EXPECT_EQ(log.lines[i].kind, kinds[i]) << log.lines[i].text;
  }

  // A record that cannot be written says so with its kind.
  try {
    record.Save(platform::JoinDiskPath(Path("missing"), kInstallLogName), "App");
    ADD_FAILURE() << "saved into a folder that does not exist";
  } catch (const EInstallError& e) {
    EXPECT_EQ(e.Kind(), InstallErrorKind::kLogWrite);
  }
}

TEST(InstallLogPaths, RelativePathRules) {
  const struct {
    const char* path;
    RefusalReason reason;
    size_t parts;
  } cases[] = {
      {"a.txt", RefusalReason::kNone, 1},
      {"Sub\\Data.bin", RefusalReason::kNone, 2},
      {"Sub/Deeper/x.y.z", RefusalReason::kNone, 3},
      {"console.txt", RefusalReason::kNone, 1},
      {"com10", RefusalReason::kNone, 1},
      {"..\\..\\x", RefusalReason::kParentFolder, 0},
      {"a\\..", RefusalReason::kParentFolder, 0},
      {"x.\\..\\y", RefusalReason::kParentFolder, 0},
      {"\\x", RefusalReason::kAbsolute, 0},
      {"\\\\server\\share\\x", RefusalReason::kAbsolute, 0},
      {"/etc/passwd", RefusalReason::kAbsolute, 0},
      {"C:\\x", RefusalReason::kDrive, 0},
      {"C:x", RefusalReason::kDrive, 0},
      {"a.txt:stream", RefusalReason::kDrive, 0},
      {"CON", RefusalReason::kDeviceName, 0},
      {"nul.txt", RefusalReason::kDeviceName, 0},
      {"Sub\\Lpt9", RefusalReason::kDeviceName, 0},
      {"aux .log", RefusalReason::kDeviceName, 0},
      {"CONIN$", RefusalReason::kDeviceName, 0},
      {"Sub\\conout$.txt", RefusalReason::kDeviceName, 0},
      {"", RefusalReason::kBadName, 0},
      {"a\\\\b", RefusalReason::kBadName, 0},
      {"a\\", RefusalReason::kBadName, 0},
      {".\\a", RefusalReason::kBadName, 0},
      {"a\\...", RefusalReason::kBadName, 0},
      {"x ", RefusalReason::kBadName, 0},
      {"*.*", RefusalReason::kBadName, 0},
      {"a?b", RefusalReason::kBadName, 0},
      {"tab\there", RefusalReason::kBadName, 0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> parts;
    EXPECT_EQ(CheckRelativePath(c.path, &parts), c.reason) << c.path;
    EXPECT_EQ(parts.size(), c.parts) << c.path;
  }
}

TEST(InstallLogPaths, LinesClassified) {
  ShellFolders folders;
  folders.programs = Native("/p");
  folders.desktop = Native("/k/");
  folders.quick_launch = "";  // a failed lookup holds nothing
  const std::string bytes =
      "*My App\r\nREADME\r\n" + Native("/p/S/T/My App.lnk") + "\r\n" + Native("/k/My App.lnk") +
      "\r\n" + Native("/k/x/My App.lnk") + "\r\n" + Native("/q/My App.lnk") + "\r\ndoc.lnk\r\n" +
      "REG:" + Native("/d/s.dll") + "\r\nREG:" + Native("/dx/s.dll") + "\r\nExec:C:\\anything\r\n";
  const InstallLog log = ParseInstallLog(bytes, Native("/d"), folders, false);
  EXPECT_EQ(log.app_name, "My App");
  const struct {
    LogLineKind kind;
    RefusalReason reason;
    const char* path;
  } expected[] = {
      {LogLineKind::kFile, RefusalReason::kNone, "/d/README"},
      {LogLineKind::kLink, RefusalReason::kNone, "/p/S/T/My App.lnk"},
      {LogLineKind::kLink, RefusalReason::kNone, "/k/My App.lnk"},
      {LogLineKind::kRefused, RefusalReason::kLinkOutside, ""},
      {LogLineKind::kRefused, RefusalReason::kLinkOutside, ""},
      {LogLineKind::kFile, RefusalReason::kNone, "/d/doc.lnk"},
      {LogLineKind::kServer, RefusalReason::kNone, "/d/s.dll"},
      {LogLineKind::kRefused, RefusalReason::kServerOutside, ""},
      {LogLineKind::kExec, RefusalReason::kNone, ""},
  };
  ASSERT_EQ(log.lines.size(), std::size(expected));
  for (size_t i = 0; i < log.lines.size(); ++i) {
    EXPECT_EQ(log.lines[i].kind, expected[i].kind) << log.lines[i].text;
    EXPECT_EQ(log.lines[i].reason, expected[i].reason) << log.lines[i].text;
    EXPECT_EQ(log.lines[i].path, Native(expected[i].path)) << log.lines[i].text;
  }
  EXPECT_TRUE(log.lines[1].in_programs);
  EXPECT_FALSE(log.lines[2].in_programs);

  // Paths compare without regard to case where the system does so.
  const InstallLog windows =
      ParseInstallLog("*A\r\n" + Native("/K/a.lnk") + "\r\n", Native("/d"), folders, true);
  EXPECT_EQ(windows.lines[0].kind, LogLineKind::kLink);
  const InstallLog posix =
      ParseInstallLog("*A\r\n" + Native("/K/a.lnk") + "\r\n", Native("/d"), folders, false);
  EXPECT_EQ(posix.lines[0].kind, LogLineKind::kRefused);
}

TEST(InstallLogPaths, NotALogIsRefusedWithItsKind) {
  for (const char* bytes : {"", "App\r\n", "*\r\nx\r\n"}) {
    SCOPED_TRACE(bytes);
    try {
      ParseInstallLog(bytes, "d", ShellFolders(), false);
      ADD_FAILURE() << "accepted";
    } catch (const EInstallError& e) {
      EXPECT_EQ(e.Kind(), InstallErrorKind::kNotAnInstallLog);
    }
  }
}

}  // namespace
}  // namespace vor
