// The installation run: the copy, the log, the shortcuts, the server
// registration, the program run afterwards, and the run's failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/installer_fixture.h"
#include "platform/fs.h"

namespace vor {
namespace {

using C = ControlId;
using testing::StoredFile;

const std::string kD(1, platform::PathDelimiter());

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class InstallTest : public testing::InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    SetUpFolders();
  }

  void SetUpFolders() {
    fakes_.shell.programs = "U" + kD + "Programs";
    fakes_.shell.desktop = "U" + kD + "Desktop";
    fakes_.shell.common_programs = dir_;  // writable, so "all users" stays
    fakes_.shell.common_desktop = "A" + kD + "Desktop" + kD;
    fakes_.shell.app_data = "U" + kD + "AppData";
    quick_launch_ =
        "U" + kD + "AppData" + kD + "Microsoft" + kD + "Internet Explorer" + kD + "Quick Launch";
    fakes_.shell.folders = {"U" + kD + "Desktop", "A" + kD + "Desktop", quick_launch_};
    dest_ = Path("Apps") + kD + "X";
  }

  std::vector<StoredFile> Package(const std::string& job_ini, const std::string& menu,
                                  const std::string& execs) {
    std::vector<StoredFile> files = {
        {"\\JOB.INI", job_ini},
        {"\\Programfiles\\Zeta.txt", "zeta"},
        {"\\Programfiles\\alpha.txt", "alpha"},
        {"\\Programfiles\\Bin\\b.dll", std::string(70000, 'b')},
        {"\\Programfiles\\Empty", "", true},
        {"\\Programfiles\\zero.dat", ""},
    };
    if (!menu.empty()) files.push_back({"\\MENU.DAT", menu});
    if (!execs.empty()) files.push_back({"\\EXECS.DAT", execs});
    return files;
  }

  // Shows the installer, walks to the Install page with the folder typed as
  // folder, and presses Next there.
  void Install(const std::string& program, const std::string& folder) {
    Show(program);
    fakes_.message_box.errors.clear();
    form_->SetText(C::eDestDir, folder);
    form_->Click(C::bNext);
    form_->Click(C::cbAgree);
    form_->Click(C::bNext);
    form_->Click(C::bNext);
    form_->Click(C::bNext);
    ASSERT_EQ(form_->ActivePage(), C::tsinstall);
    form_->Click(C::bNext);
  }

  std::string Log() const { return ReadAll(dest_ + kD + "install.log"); }

  std::string dest_;
  std::string quick_launch_;
};

TEST_F(InstallTest, AFullRunCopiesLinksRegistersRunsAndLogs) {
  const std::string program = MakeInstaller(Package(
      "Appname=X\r\nExename=x.exe\r\npregister3=PDIR\\srv.dll\r\npregister5=bad.dll\r\n",
      "Path=Tools\\X\r\nX=PDIR\\x.exe\r\nHelp=PDIR\\help.txt\r\n", "Postexec=PDIR\\after.exe\r\n"));
  fakes_.shell.servers[dest_ + "\\srv.dll"] = 0;  // registers; bad.dll does not exist
  // The folder typed with a trailing delimiter.
  Install(program, dest_ + kD);
  ASSERT_TRUE(fakes_.message_box.errors.empty()) << fakes_.message_box.errors[0];

  EXPECT_EQ(form_->Text(C::eDestDir), dest_);
  EXPECT_EQ(ReadAll(dest_ + kD + "alpha.txt"), "alpha");
  EXPECT_EQ(ReadAll(dest_ + kD + "Bin" + kD + "b.dll"), std::string(70000, 'b'));
  EXPECT_TRUE(platform::FileExists(dest_ + kD + "zero.dat"));

  const std::string start_menu = dir_ + kD + "Tools\\X" + kD;
  const std::string desktop = "A" + kD + "Desktop" + kD;
  const std::string quick = quick_launch_ + kD;
  EXPECT_EQ(Log(),
            Joined({"*X", "alpha.txt", "Bin\\b.dll", "zero.dat", "Zeta.txt", start_menu + "X.lnk",
                    start_menu + "Help.lnk", desktop + "X.lnk", quick + "X.lnk",
                    "REG:" + dest_ + "\\srv.dll", "Exec:" + dest_ + "\\after.exe"}));

  ASSERT_EQ(fakes_.shell.created_folders.size(), 1u);
  EXPECT_EQ(fakes_.shell.created_folders[0], dir_ + kD + "Tools\\X");
  const auto& links = fakes_.shell.FakeLink().saved;
  ASSERT_EQ(links.size(), 4u);
  EXPECT_EQ(links[0].description, "X");
  EXPECT_EQ(links[0].path, dest_ + "\\x.exe");
  EXPECT_EQ(links[0].icon_path, dest_ + "\\x.exe");
  EXPECT_EQ(links[0].icon_index, 0);
  EXPECT_EQ(links[0].working_directory, dest_);
  EXPECT_EQ(links[1].path, dest_ + "\\help.txt");
  EXPECT_EQ(links[2].path, dest_ + kD + "x.exe");  // "PDIR" + delimiter + Exename
  EXPECT_EQ(links[2].file, desktop + "X.lnk");
  EXPECT_EQ(fakes_.shell.registered, std::vector<std::string>{dest_ + "\\srv.dll"});
  ASSERT_EQ(fakes_.shell.launched.size(), 1u);
  EXPECT_EQ(fakes_.shell.launched[0].first, dest_ + "\\after.exe");

  // The Complete page, with Finish only.
  EXPECT_EQ(form_->ActivePage(), C::tsComplete);
  EXPECT_EQ(form_->Text(C::bNext), "Finish");
  EXPECT_TRUE(form_->Enabled(C::bNext));
  EXPECT_FALSE(form_->Enabled(C::bBack));
  EXPECT_FALSE(form_->Enabled(C::bCancel));
  form_->Click(C::bNext);
  EXPECT_EQ(fakes_.shell.launched.back().first, dest_ + kD + "x.exe");
  EXPECT_TRUE(form_->Closed());
}

