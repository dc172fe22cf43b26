// The installation: a job, the container that carries its files, and the
// choices made for it, run against the shell services. The wizard builds the
// choices from its controls, the unattended run from the command line; both
// call RunInstallation, which touches no control.
//
// The steps, in this order: the copy of Programfiles into the destination;
// the Start-menu folder and its shortcuts (a failing one is skipped without
// a word); the desktop and Quick Launch shortcuts (a failure is noted); the
// servers pregister0-9 (a failure is skipped); the program Postexec names,
// when the options ask for it. Then install.log is written whatever
// happened before; an exception of the steps is raised again only after it.
// Then, when the job asks for it, the uninstaller and its entry (a failure
// is noted); then, when asked, the installed program is started.
//
// A failed copy stops the run: it is noted with its cause, and nothing that
// would point at the incomplete folder is made (no shortcut, server,
// Postexec, uninstaller or entry), so that an earlier installation's
// shortcuts stay as they were. install.log still records what was copied,
// where it can be written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "installer/engine/notes.h"
#include "package/job.h"
#include "shell/shell_services.h"

namespace vor {

class TCoffer;

struct InstallOptions {
  std::string destination;   // a full folder path; trailing delimiters are dropped
  bool all_users = true;     // the all-users Start menu and desktop, the entry for all users
  bool desktop = true;       // a desktop shortcut to the program
  bool quick_launch = true;  // a Quick Launch shortcut, when that folder exists
  bool launch = false;       // start the program at the end
  bool post_exec = true;     // open the job's Postexec program after the servers
  // The installer's own file: the uninstaller is its program without the
  // container behind it.
  std::string program_path;
};

struct InstallReport {
  std::string destination;  // without trailing delimiters
  std::vector<Note> notes;  // in the order they were made
  int exit_code = 0;        // the first note that fails the run decides (InstallExitCode)
  bool complete = true;     // false: the copy failed and the run stopped after it
};

// What the installation tells while it runs.
class IInstallProgress {
 public:
  virtual ~IInstallProgress() = default;
  // The copy's progress through one file (percent from 0 to 100; exactly
  // 100 when the file is complete).
  virtual void FileProgress(const std::string& /*file_name*/, double /*percent*/) {}
  // The copy's progress through all files, in bytes of the total (the
  // unpacked sizes of Programfiles): (0, total) before the first file, after
  // every block written, (total, total) when the copy is complete.
  virtual void BytesCopied(std::uint64_t /*done*/, std::uint64_t /*total*/) {}
  // A note, at the moment it is made (the report keeps it too).
  virtual void Noted(const Note& /*note*/) {}
  // A step done, with its result, as one line ("Shortcut <path>: created").
  virtual void Step(const std::string& /*line*/) {}
};

// Runs the installation (the steps above). container: the job's container,
// null when it could not be opened (the copy then fails). Raises what a
// step raised, after install.log is written, or EInstallError kLogWrite
// when install.log cannot be written.
InstallReport RunInstallation(const Job& job, TCoffer* container, const InstallOptions& options,
                              IShellServices& shell, IInstallProgress& progress);

// The exit code a note of the installation stands for: 0 for a shortcut that
// could not be made, which does not fail the run.
int InstallExitCode(NoteKind kind);

// Starts the installed program (dest's Exename).
void LaunchInstalledProgram(const Job& job, const std::string& destination, IShellServices& shell);

// The all-users test: whether a small file (content()'s bytes) can be
// written into the all-users Programs folder, and deleted again. Any
// failure, content()'s own included, gives false.
bool AllUsersFolderWritable(IShellServices& shell, const std::function<std::string()>& content);

// The Quick Launch folder below the application data folder, without a
// trailing delimiter.
std::string QuickLaunchFolder(const std::string& app_data);

}  // namespace vor
