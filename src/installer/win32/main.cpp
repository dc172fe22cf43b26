// The installer program's entry: start-up, the command line, and then the
// installer window and its message loop, the unattended installation (/S)
// or the removal of an installation (/U).
// clang-format off
#include <windows.h>
#include <commctrl.h>  // after windows.h, which it builds on
// clang-format on

#include <exception>
#include <string>

#include "error_report.h"
#include "form_window.h"
#include "installer/engine/command_line.h"
#include "installer/engine/disk_uninstall_system.h"
#include "installer/engine/error_text.h"
#include "installer/engine/installation.h"
#include "installer/engine/silent_log.h"
#include "installer/engine/startup.h"
#include "installer/engine/unattended_install.h"
#include "installer/engine/uninstall_run.h"
#include "installer/wizard/form.h"
#include "platform/com.h"
#include "platform/library_search.h"
#include "platform/shell.h"
#include "shell/shell_services.h"

namespace {

int RunMessageLoop(vor::win32::FormWindow& window) {
  MSG msg{};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (window.TranslateDialogMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

int RunWizard(HINSTANCE instance, const vor::InstallerCommandLine& command_line) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_TAB_CLASSES;
  InitCommonControlsEx(&controls);

  // The main window; FormCreate runs as the model is built.
  vor::TForm1 form;
  form.SetStartValues(command_line);
  vor::win32::FormWindow window(instance, form);
  window.Show();
  return RunMessageLoop(window);
}

// The installation without a window; nothing is shown, whatever happens.
int RunSilentInstaller(const vor::InstallerCommandLine& command_line) {
  vor::SilentLog log(command_line.log_file);
  try {
    vor::ShellServices shell_services;
    return vor::RunUnattendedInstallation(vor::platform::ExecutablePath(), command_line,
                                          shell_services, log);
  } catch (const std::exception& e) {
    log.Add(e.what(), vor::kExitCopyError);
  }
  return log.ExitCode();
}

class UninstallDialogs : public vor::IUninstallDialogs {
 public:
  bool Confirm(const std::string& question) override {
    return MessageBoxA(nullptr, question.c_str(), vor::kApplicationTitle,
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
  }
  void ShowReport(const std::string& text, bool complete) override {
    MessageBoxA(nullptr, text.c_str(), vor::kApplicationTitle,
                MB_OK | (complete ? MB_ICONINFORMATION : MB_ICONWARNING));
  }
};

vor::ShellFolders LookUpShellFolders() {
  vor::ShellServices shell;
  vor::ShellFolders folders;
  folders.programs = shell.GetProgramsFolder();
  folders.common_programs = shell.GetCommonProgramsFolder();
  folders.desktop = shell.GetDesktopFolder();
  folders.common_desktop = shell.GetCommonDesktopFolder();
  folders.quick_launch = vor::QuickLaunchFolder(shell.GetAppDataFolder());
  return folders;
}

int RunUninstall(const vor::InstallerCommandLine& command_line) {
  vor::SilentLog log(command_line.log_file);
  UninstallDialogs dialogs;
  vor::DiskUninstallSystem system;
  const std::string program = vor::platform::ExecutablePath();
  vor::IUninstallDialogs* shown = command_line.silent ? nullptr : &dialogs;
  vor::UninstallRunResult result = vor::RunUninstaller(
      command_line, program, system, vor::DiskUninstallOptions(LookUpShellFolders()), shown, log);
  if (result.declined) return result.exit_code;
  return vor::FinishUninstaller(result, program, shown, log);
}

int Run(HINSTANCE instance) {
  vor::InitializeProcess();
  // The application: COM on this thread in the single-threaded apartment,
  // the common controls, and the title "VOR Installer" (kApplicationTitle,
  // the window's caption and the caption of the default error report).
  vor::platform::ComApartment com(vor::platform::ComInit::kCoInitialize);

  vor::InstallerCommandLine command_line;
  try {
    command_line = vor::ParseCommandLine(vor::CommandLineArguments(GetCommandLineA()));
  } catch (const vor::ECommandLineError& e) {
    if (e.Silent()) return vor::kExitUsage;
    MessageBoxA(nullptr, e.what(), vor::kApplicationTitle,
                e.Kind() == vor::CommandLineErrorKind::kHelp ? MB_OK | MB_ICONINFORMATION
                                                             : MB_OK | MB_ICONERROR);
    return vor::kExitUsage;
  }
  if (command_line.uninstall) {
    if (!command_line.silent) return RunUninstall(command_line);
    // Silent: a failure ends the run with its code and shows nothing.
    try {
      return RunUninstall(command_line);
    } catch (const std::exception&) {
      return vor::kUninstallIncomplete;
    }
  }
  if (command_line.silent) return RunSilentInstaller(command_line);
  return RunWizard(instance, command_line);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  // Before anything else: no library is looked for beside the program.
  vor::platform::RestrictLibrarySearch();
  try {
    return Run(instance);
  } catch (const std::exception& e) {
    vor::win32::ShowDefaultErrorReport(nullptr, e.what());
  } catch (...) {
    vor::win32::ShowDefaultErrorReport(nullptr, "Unknown exception");
  }
  return 1;
}