TEST_F(InstallTest, ThisUserOptionsOffAndNoMenuOrExecs) {
  const std::string program = MakeInstaller(Package("Appname=X\r\nExename=x.exe\r\n", "", ""));
  Show(program);
  form_->Click(C::cbThisUser);
  form_->Click(C::cbQuick);
  form_->SetText(C::eDestDir, dest_);
  form_->SetActivePage(C::tsinstall);
  form_->Click(C::bNext);
  EXPECT_TRUE(fakes_.message_box.errors.empty());
  // The Start-menu folder is the user's Programs folder with an empty name.
  EXPECT_EQ(fakes_.shell.created_folders, std::vector<std::string>{"U" + kD + "Programs"});
  ASSERT_EQ(fakes_.shell.FakeLink().saved.size(), 1u);
  EXPECT_EQ(fakes_.shell.FakeLink().saved[0].file, "U" + kD + "Desktop" + kD + "X.lnk");
  EXPECT_TRUE(fakes_.shell.launched.empty());
  EXPECT_EQ(Log(), Joined({"*X", "alpha.txt", "Bin\\b.dll", "zero.dat", "Zeta.txt",
                           "U" + kD + "Desktop" + kD + "X.lnk"}));
}

TEST_F(InstallTest, StartMenuLinesFromTheSecondOnAndThePlaceholderInExename) {
  struct Case {
    const char* what;
    std::string menu;
    std::string exe_name;
    std::vector<std::string> links;  // file names under the Start-menu folder S
    std::string desktop_target;
  };
  const std::string s = dir_ + kD + "G" + kD;
  const Case cases[] = {
      {"one line: no shortcut", "Path=G\r\n", "x.exe", {}, dest_ + kD + "x.exe"},
      // ... and the Path line, not being first, becomes a shortcut itself.
      {"a shortcut on the first line is lost",
       "A=PDIR\\a.exe\r\nPath=G\r\nB=PDIR\\b.exe\r\n",
       "x.exe",
       {s + "Path.lnk", s + "B.lnk"},
       dest_ + kD + "x.exe"},
      {"a line without = makes a link named by nothing",
       "Path=G\r\nplain\r\n",
       "x.exe",
       {s + ".lnk"},
       dest_ + kD + "x.exe"},
      {"PDIR inside Exename", "Path=G\r\n", "PDIR.exe", {}, dest_ + kD + dest_ + ".exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes_.shell.FakeLink() = testing::FakeLinkWriter();
    Install(MakeInstaller(Package("Appname=X\r\nExename=" + c.exe_name + "\r\n", c.menu, "")),
            dest_);
    std::vector<std::string> links;
    std::string desktop_target;
    for (const auto& link : fakes_.shell.FakeLink().saved) {
      if (link.file.compare(0, s.size(), s) == 0) links.push_back(link.file);
      if (link.description == "X") desktop_target = link.path;
    }
    EXPECT_EQ(links, c.links);
    EXPECT_EQ(desktop_target, c.desktop_target);
    form_.reset();
    platform::RemoveDirectoryTree(Path("Apps"));
  }
}

TEST_F(InstallTest, ShortcutFailures) {
  struct Case {
    const char* what;
    std::string failing;  // part of the link file name whose save fails
    bool quick_launch_folder;
    std::vector<std::string> errors;
    int links;
  };
  const Case cases[] = {
      {"a Start-menu link is skipped silently", "Help.lnk", true, {}, 2},
      {"the desktop link",
       "Desktop",
       true,
       {"The desktop icon could not be created\r\rAccess denied to A" + kD + "Desktop" + kD +
        "X.lnk"},
       2},
      {"the Quick Launch link",
       "Quick Launch",
       true,
       {"The Quick Launch icon could not be created\r\rAccess denied to " + quick_launch_ + kD +
        "X.lnk"},
       2},
      {"no Quick Launch folder: nothing said", "", false, {}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes_.shell.FakeLink() = testing::FakeLinkWriter();
    fakes_.shell.FakeLink().fail_when_named = c.failing;
    if (!c.quick_launch_folder) fakes_.shell.folders.erase(quick_launch_);
    Install(MakeInstaller(
                Package("Appname=X\r\nExename=x.exe\r\n", "Path=P\r\nHelp=PDIR\\help.txt\r\n", "")),
            dest_);
    EXPECT_EQ(fakes_.message_box.errors, c.errors);
    EXPECT_EQ(static_cast<int>(fakes_.shell.FakeLink().saved.size()), c.links);
    EXPECT_EQ(form_->ActivePage(), C::tsComplete);
    form_.reset();
  }
}

TEST_F(InstallTest, TheCopysProgressShowsOnTheStatusLine) {
  const std::string program = MakeInstaller(Package("Appname=X\r\n", "", ""));
  Install(program, dest_);
  ASSERT_EQ(form_->ActivePage(), C::tsComplete);
  // The status line follows the copy, in the container's name order.
  EXPECT_EQ(form_->Text(C::lStatus), "Zeta.txt");
  EXPECT_GT(fakes_.message_pump.calls, 4);
}

// The bar moves with the bytes copied, also through one large file, and the
// page no longer asks for Next while it moves.
TEST_F(InstallTest, TheProgressBarMovesWithTheBytesCopied) {
  std::vector<StoredFile> files = Package("Appname=X\r\n", "", "");
  // Bytes that do not pack, several blocks of the block stream long.
  std::string big(3500000, '\0');
  uint32_t x = 12345;
  for (char& c : big) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  files.push_back({"\\Programfiles\\Bin\\big.bin", big});
  const std::string program = MakeInstaller(files);
  std::vector<int> positions;
  std::vector<std::string> texts;
  fakes_.message_pump.on_pump = [&] {
    if (form_->ActivePage() != C::tsinstall) return;
    positions.push_back(form_->State(C::pbInstall).position);
    texts.push_back(form_->Text(C::lInstall));
  };
  Install(program, dest_);
  ASSERT_EQ(form_->ActivePage(), C::tsComplete);
  EXPECT_EQ(form_->State(C::pbInstall).position, kProgressMax);
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.front(), 0);
  int between = 0;
  for (size_t i = 1; i < positions.size(); ++i) {
    EXPECT_LE(positions[i - 1], positions[i]);
    if (positions[i] > 0 && positions[i] < kProgressMax) ++between;
  }
  // The large file is more than nine tenths of the bytes: its blocks move
  // the bar on their own.
  EXPECT_GE(between, 2);
  for (const std::string& text : texts) {
    EXPECT_EQ(text, "X is being installed into \r\r" + dest_);
  }
}

TEST_F(InstallTest, ACopyThatFailsIsReportedAndTheRunStopsThere) {
  struct Case {
    const char* what;
    bool container;
  };
  for (const Case c : {Case{"no container", false}, Case{"a damaged file", true}}) {
    SCOPED_TRACE(c.what);
    std::string program = Path("none.exe");
    // Without a container nothing makes the folder, which the log needs.
    if (!c.container) {
      ASSERT_TRUE(platform::CreateDirectory(Path("Apps")) && platform::CreateDirectory(dest_));
    }
    if (c.container) {
      // A container without a password opens with any; one of its files is
      // damaged on disk, so the copy stops there.
      std::string noise;
      for (uint32_t x = 7; noise.size() < 12000;) {
        x = x * 1103515245u + 12345u;
        noise += static_cast<char>(x >> 24);
      }
      program = MakeInstaller({{"\\JOB.INI", "Appname=X\r\n"},
                               {"\\Programfiles\\a.txt", "fine"},
                               {"\\Programfiles\\b.bin", noise},
                               {"\\Programfiles\\c.txt", "fine"},
                               {"\\Programfiles\\d.txt", "fine"}},
                              "", 1);
      std::string bytes = ReadAll(program);
      const size_t at = bytes.find(noise.substr(9000, 64));
      ASSERT_NE(at, std::string::npos);
      bytes[at + 10] = static_cast<char>(bytes[at + 10] ^ 0x20);
      ASSERT_TRUE(WriteAll(program, bytes));
    }
    Install(program, dest_);
    ASSERT_EQ(fakes_.message_box.errors.size(), 1u);
    const std::string message =
        "There was an error in the file copy.  Installation may not be complete\r\r"
        "Reboot your system and try the installation again.";
    // The damaged file is named with the cause; without a container there is none.
    EXPECT_EQ(fakes_.message_box.errors[0].substr(0, message.size()), message);
    EXPECT_EQ(fakes_.message_box.errors[0].find("b.bin") != std::string::npos, c.container);
    // No Complete page for an incomplete installation: Cancel leaves.
    EXPECT_EQ(form_->ActivePage(), C::tsinstall);
    EXPECT_FALSE(form_->Enabled(C::bNext));
    EXPECT_FALSE(form_->Enabled(C::bBack));
    EXPECT_TRUE(form_->Enabled(C::bCancel));
    EXPECT_EQ(form_->Text(C::lInstall).find("Next"), std::string::npos) << form_->Text(C::lInstall);
    EXPECT_TRUE(fakes_.shell.FakeLink().saved.empty());
    // The files copied before the failure stay, and so do their lines.
    std::vector<std::string> copied = {c.container ? "*X" : "*"};
    for (const char* name : {"a.txt", "c.txt", "d.txt"}) {
      if (platform::FileExists(dest_ + kD + name)) copied.push_back(name);
    }
    const std::string log = Log();
    EXPECT_EQ(log.substr(0, Joined(copied).size()), Joined(copied));
    EXPECT_EQ(log.find("b.bin"), std::string::npos);
    platform::RemoveDirectoryTree(Path("Apps"));
    fakes_ = testing::FakeServices();
    SetUpFolders();
  }
}

TEST_F(InstallTest, AFailureThatEscapesStillWritesTheLogAndLeavesCancel) {
  const std::string program = MakeInstaller(Package("Appname=X\r\n", "Path=P\r\n", ""));
  fakes_.shell.create_folder_raises = true;
  Show(program);
  form_->SetText(C::eDestDir, dest_);
  form_->SetActivePage(C::tsinstall);
  EXPECT_THROW(form_->Click(C::bNext), EVorError);
  EXPECT_EQ(Log(), Joined({"*X", "alpha.txt", "Bin\\b.dll", "zero.dat", "Zeta.txt"}));
  EXPECT_EQ(form_->ActivePage(), C::tsinstall);
  EXPECT_FALSE(form_->Enabled(C::bNext));
  EXPECT_FALSE(form_->Enabled(C::bBack));
  EXPECT_TRUE(form_->Enabled(C::bCancel));
  form_->Click(C::bCancel);
  EXPECT_TRUE(form_->Closed());
}

// A user who may write neither the all-users folders nor the job's program
// folder gets the folder of his own programs proposed, once, with a note;
// anyone else keeps the job's folder.
TEST_F(InstallTest, AUserWithoutRightsGetsHisOwnProgramsFolderProposed) {
  ASSERT_TRUE(WriteAll(Path("plain"), "x"));
  const std::string unwritable = Path("plain") + kD + "X";  // below a plain file
  const std::string writable = Path("Apps") + kD + "X";
  const std::string own = Path("Local") + kD + "Programs" + kD + "X";
  struct Case {
    const char* what;
    std::string program_dir;
    bool all_users_writable;
    std::string want;
  };
  const Case cases[] = {
      {"neither writable", unwritable, false, own},
      {"the job's folder writable", writable, false, writable},
      {"an administrator", unwritable, true, unwritable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes_.shell.common_programs = c.all_users_writable ? dir_ : Path("plain");
    fakes_.shell.local_app_data = Path("Local");
    Show(MakeInstaller(Package("Appname=X\r\nProgramDir=" + c.program_dir + "\r\n", "", "")));
    form_->Click(C::bNext);
    form_->Click(C::cbAgree);
    form_->Click(C::bNext);
    form_->Click(C::bNext);
    ASSERT_EQ(form_->ActivePage(), C::tsOptions);
    EXPECT_EQ(form_->Text(C::eDestDir), c.want);
    const bool proposed = c.want == own;
    EXPECT_EQ(form_->State(C::lInstalled).visible, proposed);
    if (proposed) {
      EXPECT_EQ(form_->Text(C::lInstalled), UserFolderLine(c.program_dir));
    }
    // The check made no folder on its way.
    EXPECT_FALSE(platform::DirectoryExists(writable));
    // Back and again: what the user typed in between stays.
    form_->SetText(C::eDestDir, c.program_dir);
    form_->Click(C::bBack);
    form_->Click(C::bNext);
    EXPECT_EQ(form_->Text(C::eDestDir), c.program_dir);
  }
}

// The application installed already: its folder is proposed and named on
// Options; another folder is asked about first, and No stays on Options.
TEST_F(InstallTest, AnInstalledCopyIsProposedAndAnotherFolderIsAskedFirst) {
  const std::string program = MakeInstaller(Package("Appname=X\r\n", "", ""));
  const std::string installed = Path("Old") + kD + "X";
  fakes_.installed.copies["X"] = {installed, true};
  Show(program);
  EXPECT_EQ(form_->Text(C::eDestDir), installed);
  EXPECT_TRUE(form_->State(C::lInstalled).visible);
  EXPECT_EQ(form_->Text(C::lInstalled), InstalledFolderLine("X", installed));
  form_->Click(C::bNext);
  form_->Click(C::cbAgree);
  form_->Click(C::bNext);
  form_->Click(C::bNext);
  ASSERT_EQ(form_->ActivePage(), C::tsOptions);

  struct Case {
    std::string destination;
    bool answer;
    bool asked;
    ControlId page;
  };
  const Case cases[] = {
      {dest_, false, true, C::tsOptions},
      {dest_, true, true, C::tsinstall},
      // The same folder, spelt otherwise: no question.
      {installed + kD, false, false, C::tsinstall},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.destination + (c.answer ? " yes" : " no"));
    form_->SetActivePage(C::tsOptions);
    fakes_.message_box.questions.clear();
    fakes_.message_box.answer = c.answer;
    form_->SetText(C::eDestDir, c.destination);
    form_->Click(C::bNext);
    EXPECT_EQ(fakes_.message_box.questions.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(fakes_.message_box.questions[0], ReinstallQuestion("X", installed, dest_));
    }
    EXPECT_EQ(form_->ActivePage(), c.page);
  }

  // Not installed: nothing is said, the job's folder stays proposed.
  fakes_.installed.copies.clear();
  Show(program);
  EXPECT_FALSE(form_->State(C::lInstalled).visible);
  EXPECT_EQ(form_->Text(C::eDestDir), "");
}

// A destination below a file: the copy error names the folder that cannot
// be made, no log is left anywhere, and Cancel leaves.
TEST_F(InstallTest, AnUnwritableDestinationIsNamedAndLeavesCancel) {
  ASSERT_TRUE(WriteAll(Path("plain"), "x"));
  Show(MakeInstaller(Package("Appname=X\r\n", "Path=P\r\nX=PDIR\\alpha.txt\r\n", "")));
  fakes_.message_box.errors.clear();
  form_->SetText(C::eDestDir, Path("plain") + kD + "X");
  form_->SetActivePage(C::tsinstall);
  form_->Click(C::bNext);
  ASSERT_EQ(fakes_.message_box.errors.size(), 1u);
  EXPECT_NE(fakes_.message_box.errors[0].find("\r\rThe folder \"" + Path("plain") +
                                              "\" cannot be created: "),
            std::string::npos)
      << fakes_.message_box.errors[0];
  EXPECT_EQ(ReadAll(Path("plain")), "x");
  EXPECT_TRUE(fakes_.shell.FakeLink().saved.empty());
  EXPECT_EQ(form_->ActivePage(), C::tsinstall);
  EXPECT_TRUE(form_->Enabled(C::bCancel));
}

}  // namespace
}  // namespace vor
