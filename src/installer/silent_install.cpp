// The unattended installation: the window model's pages walked without a
// window, its messages logged.
#include "installer/silent_install.h"

#include <exception>

#include "installer/installer_error.h"

namespace vor {

void SilentMessageBox::ShowError(const std::string& text) { log_.Add(text, kExitCopyError); }

void SilentMessageBox::ShowFormMessage(FormMessageKind kind, const std::string& text) {
  log_.Add(text, SilentExitCode(kind));
}

int SilentExitCode(FormMessageKind kind) {
  switch (kind) {
    case FormMessageKind::kContainerNotOpened:
      return kExitContainerError;
    case FormMessageKind::kShortcut:
      return kExitInstalled;
    case FormMessageKind::kDestination:
      return kExitUsage;  // /D= named no full folder path
    case FormMessageKind::kCopyError:
    case FormMessageKind::kUninstaller:
      break;
  }
  // The application or its uninstaller is not wholly in place.
  return kExitCopyError;
}

namespace {

// Presses Next; false (and logged) when the model did not reach page.
bool Next(TForm1& form, ControlId page, SilentLog& log) {
  form.Click(ControlId::bNext);
  if (form.ActivePage() == page) return true;
  log.Add(std::string("The installation stopped before the page ") + Layout(page).name,
          kExitCopyError);
  return false;
}

void Walk(TForm1& form, const InstallerCommandLine& command_line, SilentLog& log) {
  form.SetStartValues(command_line);
  form.FormShow();
  // Without its container the run could only fail to copy.
  if (form.Container == nullptr) return;
  if (!Next(form, ControlId::tsLicense, log)) return;
  form.Click(ControlId::cbAgree);
  if (!Next(form, ControlId::tsReadme, log)) return;
  // Entering the Options page runs the all-users test; a forced choice
  // stands over its result.
  if (!Next(form, ControlId::tsOptions, log)) return;
  if (command_line.users == UserScope::kAllUsers) {
    form.SetChecked(ControlId::cbAllUsers, true);
    form.SetChecked(ControlId::cbThisUser, false);
  }
  if (!Next(form, ControlId::tsinstall, log)) return;
  try {
    form.Click(ControlId::bNext);
  } catch (const EInstallerError& e) {
    log.Add(e.what(),
            e.Kind() == InstallerErrorKind::kLogWrite ? kExitLogWriteError : kExitCopyError);
    return;
  } catch (const std::exception& e) {
    log.Add(e.what(), kExitCopyError);
    return;
  }
  if (form.ActivePage() != ControlId::tsComplete) {
    log.Add("The installation did not complete", kExitCopyError);
    return;
  }
  // Finish: the program starts only when asked for.
  form.SetChecked(ControlId::cbLaunch, command_line.launch);
  form.Click(ControlId::bNext);
}

}  // namespace

int RunSilentInstallation(TForm1& form, const InstallerCommandLine& command_line, SilentLog& log) {
  log.Start();
  try {
    Walk(form, command_line, log);
  } catch (const std::exception& e) {
    // The job could not be read.
    log.Add(e.what(), kExitContainerError);
  }
  form.Close();
  return log.ExitCode();
}

}  // namespace vor
