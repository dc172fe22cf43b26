// The uninstaller program's run (/U): the question, the removal from the
// install.log of its folder, the notes to the user or the /LOG file, and
// what is left for the program itself to do about its own file.
#pragma once

#include <string>

#include "installer/engine/command_line.h"
#include "installer/engine/silent_log.h"
#include "installer/engine/uninstaller.h"

namespace vor {

// What the removal asks and tells when it is not silent.
class IUninstallDialogs {
 public:
  virtual ~IUninstallDialogs() = default;
  // A Yes/No question; true for Yes.
  virtual bool Confirm(const std::string& question) = 0;
  // The removal's notes, one box.
  virtual void ShowNotes(const std::string& text) = 0;
};

struct UninstallRunResult {
  int exit_code = kUninstallRemoved;
  bool declined = false;  // the question was answered No: nothing was touched
  std::string dest_dir;   // the installation's folder, without a trailing delimiter
  // The running program is the installation's uninstaller and everything
  // else is gone: its own file (and then the folder, when empty) is left to
  // the caller, since a running program cannot always delete itself.
  bool remove_program = false;
};

// The installation's folder is /D= when given, else the program's own
// folder. dialogs is null for a silent run (/S): no question, the notes go to
// log only. options: the shell folders and the case rule of this system.
UninstallRunResult RunUninstaller(const InstallerCommandLine& command_line,
                                  const std::string& program_path, IUninstallSystem& system,
                                  UninstallOptions options, IUninstallDialogs* dialogs,
                                  SilentLog& log);

// Removes the running uninstaller's file (result.remove_program) and then
// the installation's folder when it is empty. Where the system holds a
// running program's file open, both are left to be deleted at the system's
// next start; false when even that is refused.
bool RemoveUninstallerProgram(const UninstallRunResult& result, const std::string& program_path);

}  // namespace vor
