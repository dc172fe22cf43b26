// The removal of an installation from its install.log.
//
// Order: every "REG:" server is unregistered first (while its files are
// still there; a failure is noted, not fatal); then every listed file below
// D and every listed shortcut is deleted; then the folders below D that held
// listed files are removed when they are left empty, deepest first, and the
// Start-menu folder of the shortcuts when it is left empty; then every
// folder below D that is left empty goes too (the package may bring empty
// folders, which install.log does not list; an empty folder holds nothing
// of anyone's); then the "Apps & features" entry, install.log and the
// uninstaller's own program file go, and D itself when nothing is left in
// it. A folder that holds anything else stays, and is reported as kept.
// Nothing else is touched:
// refused lines (install_log.h) and paths that lead through a symbolic link
// or junction are noted and left alone; a file the user added to D stays,
// and D with it.
//
// When a file cannot be deleted (in use), install.log, the entry and the
// uninstaller stay, so that the removal can be run again once the program
// is closed; the files already deleted stay deleted.
//
// The disk, the registry and the library loader are reached through
// IUninstallSystem, so that the removal runs against a fake in tests.
#pragma once

#include <string>
#include <vector>

#include "installer/engine/exit_codes.h"
#include "installer/engine/notes.h"
#include "package/install_record.h"

namespace vor {

enum class PathKind { kNone, kFile, kFolder, kSymbolicLink };

class IUninstallSystem {
 public:
  virtual ~IUninstallSystem() = default;
  // The whole file; false when it cannot be read.
  virtual bool ReadFile(const std::string& path, std::string* bytes) = 0;
  // What path names, without following a final symbolic link or junction.
  virtual PathKind GetPathKind(const std::string& path) = 0;
  // Deletes a file (or a symbolic link itself); false with the system's
  // message in *error when it cannot.
  virtual bool DeleteFile(const std::string& path, std::string* error) = 0;
  // Removes a folder only when it is empty; false otherwise.
  virtual bool RemoveEmptyFolder(const std::string& path) = 0;
  // The names in a folder ("." and ".." left out); false when it cannot be
  // read.
  virtual bool ListFolder(const std::string& path, std::vector<std::string>* names) = 0;
  // Calls the library's unregistration entry; raises with a message when
  // the library cannot be loaded, lacks the entry or reports a failure.
  virtual void UnregisterServer(const std::string& library) = 0;
  // Removes the "Apps & features" entry of app_name that points at
  // install_dir (an entry of the same name for another folder stays);
  // true when no such entry is left, false with a message otherwise.
  virtual bool RemoveUninstallEntry(const std::string& app_name, const std::string& install_dir,
                                    std::string* error) = 0;
};

struct UninstallOptions {
  ShellFolders folders;          // where shortcuts may lie
  bool ignore_case = false;      // paths compare without regard to case (Windows)
  std::string uninstaller_name;  // a file in D deleted at the end ("" for none)
};

struct UninstallReport {
  int exit_code = kUninstallRemoved;
  std::string app_name;
  std::vector<Note> notes;
  std::vector<std::string> removed;  // every file, shortcut and folder removed, in order
  int removed_folders = 0;           // how many of them are folders
  // The folders the installation used that stay because something else is
  // in them (D last, when it stays).
  std::vector<std::string> kept;
  bool folder_kept = false;  // D stays (not empty)
};

// Removes the installation recorded in log_path (D is its folder).
UninstallReport Uninstall(const std::string& log_path, IUninstallSystem& system,
                          const UninstallOptions& options);

// The question asked before a removal that is not silent.
std::string UninstallQuestion(const std::string& app_name);

}  // namespace vor
