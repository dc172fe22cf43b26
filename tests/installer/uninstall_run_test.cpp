// The uninstaller program's run: the question, where the installation is,
// the notes and who removes the uninstaller's own file.
#include "installer/engine/uninstall_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/fake_uninstall_system.h"

namespace vor {
namespace {

using testing::Native;

class FakeDialogs : public IUninstallDialogs {
 public:
  bool Confirm(const std::string& question) override {
    questions.push_back(question);
    return answer;
  }
  void ShowReport(const std::string& text, bool complete) override {
    reports.push_back(text);
    completes.push_back(complete);
  }
  bool answer = true;
  std::vector<std::string> questions;
  std::vector<std::string> reports;
  std::vector<bool> completes;
};

class UninstallRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.folders.programs = Native("/u/Programs");
    options_.folders.desktop = Native("/u/Desktop");
    dest_ = Native("/apps/T X");
    system_.AddFile(dest_ + Native("/t.exe"));
    system_.AddFile(dest_ + Native("/uninstall.exe"));
    system_.AddFile(Native("/u/Programs/T/T.lnk"));
    system_.AddFile(Native("/tmp/copy.exe"));
    SetLog("*T\r\nt.exe\r\n" + Native("/u/Programs/T/T.lnk") + "\r\n");
  }

  void SetLog(const std::string& text) { system_.AddFile(dest_ + Native("/install.log"), text); }

  UninstallRunResult Run(const std::string& arguments, const std::string& program,
                         bool with_dialogs) {
    const InstallerCommandLine command_line = ParseCommandLine(arguments);
    return RunUninstaller(command_line, program, system_, options_,
                          with_dialogs ? &dialogs_ : nullptr, log_);
  }

  testing::FakeUninstallSystem system_;
  UninstallOptions options_;
  FakeDialogs dialogs_;
  SilentLog log_{""};
  std::string dest_;
};

TEST_F(UninstallRunTest, FromItsOwnFolderItLeavesItsFileToTheCaller) {
  options_.ignore_case = true;  // the program's name as the system spells it
  const UninstallRunResult r = Run("/U /S", dest_ + Native("/Uninstall.EXE"), false);
  EXPECT_EQ(r.exit_code, kUninstallRemoved);
  EXPECT_EQ(r.dest_dir, dest_);
  EXPECT_FALSE(system_.Exists(dest_ + Native("/t.exe")));
  EXPECT_FALSE(system_.Exists(Native("/u/Programs/T")));
  EXPECT_FALSE(system_.Exists(dest_ + Native("/install.log")));
  EXPECT_TRUE(log_.Messages().empty());
  EXPECT_TRUE(system_.Exists(dest_ + Native("/uninstall.exe")));
  EXPECT_TRUE(r.remove_program);
}

TEST_F(UninstallRunTest, StartedFromElsewhereWithTheFolderItDeletesTheUninstallerToo) {
  options_.ignore_case = true;
  const UninstallRunResult r =
      Run("/U /S /D=" + dest_ + Native("/"), Native("/tmp/copy.exe"), false);
  EXPECT_EQ(r.exit_code, kUninstallRemoved);
  EXPECT_EQ(r.dest_dir, dest_);
  EXPECT_FALSE(r.remove_program);
  EXPECT_FALSE(system_.Exists(dest_ + Native("/uninstall.exe")));
  EXPECT_FALSE(system_.Exists(dest_));
  EXPECT_TRUE(system_.Exists(Native("/tmp/copy.exe")));
}

