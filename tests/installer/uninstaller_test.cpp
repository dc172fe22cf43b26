// The removal from install.log against an in-memory system: the order of
// its steps, the folders it removes, what it keeps, and crafted logs that
// try to reach outside the installation.
#include "installer/engine/uninstaller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "installer/fake_uninstall_system.h"
#include "package/install_error.h"
#include "package/install_record.h"

namespace vor {
namespace {

using testing::FakeUninstallSystem;
using testing::Native;

class UninstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.folders.programs = Native("/home/u/Programs");
    options_.folders.common_programs = Native("/all/Programs/");
    options_.folders.desktop = Native("/home/u/Desktop");
    options_.folders.common_desktop = Native("/all/Desktop");
    options_.folders.quick_launch =
        Native("/home/u/AppData/Microsoft/Internet Explorer/Quick Launch");
    options_.uninstaller_name = "uninstall.exe";
    for (const char* folder : {"/home/u/Programs/Tools", "/home/u/Desktop",
                               "/home/u/AppData/Microsoft/Internet Explorer/Quick Launch",
                               "/all/Programs", "/all/Desktop"}) {
      system_.AddFolder(Native(folder));
    }
  }

  // D + "/" + relative, in the platform's delimiters.
  static std::string InDest(const std::string& relative) { return Native(kDest + relative); }

  // Writes install.log into D from its lines (each ended by CR LF).
  void WriteLog(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    system_.AddFile(InDest("install.log"), bytes);
  }

  UninstallReport Run() { return Uninstall(InDest("install.log"), system_, options_); }

  size_t CallIndex(const std::string& call) const {
    const auto it = std::find(system_.calls.begin(), system_.calls.end(), call);
    EXPECT_NE(it, system_.calls.end()) << call;
    return static_cast<size_t>(it - system_.calls.begin());
  }

  static std::vector<NoteKind> Kinds(const UninstallReport& report) {
    std::vector<NoteKind> kinds;
    for (const Note& note : report.notes) kinds.push_back(note.kind);
    return kinds;
  }

  static constexpr const char* kDest = "/inst/App/";
  FakeUninstallSystem system_;
  UninstallOptions options_;
};

// A whole installation as the installation run logs it.
TEST_F(UninstallerTest, RemovesEverythingListedServersFirstFoldersDeepestFirst) {
  for (const char* f : {"a.txt", "Bin/b.dll", "Bin/Deep/c.dat", "uninstall.exe"}) {
    system_.AddFile(InDest(f));
  }
  // Folders the package brought empty: install.log does not name them.
  system_.AddFolder(InDest("Empty/Inner"));
  system_.AddFolder(InDest("Bin/Deep/Cache"));
  const std::string start_link = Native("/home/u/Programs/Tools/X/App.lnk");
  const std::string desktop_link = Native("/home/u/Desktop/App.lnk");
  const std::string quick_link =
      Native("/home/u/AppData/Microsoft/Internet Explorer/Quick Launch/App.lnk");
  for (const std::string& link : {start_link, desktop_link, quick_link}) system_.AddFile(link);
  WriteLog({"*App", "a.txt", "Bin\\b.dll", "Bin\\Deep\\c.dat", start_link, desktop_link, quick_link,
            "REG:" + InDest("Bin/b.dll"), "Exec:" + InDest("readme.txt")});

  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallRemoved);
  EXPECT_TRUE(report.notes.empty()) << report.notes[0].text;
  EXPECT_EQ(report.app_name, "App");
  EXPECT_FALSE(report.folder_kept);
  EXPECT_TRUE(report.kept.empty());
  EXPECT_EQ(report.removed_folders, 7);  // Cache, Deep, Bin, Inner, Empty, Tools/X, D

  // Nothing of the installation is left: not D, not the Start-menu folder.
  for (const std::string& path : system_.Paths()) {
    EXPECT_EQ(path.find(Native("/inst/App")), std::string::npos) << path;
    EXPECT_EQ(path.find(Native("Tools/X")), std::string::npos) << path;
  }
  // The shell folders and the Start menu's parent folder stay.
  for (const char* kept : {"/home/u/Programs/Tools", "/home/u/Desktop", "/all/Programs",
                           "/home/u/AppData/Microsoft/Internet Explorer/Quick Launch"}) {
    EXPECT_TRUE(system_.Exists(Native(kept))) << kept;
  }
  // The server goes while its file is there; folders go deepest first; the
  // entry before the log; D last.
  EXPECT_EQ(system_.calls.front(), "unregister " + InDest("Bin/b.dll"));
  EXPECT_LT(CallIndex("rmdir " + InDest("Bin/Deep")), CallIndex("rmdir " + InDest("Bin")));
  EXPECT_LT(CallIndex("entry App|" + Native("/inst/App")),
            CallIndex("delete " + InDest("install.log")));
  EXPECT_EQ(system_.calls.back(), "rmdir " + Native("/inst/App"));
  EXPECT_FALSE(system_.entry_present);
}

