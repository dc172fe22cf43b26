// The unattended installation (/S): the wizard's own run driven without a
// window. The window model walks its pages as a user who accepts every
// default would (licence accepted), with the command line's values put over
// the job's; every message it would show goes to a SilentLog, whose first
// failure is the exit code.
#pragma once

#include <string>

#include "installer/command_line.h"
#include "installer/form.h"
#include "installer/form_services.h"
#include "installer/silent_log.h"

namespace vor {

// The message box of an unattended run: each message goes to the log with
// the exit code its kind stands for (a shortcut that could not be made does
// not fail the run).
class SilentMessageBox : public IMessageBox {
 public:
  explicit SilentMessageBox(SilentLog& log) : log_(log) {}
  void ShowError(const std::string& text) override;
  void ShowFormMessage(FormMessageKind kind, const std::string& text) override;

 private:
  SilentLog& log_;
};

// The exit code a message of this kind stands for in an unattended run.
int SilentExitCode(FormMessageKind kind);

// Runs the installation on form, whose services are set already (its
// message box a SilentMessageBox on log), and closes it. The destination is
// /D= or the job's ProgramDir; all users when the all-users test passes
// unless /ALLUSERS or /CURRENTUSER decide; the shortcut check boxes as in
// the wizard unless /NODESKTOP or /NOQUICKLAUNCH; the installed program is
// started at the end only with /LAUNCH. Returns the exit code.
int RunSilentInstallation(TForm1& form, const InstallerCommandLine& command_line, SilentLog& log);

}  // namespace vor