TEST_F(UninstallRunTest, TheQuestionComesFirstAndNoTouchesNothing) {
  options_.ignore_case = true;
  dialogs_.answer = false;
  UninstallRunResult r = Run("/U", dest_ + Native("/uninstall.exe"), true);
  EXPECT_TRUE(r.declined);
  EXPECT_FALSE(r.remove_program);
  EXPECT_EQ(dialogs_.questions, std::vector<std::string>{"Remove T and all of its components?"});
  EXPECT_TRUE(system_.calls.empty());
  EXPECT_TRUE(system_.Exists(dest_ + Native("/install.log")));

  // Yes: the removal runs; its notes are logged, and shown at the end in
  // the one report box.
  dialogs_.answer = true;
  SetLog("*T\r\nt.exe\r\n..\\..\\x\r\n");
  r = Run("/U", dest_ + Native("/uninstall.exe"), true);
  EXPECT_EQ(r.exit_code, kUninstallRefusedLines);
  EXPECT_FALSE(system_.Exists(dest_ + Native("/t.exe")));
  EXPECT_TRUE(dialogs_.reports.empty());
  ASSERT_EQ(log_.Messages().size(), 1u);
  EXPECT_TRUE(r.remove_program);
  r.remove_program = false;  // the program's own file is not on this disk
  EXPECT_EQ(FinishUninstaller(r, dest_ + Native("/uninstall.exe"), &dialogs_, log_),
            kUninstallRefusedLines);
  ASSERT_EQ(dialogs_.reports.size(), 1u);
  EXPECT_FALSE(dialogs_.completes[0]);
  EXPECT_EQ(dialogs_.reports[0].rfind("T could not be removed completely.\r", 0), 0u)
      << dialogs_.reports[0];
  EXPECT_NE(dialogs_.reports[0].find("\r" + log_.Messages()[0]), std::string::npos);
}

// The report at the end names what went and what stayed; the /LOG file
// has a line for each.
TEST_F(UninstallRunTest, TheReportTellsWhatWasRemovedAndWhatWasKept) {
  system_.AddFile(dest_ + Native("/mine.txt"));  // the user's
  system_.AddFolder(dest_ + Native("/Empty"));   // brought empty by the package
  UninstallRunResult r = Run("/U /D=" + dest_, Native("/tmp/copy.exe"), true);
  EXPECT_EQ(FinishUninstaller(r, Native("/tmp/copy.exe"), &dialogs_, log_), kUninstallRemoved);
  ASSERT_EQ(dialogs_.reports.size(), 1u);
  EXPECT_TRUE(dialogs_.completes[0]);
  // t.exe, the shortcut, the log and the uninstaller; Empty and the
  // Start-menu folder T.
  EXPECT_EQ(dialogs_.reports[0],
            "T has been removed.\r"
            "Removed: 4 files and shortcuts, 2 folders.\r"
            "Kept, not empty: " +
                dest_);
  EXPECT_FALSE(system_.Exists(dest_ + Native("/Empty")));
  EXPECT_TRUE(system_.Exists(dest_ + Native("/mine.txt")));
}

TEST_F(UninstallRunTest, WithoutItsLogNothingGoesAndNothingIsAsked) {
  const std::string elsewhere = Native("/other/uninstall.exe");
  system_.AddFile(elsewhere);
  const UninstallRunResult r = Run("/U", elsewhere, true);
  EXPECT_EQ(r.exit_code, kUninstallLogUnreadable);
  EXPECT_FALSE(r.remove_program);
  EXPECT_TRUE(dialogs_.questions.empty());
  EXPECT_TRUE(system_.Exists(elsewhere));
  EXPECT_TRUE(system_.Exists(dest_ + Native("/t.exe")));
}

TEST_F(UninstallRunTest, AFileInUseKeepsTheUninstaller) {
  options_.ignore_case = true;
  system_.in_use.insert(dest_ + Native("/t.exe"));
  const UninstallRunResult r = Run("/U /S", dest_ + Native("/uninstall.exe"), false);
  EXPECT_EQ(r.exit_code, kUninstallIncomplete);
  EXPECT_FALSE(r.remove_program);
  EXPECT_TRUE(system_.Exists(dest_ + Native("/install.log")));
  EXPECT_EQ(log_.Messages().size(), 1u);
}

}  // namespace
}  // namespace vor
