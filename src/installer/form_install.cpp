// TForm1's installation run: the copy of the application's files, the
// shortcuts, the server registration, the program run after the
// installation, and the installation log.
#include <exception>
#include <string>

#include "container/coffer.h"
#include "installer/disk_paths.h"
#include "installer/form.h"
#include "installer/installer_error.h"
#include "installer/uninstall_entry.h"
#include "installer/uninstall_error.h"
#include "installer/uninstaller_image.h"
#include "platform/restart_delete.h"

namespace vor {

namespace {

constexpr const char* kProgramFilesFolder = "\\Programfiles";
constexpr const char* kLogFileName = "install.log";
constexpr int kRegisterKeyCount = 10;
// The job key that asks for an uninstaller ("1"); without it nothing is
// written beyond the files, the shortcuts and install.log.
constexpr const char* kUninstallKey = "Uninstall";

}  // namespace

void TForm1::ExportProgress(const std::string& file_name, double percent) {
  SetText(ControlId::lStatus, file_name);
  MessagePump().ProcessMessages();
  // Exactly 100: the file is complete. Every non-empty file reports 100
  // twice; the log, sorted and ignoring duplicates during the copy, keeps
  // the name once.
  if (percent == 100.0 && InstalledList != nullptr) InstalledList->Add(file_name);
}

void TForm1::CopyProgramFiles(const std::string& folder, const std::string& dest) {
  try {
    if (Container == nullptr) throw EVorError("no container", ErrorKind::kMisuse);
    Container->ExportFiles(folder + "\\*.*", dest, 63, true, 0);
  } catch (...) {
    // What was copied before the failure stays on disk and in the log.
    MessageBox().ShowFormMessage(FormMessageKind::kCopyError, kCopyErrorMessage);
  }
}

void TForm1::RunInstallation() {
  SetEnabled(ControlId::bNext, false);
  SetEnabled(ControlId::bBack, false);
  SetEnabled(ControlId::bCancel, false);
  InstalledList->Clear();
  InstalledList->SetIgnoreDuplicates(true);
  InstalledList->SetSorted(true);
  SetText(ControlId::eDestDir, WithoutTrailingDelimiter(Text(ControlId::eDestDir)));
  const std::string dest = Text(ControlId::eDestDir);

  std::exception_ptr escaped;
  try {
    RunGuardedSteps(dest);
  } catch (...) {
    escaped = std::current_exception();
  }
  try {
    // The log is written whatever happened above.
    if (InstalledList->Sorted()) InstalledList->SetSorted(false);
    InstalledList->Insert(0, "*" + AppName);
    SaveInstallLog(WithTrailingDelimiter(dest) + kLogFileName);
    if (escaped) std::rethrow_exception(escaped);
    if (JobIni->Values(kUninstallKey) == "1") WriteUninstaller(dest);
    CancelPendingDeletions(dest);
  } catch (...) {
    // Every button is disabled and the window has no close box: Cancel
    // comes back so that the user can leave once the error is reported.
    SetEnabled(ControlId::bCancel, true);
    throw;
  }
  SetEnabled(ControlId::bNext, true);
  GoToPage(ControlId::tsComplete);
}

void TForm1::CancelPendingDeletions(const std::string& dest) const {
  // An earlier removal may have left the uninstaller (and the folder) to be
  // deleted at the next start: what this installation wrote must stay. A
  // system that keeps no such list, or that refuses, changes nothing here.
  const std::string folder = WithTrailingDelimiter(dest);
  std::vector<std::string> written = {dest, folder + kLogFileName, folder + kUninstallerFileName};
  for (int i = 0; i < InstalledList->Count(); ++i) {
    const std::string& line = (*InstalledList)[i];
    if (!line.empty() && line[0] != '*') written.push_back(line);
  }
  platform::CancelDeleteAtRestart(written);
}

void TForm1::SaveInstallLog(const std::string& path) {
  try {
    InstalledList->SaveToFile(path);
  } catch (const std::exception& e) {
    // The same text, with a kind that tells this failure from the others.
    throw EInstallerError(InstallerErrorKind::kLogWrite, e.what());
  }
}

void TForm1::WriteUninstaller(const std::string& dest) {
  // Written after install.log, so that the log lists the application's
  // files only; a failure is reported and the installation stands.
  const std::string folder = WithTrailingDelimiter(dest);
  try {
    WriteUninstallerImage(services_.program_path, folder + kUninstallerFileName);
    UninstallEntry entry;
    entry.app_name = AppName;
    entry.dest_dir = dest;
    entry.program_path = folder + ExeName;
    entry.all_users = Checked(ControlId::cbAllUsers);
    WriteUninstallEntry(entry);
  } catch (const EUninstallError& e) {
    MessageBox().ShowFormMessage(FormMessageKind::kUninstaller, e.what());
  }
}

void TForm1::RunGuardedSteps(const std::string& dest) {
  CopyProgramFiles(kProgramFilesFolder, dest);
  InstalledList->SetSorted(false);

  IShellServices& shell = Shell();
  const bool all_users = Checked(ControlId::cbAllUsers);
  const char delimiter = platform::PathDelimiter();
  const std::string programs = WithTrailingDelimiter(all_users ? shell.GetCommonProgramsFolder()
                                                               : shell.GetProgramsFolder());
  const std::string desktop =
      WithTrailingDelimiter(all_users ? shell.GetCommonDesktopFolder() : shell.GetDesktopFolder());
  const std::string quick_launch = WithTrailingDelimiter(shell.GetAppDataFolder()) + "Microsoft" +
                                   delimiter + "Internet Explorer" + delimiter + "Quick Launch" +
                                   delimiter;
  const std::string start_menu = programs + MenuList->Values("Path") + delimiter;

  shell.CreateFolderPath(WithoutTrailingDelimiter(start_menu));

  // Start-menu shortcuts: every line but the first; a failing one is
  // skipped without a word.
  for (int i = 1; i < MenuList->Count(); ++i) {
    try {
      const std::string caption = MenuList->Names(i);
      MakeShortcut(start_menu, caption, ReplaceProgramDir(MenuList->Values(caption), dest), dest);
    } catch (...) {
    }
  }

  const std::string program = ReplaceProgramDir(std::string("PDIR") + delimiter + ExeName, dest);
  if (Checked(ControlId::cbDesktop)) {
    try {
      MakeShortcut(desktop, AppName, program, dest);
    } catch (const std::exception& e) {
      MessageBox().ShowFormMessage(FormMessageKind::kShortcut,
                                   std::string(kDesktopIconError) + "\r\r" + e.what());
    }
  }
  if (Checked(ControlId::cbQuick) &&
      shell.DiskFolderExists(WithoutTrailingDelimiter(quick_launch))) {
    try {
      MakeShortcut(quick_launch, AppName, program, dest);
    } catch (const std::exception& e) {
      MessageBox().ShowFormMessage(FormMessageKind::kShortcut,
                                   std::string(kQuickLaunchIconError) + "\r\r" + e.what());
    }
  }

  for (int k = 0; k < kRegisterKeyCount; ++k) {
    std::string server = JobIni->Values("pregister" + std::to_string(k));
    if (server.empty()) continue;
    server = ReplaceProgramDir(server, dest);
    try {
      shell.RegisterServerLibrary(server);
      InstalledList->Add("REG:" + server);
    } catch (...) {
      // A server that cannot be registered is left out silently.
    }
  }

  std::string post = ExecsList->Values("Postexec");
  if (!post.empty()) {
    post = ReplaceProgramDir(post, dest);
    shell.Launch(post, "");
    InstalledList->Add("Exec:" + post);
  }
}

void TForm1::MakeShortcut(const std::string& folder, const std::string& caption,
                          const std::string& target, const std::string& dest) {
  ILinkWriter& link = Shell().Link();
  link.NewLink();
  link.SetDescription(caption);
  link.SetWorkingDirectory(dest);
  link.SetIconLocationPath(target);
  link.SetIconLocationIndex(0);
  link.SetPath(target);
  // The file is named by the description as the writer reads it back.
  const std::string file_name = folder + link.GetDescription() + ".lnk";
  link.SaveToFile(file_name);
  InstalledList->Add(file_name);
}

}  // namespace vor
