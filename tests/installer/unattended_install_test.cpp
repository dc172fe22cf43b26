// The unattended installation: the installation run without a window, the
// command line's choices over the job's, messages to the log file and the
// exit codes.
#include "installer/engine/unattended_install.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/engine/notes.h"
#include "installer/engine/uninstall_entry.h"
#include "installer/installer_fixture.h"
#include "platform/fs.h"

namespace vor {
namespace {

using C = ControlId;
using testing::StoredFile;

const std::string kD(1, platform::PathDelimiter());

class UnattendedInstallTest : public testing::InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    SetUpFolders();
  }

  void SetUpFolders() {
    fakes_.shell.programs = "U" + kD + "Programs";
    fakes_.shell.desktop = "U" + kD + "Desktop";
    fakes_.shell.common_programs = dir_;  // writable: the all-users test passes
    fakes_.shell.common_desktop = "A" + kD + "Desktop";
    fakes_.shell.app_data = "U" + kD + "AppData";
    quick_ =
        "U" + kD + "AppData" + kD + "Microsoft" + kD + "Internet Explorer" + kD + "Quick Launch";
    fakes_.shell.folders = {"U" + kD + "Desktop", "A" + kD + "Desktop", quick_};
    dest_ = Path("Apps") + kD + "T X";
  }

  std::string Program(const std::string& extra_ini = "") {
    return MakeInstaller({
        {"\\JOB.INI",
         "Appname=T\r\nExename=t.exe\r\nProgramDir=" + Path("Job") + "\r\n" + extra_ini},
        {"\\MENU.DAT", "Path=T\r\nT=PDIR\\t.exe\r\n"},
        {"\\Programfiles\\t.exe", "program"},
        {"\\Programfiles\\Doc\\read me.txt", "text"},
    });
  }

  // Runs the installer as "<program> <arguments>" would with /S.
  int RunSilent(const std::string& program, const std::string& arguments) {
    const InstallerCommandLine command_line = ParseCommandLine(arguments);
    EXPECT_TRUE(command_line.silent);
    log_ = std::make_unique<SilentLog>(command_line.log_file);
    return RunUnattendedInstallation(program, command_line, fakes_.shell, *log_, &fakes_.installed);
  }

  std::vector<std::string> LinkFiles() {
    std::vector<std::string> files;
    for (const auto& link : fakes_.shell.FakeLink().saved) files.push_back(link.file);
    return files;
  }

  std::string dest_;
  std::string quick_;
  std::unique_ptr<SilentLog> log_;
};

TEST_F(UnattendedInstallTest, TheCommandLineDecidesWhatTheWizardWouldAsk) {
  struct Case {
    const char* arguments;  // /D= is added unless the job's folder is meant
    bool job_folder;
    bool common_writable;  // the all-users test passes
    bool all_users;        // the Start-menu and desktop folders used
    bool desktop;
    bool quick;
    bool launch;
  };
  const Case cases[] = {
      {"/S", false, true, true, true, true, false},
      {"/S", true, true, true, true, true, false},
      {"/s /currentuser /nodesktop", false, true, false, false, true, false},
      {"/S /NOQUICKLAUNCH /LAUNCH", false, true, true, true, false, true},
      {"/S", false, false, false, true, true, false},
      {"/S /ALLUSERS", false, false, true, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments + std::string(c.job_folder ? " (job folder)" : ""));
    fakes_ = testing::FakeServices();
    SetUpFolders();
    if (!c.common_writable) fakes_.shell.common_programs = Path("missing") + kD + "Programs";
    const std::string dest = c.job_folder ? Path("Job") : dest_;
    const std::string program = Program();
    const std::string arguments = std::string(c.arguments) + (c.job_folder ? "" : " /D=" + dest_);

    EXPECT_EQ(RunSilent(program, arguments), kExitInstalled);
    EXPECT_TRUE(log_->Messages().empty());
    EXPECT_EQ(ReadAll(dest + kD + "t.exe"), "program");
    EXPECT_EQ(ReadAll(dest + kD + "Doc" + kD + "read me.txt"), "text");
    EXPECT_FALSE(platform::FileExists(dest + kD + "uninstall.exe"));

    std::vector<std::string> links = {
        (c.all_users ? fakes_.shell.common_programs : fakes_.shell.programs) + kD + "T" + kD +
        "T.lnk"};
    if (c.desktop) {
      links.push_back((c.all_users ? fakes_.shell.common_desktop : fakes_.shell.desktop) + kD +
                      "T.lnk");
    }
    if (c.quick) links.push_back(quick_ + kD + "T.lnk");
    EXPECT_EQ(LinkFiles(), links);

    std::string log = "*T\r\nDoc\\read me.txt\r\nt.exe\r\n";
    for (const std::string& link : links) log += link + "\r\n";
    EXPECT_EQ(ReadAll(dest + kD + "install.log"), log);

    std::vector<std::pair<std::string, std::string>> launches;
    if (c.launch) launches.emplace_back(dest + kD + "t.exe", "");
    EXPECT_EQ(fakes_.shell.launched, launches);
    platform::RemoveDirectoryTree(dest);
  }
}

