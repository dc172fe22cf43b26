// The unattended installation (/S): the installation run without a window.
// The choices are those a user taking every default would make in the
// wizard, with the command line's values put over the job's; every note goes
// to a SilentLog, whose first failure is the exit code.
#pragma once

#include <string>

#include "installer/engine/command_line.h"
#include "installer/engine/installation.h"
#include "installer/engine/installed_copy.h"
#include "installer/engine/silent_log.h"
#include "package/job.h"
#include "shell/shell_services.h"

namespace vor {

// The choices of an unattended run: the destination is /D= or the job's
// ProgramDir; all users when the all-users test passes (all_users_writable)
// unless /ALLUSERS or /CURRENTUSER decide; the shortcuts unless /NODESKTOP
// or /NOQUICKLAUNCH; the program started at the end only with /LAUNCH, the
// job's Postexec opened only with /POSTEXEC.
InstallOptions UnattendedOptions(const Job& job, const InstallerCommandLine& command_line,
                                 bool all_users_writable);

// Opens the container on program_path, reads the job, and runs the
// installation with UnattendedOptions (the all-users test asked of shell
// only when the command line leaves the choice to it). When the job's
// application is installed already (installed; null: the registry), the
// run goes into its folder without /D=, and with /D= naming another folder
// only with /FORCE: else it ends with kExitUsage and says why. Returns the
// exit code.
int RunUnattendedInstallation(const std::string& program_path,
                              const InstallerCommandLine& command_line, IShellServices& shell,
                              SilentLog& log, IInstalledPrograms* installed = nullptr);

}  // namespace vor
