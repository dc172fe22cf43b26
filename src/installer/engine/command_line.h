// The installer's command line, parsed once at start-up into plain values.
//
// Switches begin with "/" and are matched without regard to case:
//
//   /S              no window: the installation (or removal) runs unattended
//   /D=<folder>     the destination folder (with /U: the folder of the
//                   installation to remove, when the uninstaller runs from
//                   elsewhere); the last switch, it takes the rest of the
//                   line, blanks included
//   /ALLUSERS       install for all users
//   /CURRENTUSER    install for this user only
//   /NODESKTOP      no desktop shortcut
//   /NOQUICKLAUNCH  no Quick Launch shortcut
//   /LAUNCH         start the installed program at the end
//   /POSTEXEC       with /S: open the job's post-install program (the wizard
//                   always does; an unattended run opens nothing unasked)
//   /FORCE          with /S: install even when the application is installed
//                   in another folder (its entry then names the new one)
//   /LOG=<file>     write every message to this file
//   /U              remove an installation (the uninstaller)
//   /?              show the switches
//
// Arguments are separated by blanks or tabs; a double-quoted stretch keeps
// its blanks and loses its quotes ("/LOG=C:\My Logs\setup.txt" or
// /LOG="C:\My Logs\setup.txt"). An empty line gives the default values: the
// wizard, exactly as without any command line.
#pragma once

#include <string>

#include "common/error.h"
#include "installer/engine/exit_codes.h"

namespace vor {

enum class UserScope {
  kDefault,      // the all-users test decides, as in the wizard
  kAllUsers,     // /ALLUSERS
  kCurrentUser,  // /CURRENTUSER
};

struct InstallerCommandLine {
  bool silent = false;     // /S
  bool uninstall = false;  // /U
  bool has_dest_dir = false;
  std::string dest_dir;  // /D=, when has_dest_dir
  UserScope users = UserScope::kDefault;
  bool no_desktop = false;       // /NODESKTOP
  bool no_quick_launch = false;  // /NOQUICKLAUNCH
  bool launch = false;           // /LAUNCH
  bool post_exec = false;        // /POSTEXEC
  bool force = false;            // /FORCE
  std::string log_file;          // /LOG=, "" when not given
};

enum class CommandLineErrorKind {
  kUnknownSwitch,  // not one of the switches, or an argument that is no switch
  kMissingValue,   // /D= or /LOG= without a value
  kRepeated,       // /LOG= given twice
  kConflict,       // switches that exclude each other
  kHelp,           // /? asked for the list of switches
};

// A refused command line. The text names what was refused, then, after two
// line breaks, lists the switches (UsageText). Line breaks are single
// carriage returns, as in every message box of the installer.
class ECommandLineError : public EVorError {
 public:
  ECommandLineError(CommandLineErrorKind kind, const std::string& message, bool silent = false)
      : EVorError(message, ErrorKind::kMisuse), kind_(kind), silent_(silent) {}
  CommandLineErrorKind Kind() const { return kind_; }
  // The refused line holds /S: the refusal ends the program with
  // kExitUsage and shows nothing.
  bool Silent() const { return silent_; }

 private:
  CommandLineErrorKind kind_;
  bool silent_;
};

// The list of switches shown with every refusal.
std::string UsageText();

// Parses the arguments after the program's name (the tail of the process's
// command line). Raises ECommandLineError.
InstallerCommandLine ParseCommandLine(const std::string& arguments);

// The arguments for a copy of the uninstaller started from elsewhere (the
// temporary folder) so that the original file in dest_dir can be deleted:
// /U, /S and /LOG= as given, then /D=dest_dir.
std::string UninstallRelaunchArguments(const InstallerCommandLine& command_line,
                                       const std::string& dest_dir);

// The arguments of a whole command line: what follows the program's name,
// which is quoted or ends at the first blank.
std::string CommandLineArguments(const std::string& command_line);

}  // namespace vor
