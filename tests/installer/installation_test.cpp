// The installation run on its own: no window, no form, a job read from a
// container made in the test and the shell subsystem's in-memory services.
#include "installer/engine/installation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "container/coffer.h"
#include "installer/engine/exit_codes.h"
#include "package/install_error.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "shell/fake_shell_services.h"
#include "support/container_files.h"

namespace vor {
namespace {

const std::string kD(1, platform::PathDelimiter());

// What the run tells as it goes.
class RecordedProgress : public IInstallProgress {
 public:
  void FileProgress(const std::string& file_name, double percent) override {
    if (percent == 100.0) completed.push_back(file_name);
  }
  void Noted(const Note& note) override { notes.push_back(note); }
  void Step(const std::string& line) override { steps.push_back(line); }
  std::vector<std::string> completed;
  std::vector<Note> notes;
  std::vector<std::string> steps;
};

// Shell services whose folder creation fails outright: a step that raises.
class FailingFolderShell : public testing::FakeShellServices {
 public:
  bool CreateFolderPath(const std::string&) override {
    throw EVorError("Unable to create directory", ErrorKind::kIo);
  }
};

class InstallationTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    Folders(shell_);
    dest_ = Path("Apps") + kD + "App";
    const std::string path = Path("job.cfr");
    {
      TCoffer coffer(path, 0xFFFF, kJobPassword, "", "", 1);
      coffer.CreateFolder("\\Programfiles\\Doc");
      testing::StoreFile(coffer, "\\Programfiles\\app.exe", "program", 1);
      testing::StoreFile(coffer, "\\Programfiles\\Doc\\read.txt", "text", 1);
      testing::StoreFile(coffer, "\\JOB.INI",
                         "Appname=App\r\nExename=app.exe\r\npregister0=PDIR\\app.exe\r\n", 1);
      testing::StoreFile(coffer, "\\MENU.DAT", "Path=Group\r\nApp=PDIR\\app.exe\r\n", 1);
      testing::StoreFile(coffer, "\\EXECS.DAT", "Postexec=PDIR\\Doc\\read.txt\r\n", 1);
    }
    container_ = OpenJobContainer(path);
    ReadJob(*container_, &job_);
  }

  static void Folders(testing::FakeShellServices& shell) {
    shell.programs = "UP";
    shell.desktop = "UD";
    shell.common_programs = "CP";
    shell.common_desktop = "CD";
    shell.app_data = "AD";
    shell.folders = {"CD", "UD", QuickLaunchFolder("AD")};
  }

  InstallOptions Options() const {
    InstallOptions options;
    options.destination = dest_ + kD;  // as typed, with a trailing delimiter
    return options;
  }

  std::string Log() const { return ReadAll(dest_ + kD + "install.log"); }

  testing::FakeShellServices shell_;
  std::string dest_;
  std::unique_ptr<TCoffer> container_;
  Job job_;
};

