// The job package: the files at the root of the container appended to the
// installer, their names and keys, and how the installer reads them. The
// installer and vorpack (which checks a package before it builds) both take
// them from here, so that a name the one reads and the other checks cannot
// differ.
//
// JOB.INI, MENU.DAT, SCUTS.DAT and EXECS.DAT are name-value texts
// (string_list.h): a line "Name=Value" is found by its name without regard
// to case. Values may hold the placeholder PDIR for the destination folder.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "package/icon_image.h"
#include "package/string_list.h"

namespace vor {

class TCoffer;

// The fixed password of the container appended to the installer.
constexpr const char* kJobPassword = "velmorakitan";

// The job files at the container's root.
constexpr const char* kJobIniFile = "JOB.INI";
constexpr const char* kMenuFile = "MENU.DAT";
constexpr const char* kShortcutsFile = "SCUTS.DAT";
constexpr const char* kExecsFile = "EXECS.DAT";
constexpr const char* kLicenseFile = "License.rtf";
constexpr const char* kReadmeFile = "readme.rtf";
// The folder whose tree the installation copies into the destination.
constexpr const char* kProgramFilesFolder = "Programfiles";

// The keys the installer reads.
namespace job_key {
// JOB.INI
constexpr const char* kIcon = "Icon";  // a file at the root: the pages' icon
constexpr const char* kTitle = "Title";
constexpr const char* kInstMessage = "InstMessage";
constexpr const char* kProgramDir = "ProgramDir";  // the destination offered
constexpr const char* kAppName = "Appname";
constexpr const char* kExeName = "Exename";      // the program below the destination
constexpr const char* kUninstall = "Uninstall";  // "1": write an uninstaller
// The application's identity, written into the installer program and the
// installed-programs entry (all optional).
constexpr const char* kVersion = "Version";
constexpr const char* kPublisher = "Publisher";
constexpr const char* kCopyright = "Copyright";
constexpr const char* kDescription = "Description";
constexpr const char* kPrivileges = "Privileges";  // admin, user or highest
// pregister0 ... pregister9: server libraries registered after the copy.
constexpr const char* kServerPrefix = "pregister";
constexpr int kServerKeyCount = 10;
// MENU.DAT: the Start-menu folder below Programs; every other line is a
// shortcut, caption=target.
constexpr const char* kMenuPath = "Path";
// EXECS.DAT: the program opened after the installation.
constexpr const char* kPostExec = "Postexec";
}  // namespace job_key

// The placeholder for the destination folder in job values.
constexpr const char* kProgramDirPlaceholder = "PDIR";

// Every occurrence of kProgramDirPlaceholder in value (case-sensitive, left
// to right; the inserted text is not searched again) replaced by folder.
std::string ReplaceProgramDir(const std::string& value, const std::string& folder);

enum class JobFileKind { kJobIni, kMenu, kShortcuts, kExecs, kLicense, kReadme };

struct JobFile {
  const char* name;
  JobFileKind kind;
};

// The job files in the order the installer reads them.
const std::vector<JobFile>& JobFiles();

// The container path of a file at the root ("\" + name).
std::string JobFilePath(const std::string& name);

struct Job {
  StringList ini;
  StringList menu;
  StringList shortcuts;
  StringList execs;
  // The picture named by Icon=; null when the job names none.
  std::shared_ptr<const IconPicture> icon;
  // Appname and Exename, taken from JOB.INI as the last step of a reading
  // that succeeded ("" until then).
  std::string app_name;
  std::string exe_name;

  // An absent key gives "".
  std::string Value(const char* key) const { return ini.Values(key); }
  const std::string& AppName() const { return app_name; }
  const std::string& ExeName() const { return exe_name; }
  bool WantsUninstaller() const { return Value(job_key::kUninstall) == "1"; }
};

// Called with each job file read, in reading order.
using JobFileHandler = std::function<void(JobFileKind kind, const std::string& bytes)>;

// Opens the container appended to the installer at program_path with the
// job's password. Raises whatever the container raises (no container, a
// damaged header, another password, a read failure).
std::unique_ptr<TCoffer> OpenJobContainer(const std::string& program_path);

// Reads the job from container: every job file that exists, in the order of
// JobFiles(), into *job and then to on_file (when given; the licence and the
// readme go only there); then the icon named by Icon=, when that file
// exists; then the program's name and file. An exception (a file that cannot be read, one raised by
// on_file, an icon in another format) ends the reading; what was read before it stays in *job.
void ReadJob(TCoffer& container, Job* job, const JobFileHandler& on_file = nullptr);

// One file's bytes, read without a password in its stored compression.
std::string ReadJobFile(TCoffer& container, const std::string& path);

}  // namespace vor