TEST_F(UninstallerTest, CraftedLinesDeleteNothingOutsideTheInstallation) {
  system_.AddFile(InDest("a.txt"));
  system_.AddFile(InDest("Sub/inner.txt"));
  const char* outside[] = {"/inst/x",
                           "/x",
                           "/etc/x",
                           "/inst/App2/y",
                           "/home/u/Desktop/Other.lnk",
                           "/home/u/Desktop/Sub/App.lnk"};
  for (const char* path : outside) system_.AddFile(Native(path));
  WriteLog({"*App",
            "a.txt",
            "..\\..\\x",
            "C:\\x",
            "\\\\server\\x",
            "/etc/x",
            "Sub\\..\\..\\x",
            "..\\App2\\y",
            "CON",
            "nul.txt",
            "Sub\\com1\\b",
            "x.",
            "x ",
            "*.*",
            "Sub\\\\inner.txt",
            ".\\a.txt",
            "C:\\Windows\\evil.lnk",
            Native("/etc/x.lnk"),
            Native("/home/u/Desktop/../Desktop/Other.lnk"),
            Native("/home/u/Desktop/Sub/App.lnk"),
            "REG:" + Native("/x"),
            "REG:" + InDest("../x"),
            "REG:" + InDest("a.txt")});

  const UninstallReport report = Run();
  for (const char* path : outside) EXPECT_TRUE(system_.Exists(Native(path))) << path;
  // Only the listed file inside D went; only the server inside D was
  // unregistered.
  for (const std::string& removed : report.removed) {
    EXPECT_EQ(removed.compare(0, 10, Native("/inst/App/")), 0) << removed;
  }
  EXPECT_FALSE(system_.Exists(InDest("a.txt")));
  EXPECT_TRUE(system_.Exists(InDest("Sub/inner.txt")));
  EXPECT_EQ(std::count(system_.calls.begin(), system_.calls.end(), "unregister " + InDest("a.txt")),
            1);
  for (const std::string& call : system_.calls) {
    EXPECT_EQ(call.find("unregister " + Native("/x")), std::string::npos) << call;
  }
  // Every unsafe line is named in a note, and the exit code says so.
  EXPECT_EQ(report.exit_code, kUninstallRefusedLines);
  const std::vector<NoteKind> kinds = Kinds(report);
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), NoteKind::kRefusedLine), 20);
  EXPECT_EQ(kinds.size(), 20u);
  // D still holds Sub\inner.txt: D stays, the log and the entry go.
  EXPECT_TRUE(report.folder_kept);
  EXPECT_FALSE(system_.Exists(InDest("install.log")));
}

TEST_F(UninstallerTest, UserFilesKeepTheirFoldersAndTheInstallationFolder) {
  system_.AddFile(InDest("Data/db.bin"));
  system_.AddFile(InDest("Data/mine.txt"));  // added by the user
  system_.AddFolder(InDest("Data/Cache"));   // brought empty
  system_.AddFile(InDest("Doc/help.txt"));
  // A link to a folder elsewhere is neither followed nor removed.
  system_.AddSymbolicLink(InDest("Elsewhere"));
  system_.AddFolder(Native("/other/Empty"));
  WriteLog({"*App", "Data\\db.bin", "Doc\\help.txt"});

  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallRemoved);
  EXPECT_TRUE(system_.Exists(InDest("Data/mine.txt")));
  EXPECT_FALSE(system_.Exists(InDest("Data/db.bin")));
  EXPECT_FALSE(system_.Exists(InDest("Data/Cache")));
  EXPECT_FALSE(system_.Exists(InDest("Doc")));
  EXPECT_TRUE(system_.Exists(InDest("Elsewhere")));
  EXPECT_TRUE(system_.Exists(Native("/other/Empty")));
  EXPECT_TRUE(report.folder_kept);
  EXPECT_EQ(report.kept, (std::vector<std::string>{InDest("Data"), Native("/inst/App")}));
  EXPECT_TRUE(system_.Exists(Native("/inst/App")));
  EXPECT_FALSE(system_.Exists(InDest("install.log")));
  EXPECT_FALSE(system_.entry_present);
}

TEST_F(UninstallerTest, FileInUseKeepsLogEntryAndUninstallerForAnotherRun) {
  system_.AddFile(InDest("app.exe"));
  system_.AddFile(InDest("b.dll"));
  system_.AddFile(InDest("uninstall.exe"));
  system_.in_use.insert(InDest("app.exe"));
  WriteLog({"*App", "app.exe", "b.dll"});

  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallIncomplete);
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_EQ(report.notes[0].kind, NoteKind::kNotDeleted);
  EXPECT_NE(report.notes[0].text.find(InDest("app.exe")), std::string::npos);
  EXPECT_FALSE(system_.Exists(InDest("b.dll")));
  for (const char* kept : {"app.exe", "install.log", "uninstall.exe"}) {
    EXPECT_TRUE(system_.Exists(InDest(kept))) << kept;
  }
  EXPECT_TRUE(system_.entry_present);

  // Once the program is closed, a second run finishes the removal.
  system_.in_use.clear();
  EXPECT_EQ(Run().exit_code, kUninstallRemoved);
  EXPECT_FALSE(system_.Exists(Native("/inst/App")));
}