TEST_F(InstallationTest, TheChoicesDecideTheShortcutsAndTheLogRecordsThem) {
  struct Case {
    const char* what;
    bool all_users;
    bool desktop;
    bool quick_launch;
    bool launch;
    bool post_exec;
  };
  const Case cases[] = {
      {"every default", true, true, true, false, true},
      {"this user, no desktop", false, false, true, false, true},
      {"no Quick Launch, launched", true, true, false, true, true},
      {"no Postexec", true, true, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::FakeShellServices shell;
    Folders(shell);
    InstallOptions options = Options();
    options.all_users = c.all_users;
    options.desktop = c.desktop;
    options.quick_launch = c.quick_launch;
    options.launch = c.launch;
    options.post_exec = c.post_exec;
    RecordedProgress progress;
    const InstallReport report = RunInstallation(job_, container_.get(), options, shell, progress);

    EXPECT_EQ(report.destination, dest_);
    EXPECT_TRUE(report.notes.empty());
    EXPECT_EQ(report.exit_code, kExitInstalled);
    EXPECT_EQ(ReadAll(dest_ + kD + "app.exe"), "program");
    EXPECT_EQ(progress.completed.size(), 4u);  // each file reports 100 twice

    std::vector<std::string> links = {std::string(c.all_users ? "CP" : "UP") + kD + "Group" + kD +
                                      "App.lnk"};
    if (c.desktop) links.push_back(std::string(c.all_users ? "CD" : "UD") + kD + "App.lnk");
    if (c.quick_launch) links.push_back(QuickLaunchFolder("AD") + kD + "App.lnk");
    std::string log = "*App\r\napp.exe\r\nDoc\\read.txt\r\n";
    for (const std::string& link : links) log += link + "\r\n";
    // app.exe is no server: left out. Postexec is recorded when it was opened.
    if (c.post_exec) log += "Exec:" + dest_ + "\\Doc\\read.txt\r\n";
    EXPECT_EQ(Log(), log);

    std::vector<std::pair<std::string, std::string>> launched;
    if (c.post_exec) launched.emplace_back(dest_ + "\\Doc\\read.txt", "");
    if (c.launch) launched.emplace_back(dest_ + kD + "app.exe", "");
    EXPECT_EQ(shell.launched, launched);
    // Every step tells its result: the copy, each shortcut, the log.
    const auto told = [&](const std::string& line) {
      return std::find(progress.steps.begin(), progress.steps.end(), line) != progress.steps.end();
    };
    EXPECT_TRUE(told("Copy into " + dest_ + ": 2 files"));
    for (const std::string& link : links) {
      EXPECT_TRUE(told("Shortcut " + link + ": created"));
    }
    EXPECT_TRUE(told("Server " + dest_ + "\\app.exe: not registered: " +
                     "The system cannot find the file specified.: " + dest_ + "\\app.exe"));
    EXPECT_TRUE(told("install.log " + dest_ + kD + "install.log: written"));
    EXPECT_EQ(told("Postexec " + dest_ + "\\Doc\\read.txt: not opened, not asked for"),
              !c.post_exec);
    platform::RemoveDirectoryTree(Path("Apps"));
  }
}

// A copy that fails stops the run before anything that would point at the
// incomplete folder: an earlier installation's shortcuts stay as they were.
TEST_F(InstallationTest, AFailedCopyStopsTheRunWithItsCause) {
  ASSERT_TRUE(WriteAll(Path("plain"), "x"));
  struct Case {
    const char* what;
    bool container;
    std::string destination;
    std::string cause;  // what follows the copy-error message; "" for none
    bool log_written;
  };
  const Case cases[] = {
      {"no container", false, dest_, "", true},
      {"a destination below a file", true, Path("plain") + kD + "App",
       "The folder \"" + Path("plain") + "\" cannot be created: ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::FakeShellServices shell;
    Folders(shell);
    if (c.log_written) {
      ASSERT_TRUE(platform::ForceDirectories(c.destination));
    }
    InstallOptions options = Options();
    options.destination = c.destination;
    options.launch = true;
    RecordedProgress progress;
    const InstallReport report =
        RunInstallation(job_, c.container ? container_.get() : nullptr, options, shell, progress);

    EXPECT_FALSE(report.complete);
    EXPECT_EQ(report.exit_code, kExitCopyError);
    ASSERT_EQ(report.notes.size(), 1u);
    EXPECT_EQ(report.notes[0].kind, NoteKind::kCopyError);
    const std::string expected =
        c.cause.empty() ? std::string(kCopyErrorMessage) : kCopyErrorMessage + ("\r\r" + c.cause);
    EXPECT_EQ(report.notes[0].text.substr(0, expected.size()), expected);
    if (c.cause.empty()) {
      EXPECT_EQ(report.notes[0].text, expected);
    }
    ASSERT_EQ(progress.notes.size(), 1u);  // told as it happened
    // Nothing made, registered, opened or started.
    EXPECT_TRUE(shell.FakeLink().saved.empty());
    EXPECT_TRUE(shell.created_folders.empty());
    EXPECT_TRUE(shell.registered.empty());
    EXPECT_TRUE(shell.launched.empty());
    const std::string log = c.destination + kD + "install.log";
    EXPECT_EQ(platform::FileExists(log), c.log_written);
    if (c.log_written) {
      EXPECT_EQ(ReadAll(log), "*App\r\n");
    }
    EXPECT_FALSE(platform::FileExists(c.destination + kD + "uninstall.exe"));
    platform::RemoveDirectoryTree(Path("Apps"));
  }
}

TEST_F(InstallationTest, FailuresAreNotedOrRaisedAfterTheLogIsWritten) {
  RecordedProgress progress;
  InstallReport report;
  // A shortcut that cannot be saved (no desktop folder) is a note that does
  // not fail the run.
  shell_.folders.erase("CD");
  report = RunInstallation(job_, container_.get(), Options(), shell_, progress);
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_EQ(report.notes[0].kind, NoteKind::kShortcut);
  EXPECT_EQ(report.notes[0].text.rfind(kDesktopIconError, 0), 0u);
  EXPECT_EQ(report.exit_code, kExitInstalled);
  platform::RemoveDirectoryTree(Path("Apps"));

  // A step that raises: the log is written first, then the error comes.
  FailingFolderShell failing;
  Folders(failing);
  EXPECT_THROW(RunInstallation(job_, container_.get(), Options(), failing, progress), EVorError);
  EXPECT_EQ(Log(), "*App\r\napp.exe\r\nDoc\\read.txt\r\n");

  // install.log that cannot be written raises with its kind.
  platform::RemoveDirectoryTree(Path("Apps"));
  ASSERT_TRUE(platform::ForceDirectories(dest_ + kD + "install.log"));
  try {
    RunInstallation(job_, container_.get(), Options(), shell_, progress);
    ADD_FAILURE() << "install.log was written over a folder";
  } catch (const EInstallError& e) {
    EXPECT_EQ(e.Kind(), InstallErrorKind::kLogWrite);
  }
}

}  // namespace
}  // namespace vor
