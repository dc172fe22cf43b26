// The uninstaller program's run (/U): the question, the removal from the
// install.log of its folder, every step to the /LOG file, what is left for
// the program itself to do about its own file, and at the end one report of
// what was removed and what was kept (a box unless silent).
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
  // The removal's report at its end, one box; complete: nothing failed or
  // was refused.
  virtual void ShowReport(const std::string& text, bool complete) = 0;
};

struct UninstallRunResult {
  int exit_code = kUninstallRemoved;
  bool declined = false;  // the question was answered No: nothing was touched
  std::string dest_dir;   // the installation's folder, without a trailing delimiter
  // The running program is the installation's uninstaller and everything
  // else is gone: its own file (and then the folder, when empty) is left to
  // the caller, since a running program cannot always delete itself.
  bool remove_program = false;
  UninstallReport report;  // the removal's, with what the program's removal adds
};

// What became of the running uninstaller's file.
enum class ProgramRemoval {
  kNotNeeded,  // it is not the installation's uninstaller, or something stays
  kRemoved,    // deleted now
  kAtRestart,  // left to be deleted at the system's next start, with the folder
  kRefused,    // neither
};

// The installation's folder is /D= when given, else the program's own
// folder. dialogs is null for a silent run (/S): no question, the notes go to
// log only. options: the shell folders and the case rule of this system.
UninstallRunResult RunUninstaller(const InstallerCommandLine& command_line,
                                  const std::string& program_path, IUninstallSystem& system,
                                  UninstallOptions options, IUninstallDialogs* dialogs,
                                  SilentLog& log);

// Removes the running uninstaller's file (result.remove_program) and then
// the installation's folder when it is empty, adding both to
// result.report.removed. Where the system holds a running program's file
// open, both are left to be deleted at the system's next start.
ProgramRemoval RemoveUninstallerProgram(UninstallRunResult& result,
                                        const std::string& program_path);

// The report at the end: whether the program was removed, how many files,
// shortcuts and folders went, each folder kept with why, what waits for the
// next start, then the notes. Lines broken by CR alone.
std::string UninstallSummary(const UninstallRunResult& result, ProgramRemoval removal);

// The end of a removal that was not declined: the program's own file
// (RemoveUninstallerProgram), every step to log, the report to dialogs
// (null when silent). Returns the exit code.
int FinishUninstaller(UninstallRunResult& result, const std::string& program_path,
                      IUninstallDialogs* dialogs, SilentLog& log);

}  // namespace vor