TEST_F(UninstallerTest, ServerFailureIsNotedAndTheRemovalGoesOn) {
  system_.AddFile(InDest("s.dll"));
  system_.failing_servers.insert(InDest("s.dll"));
  WriteLog({"*App", "s.dll", "REG:" + InDest("s.dll")});
  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallServerNotUnregistered);
  EXPECT_EQ(Kinds(report), std::vector<NoteKind>{NoteKind::kServerNotUnregistered});
  EXPECT_EQ(report.notes[0].text,
            "The server could not be unregistered: " + InDest("s.dll") + ": Unspecified error");
  EXPECT_FALSE(system_.Exists(Native("/inst/App")));
}

TEST_F(UninstallerTest, EntryThatStaysKeepsTheLog) {
  system_.AddFile(InDest("a.txt"));
  system_.entry_removable = false;
  WriteLog({"*App", "a.txt"});
  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallIncomplete);
  EXPECT_EQ(Kinds(report), std::vector<NoteKind>{NoteKind::kEntryNotRemoved});
  EXPECT_TRUE(system_.Exists(InDest("install.log")));
}

TEST_F(UninstallerTest, PathsThroughSymbolicLinksAreLeftAlone) {
  system_.AddSymbolicLink(InDest("Linked"));
  system_.AddFile(InDest("Real/x.txt"));
  system_.AddSymbolicLink(Native("/home/u/Programs/Tools/Y"));
  WriteLog({"*App", "Linked\\x.txt", "Real\\x.txt", "REG:" + InDest("Linked/s.dll"),
            Native("/home/u/Programs/Tools/Y/App.lnk")});
  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallRefusedLines);
  EXPECT_EQ(Kinds(report), std::vector<NoteKind>(3, NoteKind::kThroughLink));
  for (const std::string& call : system_.calls) {
    EXPECT_EQ(call.find("Linked"), std::string::npos) << call;
    EXPECT_EQ(call.find("Tools" + std::string(1, platform::PathDelimiter()) + "Y"),
              std::string::npos)
        << call;
  }
  EXPECT_FALSE(system_.Exists(InDest("Real/x.txt")));
}

TEST_F(UninstallerTest, LinkInPlaceOfAnInstalledFileIsLeftAlone) {
  // A file symlink listed in install.log, leading out of the installation:
  // neither the link nor its target is touched, and the removal says so.
  system_.AddSymbolicLink(InDest("readme.txt"));
  system_.AddFile(InDest("app.exe"));
  WriteLog({"*App", "readme.txt", "app.exe"});
  const UninstallReport report = Run();
  EXPECT_EQ(Kinds(report), std::vector<NoteKind>{NoteKind::kThroughLink});
  for (const std::string& call : system_.calls) {
    EXPECT_EQ(call.find("readme.txt"), std::string::npos) << call;
  }
  EXPECT_TRUE(system_.Exists(InDest("readme.txt")));
  EXPECT_FALSE(system_.Exists(InDest("app.exe")));
}

TEST_F(UninstallerTest, MissingOrForeignLogRemovesNothing) {
  system_.AddFile(InDest("a.txt"));
  UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallLogUnreadable);
  ASSERT_EQ(Kinds(report), std::vector<NoteKind>{NoteKind::kLogUnreadable});

  for (const char* bytes : {"a.txt\r\n", "", "*\r\na.txt\r\n", "\r\n*App\r\na.txt\r\n"}) {
    system_.AddFile(InDest("install.log"), bytes);
    report = Run();
    EXPECT_EQ(report.exit_code, kUninstallLogUnreadable) << bytes;
    EXPECT_TRUE(system_.Exists(InDest("a.txt"))) << bytes;
    EXPECT_TRUE(system_.Exists(InDest("install.log"))) << bytes;
  }
  EXPECT_TRUE(system_.calls.empty());
}

TEST_F(UninstallerTest, LinesEndedAnyWayAndFilesAlreadyGone) {
  system_.AddFile(InDest("b.txt"));
  system_.AddFile(InDest("c.txt"));
  system_.AddFile(InDest("install.log"), "*App\ra.txt\nb.txt\r\n\r\nc.txt");
  const UninstallReport report = Run();
  EXPECT_EQ(report.exit_code, kUninstallRemoved);  // a.txt was gone already
  EXPECT_FALSE(system_.Exists(Native("/inst/App")));
}

TEST(InstallLogPaths, QuestionBeforeTheRemoval) {
  EXPECT_EQ(UninstallQuestion("Demo 2"), "Remove Demo 2 and all of its components?");
}

}  // namespace
}  // namespace vor