TEST_F(UnattendedInstallTest, WritesTheSameLogAsTheWizardForTheSameChoices) {
  const std::string program = Program();
  ASSERT_EQ(RunSilent(program, "/S /NODESKTOP /D=" + dest_), kExitInstalled);
  const std::string silent_log = ReadAll(dest_ + kD + "install.log");
  platform::RemoveDirectoryTree(Path("Apps"));

  fakes_ = testing::FakeServices();
  SetUpFolders();
  Show(program);
  form_->SetText(C::eDestDir, dest_);
  form_->Click(C::bNext);
  form_->Click(C::cbAgree);
  form_->Click(C::bNext);
  form_->Click(C::bNext);
  form_->Click(C::cbDesktop);
  form_->Click(C::bNext);
  form_->Click(C::bNext);
  ASSERT_EQ(form_->ActivePage(), C::tsComplete);
  EXPECT_EQ(ReadAll(dest_ + kD + "install.log"), silent_log);
  EXPECT_NE(silent_log.find("T.lnk"), std::string::npos);
}

TEST_F(UnattendedInstallTest, FailuresEndWithTheirCodeAndTheirMessageInTheLogFile) {
  struct Case {
    const char* what;
    int code;
    const char* message_start;  // the first message; the program's path follows when "'"
  };
  const Case cases[] = {
      {"no container", kExitContainerError, "Cannot open file '"},
      {"a damaged file", kExitCopyError,
       "There was an error in the file copy.  Installation may not be complete\r\n\r\n"
       "Reboot your system and try the installation again.\r\n"},
      {"install.log is a folder", kExitLogWriteError, "Cannot create file \""},
      {"no desktop shortcut", kExitInstalled, "The desktop icon could not be created\r\n\r\n"},
      {"a relative destination", kExitUsage, kDestinationMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes_ = testing::FakeServices();
    SetUpFolders();
    const std::string what = c.what;
    std::string program = Program();
    if (what == "no container") {
      program = Path("bare.exe");
      ASSERT_TRUE(WriteAll(program, Stub()));
    } else if (what == "a damaged file") {
      // One bit of a stored file's compressed bytes flipped on disk.
      std::string noise;
      for (uint32_t x = 7; noise.size() < 12000;) {
        x = x * 1103515245u + 12345u;
        noise += static_cast<char>(x >> 24);
      }
      program =
          MakeInstaller({{"\\JOB.INI", "Appname=T\r\n"}, {"\\Programfiles\\b.bin", noise}}, "", 1);
      std::string bytes = ReadAll(program);
      const size_t at = bytes.find(noise.substr(9000, 64));
      ASSERT_NE(at, std::string::npos);
      bytes[at + 10] = static_cast<char>(bytes[at + 10] ^ 0x20);
      ASSERT_TRUE(WriteAll(program, bytes));
    } else if (what == "install.log is a folder") {
      ASSERT_TRUE(platform::CreateDirectory(Path("Apps")) && platform::CreateDirectory(dest_) &&
                  platform::CreateDirectory(dest_ + kD + "install.log"));
    } else if (what == "no desktop shortcut") {
      fakes_.shell.FakeLink().fail_when_named = "Desktop";
    }
    const std::string dest =
        what == "a relative destination" ? std::string("Apps") + kD + "T X" : dest_;
    const std::string log_file = Path("setup log.txt");
    EXPECT_EQ(RunSilent(program, "/S \"/LOG=" + log_file + "\" /D=" + dest), c.code);
    ASSERT_FALSE(log_->Messages().empty());
    // The message stands in the file where it came, among the steps.
    const std::string logged = ReadAll(log_file);
    std::string start = c.message_start;
    if (start.back() == '\'') start += program + "'\r\n";
    const size_t at = logged.find(start);
    ASSERT_NE(at, std::string::npos) << logged;
    EXPECT_TRUE(at == 0 || logged.compare(at - 2, 2, "\r\n") == 0) << logged;
    platform::DeleteFile(log_file);
    platform::RemoveDirectoryTree(Path("Apps"));
  }
}

TEST_F(UnattendedInstallTest, ALogFileThatCannotBeWrittenFailsACleanRun) {
  const std::string program = Program();
  EXPECT_EQ(RunSilent(program, "/S \"/LOG=" + Path("no folder") + kD + "log.txt\" /D=" + dest_),
            kExitLogWriteError);
  EXPECT_EQ(ReadAll(dest_ + kD + "t.exe"), "program");
  // A clean run's log file holds every step with its result.
  platform::RemoveDirectoryTree(Path("Apps"));
  EXPECT_EQ(RunSilent(program, "/S /LOG=" + Path("log.txt") + " /D=" + dest_), kExitInstalled);
  const std::string folder = fakes_.shell.common_programs + kD + "T" + kD;
  EXPECT_EQ(ReadAll(Path("log.txt")), "Copy into " + dest_ +
                                          ": 2 files\r\n"
                                          "Start-menu folder " +
                                          folder +
                                          ": ready\r\n"
                                          "Shortcut " +
                                          folder +
                                          "T.lnk: created\r\n"
                                          "Shortcut " +
                                          fakes_.shell.common_desktop + kD +
                                          "T.lnk: created\r\n"
                                          "Shortcut " +
                                          quick_ + kD +
                                          "T.lnk: created\r\n"
                                          "install.log " +
                                          dest_ + kD + "install.log: written\r\n");
}

// Postexec opens only when /POSTEXEC asks for it; its Exec: line records
// that it was opened.
TEST_F(UnattendedInstallTest, PostexecOpensOnlyWithItsSwitch) {
  const std::string program = MakeInstaller({
      {"\\JOB.INI", "Appname=T\r\nExename=t.exe\r\n"},
      {"\\EXECS.DAT", "Postexec=PDIR\\t.exe\r\n"},
      {"\\Programfiles\\t.exe", "program"},
  });
  for (const bool asked : {false, true}) {
    SCOPED_TRACE(asked ? "/POSTEXEC" : "without /POSTEXEC");
    fakes_ = testing::FakeServices();
    SetUpFolders();
    const std::string log_file = Path("log.txt");
    EXPECT_EQ(RunSilent(program, std::string("/S ") + (asked ? "/POSTEXEC " : "") +
                                     "/LOG=" + log_file + " /D=" + dest_),
              kExitInstalled);
    const std::string post = dest_ + "\\t.exe";
    std::vector<std::pair<std::string, std::string>> launched;
    if (asked) launched.emplace_back(post, "");
    EXPECT_EQ(fakes_.shell.launched, launched);
    EXPECT_EQ(ReadAll(dest_ + kD + "install.log").find("Exec:" + post) != std::string::npos, asked);
    const std::string step =
        "Postexec " + post + (asked ? ": could not be opened" : ": not opened, not asked for");
    EXPECT_NE(ReadAll(log_file).find(step + "\r\n"), std::string::npos) << ReadAll(log_file);
    platform::RemoveDirectoryTree(Path("Apps"));
  }
}

// The application installed already: its folder without /D=, /D= naming
// it, or /FORCE; another folder ends with exit code 1 and installs nothing.
TEST_F(UnattendedInstallTest, AnInstalledCopyDecidesTheFolderUnlessForced) {
  const std::string installed = Path("Old") + kD + "T";
  struct Case {
    std::string arguments;
    int code;
    std::string folder;  // where t.exe lands; "" for nowhere
  };
  const Case cases[] = {
      {"/S", kExitInstalled, installed},
      {"/S /D=" + installed + kD, kExitInstalled, installed},
      {"/S /D=" + dest_, kExitUsage, ""},
      {"/S /FORCE /D=" + dest_, kExitInstalled, dest_},
  };
  const std::string program = Program();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    fakes_ = testing::FakeServices();
    SetUpFolders();
    fakes_.installed.copies["T"] = {installed, false};
    EXPECT_EQ(RunSilent(program, c.arguments), c.code);
    for (const std::string& folder : {installed, dest_}) {
      EXPECT_EQ(platform::FileExists(folder + kD + "t.exe"), folder == c.folder) << folder;
    }
    if (c.code == kExitUsage) {
      ASSERT_EQ(log_->Messages().size(), 1u);
      EXPECT_EQ(log_->Messages()[0], ReinstallRefusal("T", installed, dest_));
      EXPECT_TRUE(fakes_.shell.FakeLink().saved.empty());
    }
    platform::RemoveDirectoryTree(Path("Old"));
    platform::RemoveDirectoryTree(Path("Apps"));
  }
}

