// The install record, install.log in the installation's folder: its one
// writer (InstallRecord, filled by the installation) and its one parser
// (ParseInstallLog, for the removal: every line classified, and every line
// that could make the removal touch something the installation did not make
// refused with its reason).
//
// The log holds, in this order: "*" and the
// program's name; the copied files relative to the installation folder D
// ("Sub\Data.bin"); the shortcuts as full paths ending in ".lnk" (Start
// menu, desktop, Quick Launch); "REG:" and the path of each registered
// server; "Exec:" and the program opened after the installation.
//
// Safety rules:
// - a file line is a path below D: a line that is absolute, names a drive,
//   a share or a stream (":"), climbs with "..", has an empty, "." or
//   wildcard part, or a part Windows does not take as a name
//   (common/windows_names.h: a trailing dot or blank, a device name) is
//   refused;
// - a shortcut line lies directly in the desktop or Quick Launch folder, or
//   below a Programs folder (the Start menu), with the same rules for its
//   part below that folder;
// - a server line names a library below D: unregistering a library the
//   program did not bring could break other programs that share it.
#pragma once

#include <string>
#include <vector>

#include "package/string_list.h"

namespace vor {

// The record's file name in the installation's folder.
constexpr const char* kInstallLogName = "install.log";

// The record as the installation makes it. The copied files are collected
// in the user's locale order without regard to case, each once; what
// follows the copy is kept in the order it is added. The bytes are every
// line followed by CR LF, the first "*" and the program's name.
class InstallRecord {
 public:
  InstallRecord();
  // A file the copy completed, relative to the installation's folder. The
  // copy reports each non-empty file twice; the record keeps it once.
  void AddCopiedFile(const std::string& relative_path);
  // Ends the copy: what is added from now on keeps its order.
  void EndCopy();
  void AddShortcut(const std::string& link_path);
  void AddServer(const std::string& library_path);
  void AddExec(const std::string& program);

  // The lines as they stand (the copied files first).
  const StringList& Lines() const { return lines_; }
  // The whole record, headed by app_name.
  std::string Text(const std::string& app_name) const;
  // Writes the record headed by app_name to path, replacing any file
  // there. Raises EInstallError kLogWrite with the file system's message.
  void Save(const std::string& path, const std::string& app_name) const;

 private:
  StringList lines_;
};

// The shell folders a shortcut line may lie in, as the folder lookups give
// them ("" for a lookup that failed: nothing lies in it).
struct ShellFolders {
  std::string programs;         // the current user's Programs folder
  std::string common_programs;  // the all-users Programs folder
  std::string desktop;
  std::string common_desktop;
  std::string quick_launch;  // application data + Microsoft\Internet Explorer\Quick Launch
};

enum class LogLineKind {
  kFile,     // a copied file; path is D + the line
  kLink,     // a shortcut; path is the line
  kServer,   // a registered server; path is the line after "REG:"
  kExec,     // the program opened after the installation; nothing to undo
  kRefused,  // see reason
};

enum class RefusalReason {
  kNone,
  kAbsolute,       // a file line that begins with a delimiter (a root or a share)
  kDrive,          // a ":" (a drive or a stream)
  kParentFolder,   // a ".." part
  kBadName,        // an empty or "." part, a wildcard or control character, a
                   // trailing dot or blank, a part too long for a disk
  kDeviceName,     // CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9
  kLinkOutside,    // a shortcut outside the shell folders
  kServerOutside,  // a server library outside D
};

struct LogLine {
  LogLineKind kind = LogLineKind::kRefused;
  RefusalReason reason = RefusalReason::kNone;
  std::string text;  // the line as read
  std::string path;  // the disk path it names (not for kExec, kRefused)
  // kFile: the parts below D; kLink: the parts below the shell folder;
  // kServer: the parts below D.
  std::vector<std::string> parts;
  std::string base;          // kLink: the shell folder, with its trailing delimiter
  bool in_programs = false;  // kLink: below a Programs folder
};

struct InstallLog {
  std::string app_name;
  std::vector<LogLine> lines;  // every line after the first but empty ones
};

// Reads install.log's bytes. dest_dir is D (no trailing delimiter);
// ignore_case: paths compare without regard to case (Windows). Raises
// EInstallError kNotAnInstallLog when the first line is not "*" and a name.
InstallLog ParseInstallLog(const std::string& bytes, const std::string& dest_dir,
                           const ShellFolders& folders, bool ignore_case);

// The reason a path relative to a folder is refused (kNone when it is
// safe); on success *parts holds its parts. Both "\" and "/" separate parts.
RefusalReason CheckRelativePath(const std::string& path, std::vector<std::string>* parts);

// The text a refusal shows, followed by ": " and the line.
std::string RefusalText(RefusalReason reason);

}  // namespace vor