TEST_F(UnattendedInstallTest, UninstallKeyAddsTheUninstallerAndLeavesTheLogAlone) {
  const std::string plain = Program();
  ASSERT_EQ(RunSilent(plain, "/S /D=" + dest_), kExitInstalled);
  const std::string plain_log = ReadAll(dest_ + kD + "install.log");
  platform::RemoveDirectoryTree(Path("Apps"));

  const std::string program = Program("Uninstall=1\r\n");
  fakes_ = testing::FakeServices();
  SetUpFolders();
  EXPECT_EQ(RunSilent(program, "/S /D=" + dest_), kExitInstalled);
  EXPECT_TRUE(log_->Messages().empty());
  EXPECT_EQ(ReadAll(dest_ + kD + "install.log"), plain_log);
  // The program's own bytes without the container behind them.
  EXPECT_EQ(ReadAll(dest_ + kD + "uninstall.exe"), Stub());
  std::string error;
  EXPECT_TRUE(RemoveUninstallEntry("T", dest_, &error)) << error;  // where a registry keeps it
  platform::RemoveDirectoryTree(Path("Apps"));

  // A job without a name gets no entry: reported, the files stay.
  const std::string nameless =
      MakeInstaller({{"\\JOB.INI", "Uninstall=1\r\n"}, {"\\Programfiles\\t.exe", "program"}});
  fakes_ = testing::FakeServices();
  SetUpFolders();
  EXPECT_EQ(RunSilent(nameless, "/S /D=" + dest_), kExitCopyError);
  ASSERT_EQ(log_->Messages().size(), 1u);
  EXPECT_EQ(ReadAll(dest_ + kD + "t.exe"), "program");
  EXPECT_TRUE(platform::FileExists(dest_ + kD + "install.log"));
}

}  // namespace
}  // namespace vor
