// Job package checks.
#include "job_check.h"

#include <memory>
#include <string>
#include <vector>

#include "container/store/file_rec.h"
#include "container/stream/stream.h"
#include "exit_codes.h"
#include "file_checks.h"
#include "job_text.h"
#include "rich_text.h"

namespace vor::vorpack {

using coffer::ECofferError;

// Job text files and the icon are small; anything larger is not one.
constexpr int64_t kMaxJobFileSize = 16 * 1048576;

std::string ReadWhole(const PackageEntry& entry) {
  if (entry.size > kMaxJobFileSize) {
    throw ECofferError(coffer::kExitFailure,
                       "'" + entry.shown + "': larger than 16 MiB, too large for a job file");
  }
  std::string bytes(static_cast<size_t>(entry.size), '\0');
  try {
    TDiskFileStream source(entry.disk_path, TDiskFileMode::kOpenRead);
    if (!bytes.empty()) source.ReadBuffer(&bytes[0], static_cast<int32_t>(bytes.size()));
  } catch (const std::exception&) {
    throw ECofferError(coffer::kExitIoError, "'" + entry.disk_path + "': cannot be read");
  }
  return bytes;
}

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

class JobChecker {
 public:
  JobChecker(Package& package, Findings* findings) : package_(package), findings_(findings) {}

  void Run() {
    CheckTopLevel();
    // A text that cannot be converted is reported alone: checking what
    // could not be read would only add false findings.
    JobText job("");
    const bool job_read = LoadText(kJobIniFile, true, &job);
    job_unread_ = job_ini_ != nullptr && !job_read;
    const bool have_programs = ProgramFilesPresent();
    if (job_read) CheckJobIni(job, have_programs);
    JobText menu("");
    if (LoadText(kMenuFile, false, &menu)) CheckMenu(menu, have_programs);
    JobText shortcuts("");
    LoadText(kShortcutsFile, false, &shortcuts);
    JobText execs("");
    if (LoadText(kExecsFile, false, &execs)) CheckExecs(execs, have_programs);
    CheckRichText(kLicenseFile, "the licence page stays empty");
    CheckRichText(kReadmeFile, "the readme page stays empty");
  }

 private:
  void Error(const std::string& text) { findings_->errors.push_back(text); }
  void Warning(const std::string& text) { findings_->warnings.push_back(text); }

  static std::string At(const PackageEntry* file, int line) {
    return file->shown + ":" + std::to_string(line) + ": ";
  }
  std::string Shown(const std::string& stored_text) const {
    return "'" + package_.Codec().Display(stored_text) + "'";
  }

  PackageEntry* Root(const std::string& name) { return package_.Find("\\" + name); }

  // Reads a job text file into the code page; its entry then stores the
  // converted bytes. False (text left as it was) when the file is absent
  // or cannot be converted.
  bool LoadText(const char* name, bool required, JobText* text) {
    PackageEntry* entry = Root(name);
    if (entry != nullptr && entry->folder) {
      Error("'" + entry->shown + "' is a folder; the installer reads " + name + " as a file");
      entry = nullptr;
    }
    if (entry == nullptr) {
      if (required) Error(std::string(name) + ": missing; the installer reads its job from it");
      return false;
    }
    if (name == std::string(kJobIniFile)) job_ini_ = entry;
    if (name == std::string(kMenuFile)) menu_dat_ = entry;
    if (name == std::string(kExecsFile)) execs_dat_ = entry;
    const std::string bytes = ReadWhole(*entry);
    try {
      entry->content = ToCodePageText(bytes, package_.Codec().CodePage(), entry->shown);
    } catch (const ECofferError& e) {
      Error(e.what());
      return false;
    }
    entry->converted = true;
    entry->size = static_cast<int64_t>(entry->content.size());
    *text = JobText(entry->content);
    return true;
  }

  bool ProgramFilesPresent() {
    const PackageEntry* programs = Root(kProgramFilesFolder);
    if (programs == nullptr || !programs->folder) {
      Error(std::string(kProgramFilesFolder) +
            "/: missing; it is the folder whose tree the installer copies");
      return false;
    }
    return true;
  }

  void CheckTopLevel() {
    const std::vector<std::string> known = {kJobIniFile,        kMenuFile,    kShortcutsFile,
                                            kExecsFile,         kLicenseFile, kReadmeFile,
                                            kProgramFilesFolder};
    for (const PackageEntry& entry : package_.Entries()) {
      const size_t cut = entry.stored_path.find('\\', 1);
      if (cut != std::string::npos) continue;  // below the top
      bool job_file = false;
      for (const std::string& name : known) {
        job_file = job_file || CompareNames(Collation(), entry.stored_path, "\\" + name) == 0;
      }
      if (!job_file) top_extras_.push_back(&entry);
    }
  }

  // The stored path under Programfiles that a path relative to the
  // destination folder names ("bin\app.exe"); "" when it cannot name one.
  static std::string UnderPrograms(const std::string& relative) {
    std::string stored = std::string("\\") + kProgramFilesFolder;
    std::string part;
    for (size_t i = 0; i <= relative.size(); ++i) {
      if (i == relative.size() || relative[i] == '\\' || relative[i] == '/') {
        if (part == "." || part == "..") return std::string();
        if (!part.empty()) stored += "\\" + part;
        part.clear();
      } else {
        part += relative[i];
      }
    }
    return stored;
  }

  // The package file a path relative to the destination folder names; null
  // when there is none (or it is a folder and want_file).
  const PackageEntry* ProgramFile(const std::string& relative, bool want_file) {
    const std::string stored = UnderPrograms(relative);
    if (stored.empty()) return nullptr;
    const PackageEntry* entry = package_.Find(stored);
    if (entry == nullptr || (want_file && entry->folder)) return nullptr;
    return entry;
  }

  // A value that may hold the placeholder: true when it names a file under
  // Programfiles; what says why not.
  bool PlaceholderTargetFound(const std::string& value, bool want_file, std::string* what) {
    const std::string rest = value.substr(4);
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') {
      *what = "needs a backslash after PDIR (the destination folder has none at its end)";
      return false;
    }
    if (ProgramFile(rest, want_file) == nullptr) {
      *what = "names no " + std::string(want_file ? "file" : "file or folder") + " under " +
              kProgramFilesFolder + "/";
      return false;
    }
    return true;
  }

  void CheckJobIni(const JobText& job, bool have_programs) {
    const std::vector<std::string> keys = {
        job_key::kIcon,      job_key::kTitle,     job_key::kInstMessage, job_key::kProgramDir,
        job_key::kAppName,   job_key::kExeName,   job_key::kUninstall,   job_key::kVersion,
        job_key::kPublisher, job_key::kCopyright, job_key::kDescription, job_key::kPrivileges};
    const std::string server_prefix = job_key::kServerPrefix;
    std::vector<const JobLine*> seen;
    bool register_seen[job_key::kServerKeyCount] = {};
    for (const JobLine& line : job.Lines()) {
      if (!line.has_value) {
        if (!line.text.empty()) {
          Warning(At(job_ini_, line.number) + "the line has no '=' and is never read");
        }
        continue;
      }
      if (line.name.size() >= server_prefix.size() &&
          SameKey(line.name.substr(0, server_prefix.size()), server_prefix)) {
        CheckRegister(line, register_seen, have_programs);
        continue;
      }
      bool known = false;
      for (const std::string& key : keys) known = known || SameKey(line.name, key);
      if (!known) {
        Warning(At(job_ini_, line.number) + Shown(line.name) + " is not a key the installer reads");
        continue;
      }
      const JobLine* first = job.Find(line.name);
      if (first != &line) {
        Warning(At(job_ini_, line.number) + Shown(line.name) + " repeats line " +
                std::to_string(first->number) + "; the installer reads only the first");
      }
    }
    CheckIcon(job);
    const JobLine* exe = job.Find(job_key::kExeName);
    if (exe == nullptr || exe->value.empty()) {
      Warning(job_ini_->shown + ": no Exename; the Complete page has no program to launch");
    } else if (have_programs && ProgramFile(exe->value, true) == nullptr) {
      Error(At(job_ini_, exe->number) + "Exename " + Shown(exe->value) + " names no file under " +
            kProgramFilesFolder + "/");
    }
    // The uninstaller's entry is named after the program.
    const JobLine* uninstall = job.Find(job_key::kUninstall);
    const JobLine* name = job.Find(job_key::kAppName);
    if (uninstall != nullptr && uninstall->value == "1" &&
        (name == nullptr || name->value.empty())) {
      Warning(At(job_ini_, uninstall->number) +
              "Uninstall=1 without Appname; the installer writes no uninstaller entry");
    }
    for (const char* key : {job_key::kTitle, job_key::kAppName, job_key::kProgramDir}) {
      if (job.Find(key) == nullptr) {
        Warning(job_ini_->shown + ": no " + key + "; the installer shows an empty text for it");
      }
    }
  }

  void CheckRegister(const JobLine& line, bool* seen, bool have_programs) {
    const std::string suffix = line.name.substr(std::string(job_key::kServerPrefix).size());
    if (suffix.size() != 1 || suffix[0] < '0' || suffix[0] > '9') {
      Error(At(job_ini_, line.number) + Shown(line.name) +
            " is never read: the installer reads pregister0 to pregister9");
      return;
    }
    bool& once = seen[suffix[0] - '0'];
    if (once) {
      Warning(At(job_ini_, line.number) + Shown(line.name) +
              " repeats an earlier line; the installer reads only the first");
      return;
    }
    once = true;
    if (line.value.empty()) {
      Error(At(job_ini_, line.number) + Shown(line.name) + " names no file");
      return;
    }
    std::string what;
    if (have_programs && StartsWith(line.value, kProgramDirPlaceholder) &&
        !PlaceholderTargetFound(line.value, true, &what)) {
      Error(At(job_ini_, line.number) + Shown(line.name) + " " + Shown(line.value) + " " + what);
    }
  }

  void CheckIcon(const JobText& job) {
    const JobLine* icon = job.Find(job_key::kIcon);
    if (icon == nullptr || icon->value.empty()) {
      Warning(job_ini_->shown + ": no Icon; the Intro and Install pages show no icon");
      return;
    }
    const PackageEntry* file = package_.Find("\\" + icon->value);
    if (file == nullptr || file->folder) {
      Error(At(job_ini_, icon->number) + "Icon " + Shown(icon->value) +
            " names no file at the top of the package");
      return;
    }
    icon_ = file;
    const std::string why = IconProblem(ReadWhole(*file));
    if (!why.empty()) {
      Error(At(job_ini_, icon->number) + "Icon " + Shown(icon->value) +
            " is not a Windows icon file: " + why);
    }
  }

  void CheckMenu(const JobText& menu, bool have_programs) {
    const std::vector<JobLine>& lines = menu.Lines();
    const JobLine* path = menu.Find(job_key::kMenuPath);
    if (path == nullptr) {
      Warning(menu_dat_->shown + ": no Path; the shortcuts go straight into the Programs folder");
    } else {
      CheckMenuFolder(*path);
    }
    for (const JobLine& line : lines) {
      if (line.number == 1) {
        if (line.has_value && !SameKey(line.name, job_key::kMenuPath)) {
          Error(At(menu_dat_, 1) + "the shortcut " + Shown(line.name) +
                " would be lost: the installer never takes line 1 as a shortcut (put the Path "
                "line first)");
        }
        continue;
      }
      // Every later line is a shortcut to the installer, whatever it holds.
      if (!line.has_value) {
        Error(At(menu_dat_, line.number) +
              "the line has no '=': the installer would make a shortcut without a target of it");
        continue;
      }
      if (SameKey(line.name, job_key::kMenuPath)) {
        Error(At(menu_dat_, line.number) +
              "Path must stand on line 1: the installer takes every later line as a shortcut");
        continue;
      }
      std::string why;
      if (!coffer::IsValidStoredName(line.name, &why)) {
        Error(At(menu_dat_, line.number) + "the shortcut name " + Shown(line.name) +
              " cannot be a file name: " + why);
      }
      if (!StartsWith(line.value, kProgramDirPlaceholder)) {
        Error(At(menu_dat_, line.number) + "the target of " + Shown(line.name) +
              " does not start with PDIR, the installed folder");
        continue;
      }
      std::string what;
      if (have_programs && !PlaceholderTargetFound(line.value, false, &what)) {
        Warning(At(menu_dat_, line.number) + "the target of " + Shown(line.name) + " " + what);
      }
    }
  }

  void CheckMenuFolder(const JobLine& path) {
    std::string part;
    for (size_t i = 0; i <= path.value.size(); ++i) {
      if (i < path.value.size() && path.value[i] != '\\') {
        part += path.value[i];
        continue;
      }
      std::string why;
      if (!part.empty() && !coffer::IsValidStoredName(part, &why)) {
        Error(At(menu_dat_, path.number) + "the Start-menu folder " + Shown(path.value) +
              " cannot be made: " + why);
        return;
      }
      part.clear();
    }
  }

  void CheckExecs(const JobText& execs, bool have_programs) {
    const JobLine* post = execs.Find(job_key::kPostExec);
    if (post == nullptr) {
      Warning(execs_dat_->shown + ": no Postexec; nothing is opened after the installation");
      return;
    }
    if (post->value.empty()) {
      Error(At(execs_dat_, post->number) + "Postexec names nothing");
      return;
    }
    std::string what;
    if (have_programs && StartsWith(post->value, kProgramDirPlaceholder) &&
        !PlaceholderTargetFound(post->value, false, &what)) {
      Error(At(execs_dat_, post->number) + "Postexec " + Shown(post->value) + " " + what);
    }
  }

  // A UTF-8 document is stored with its characters beyond ASCII as escapes
  // of the code page (rich_text.h), so that the wizard shows them.
  void CheckRichText(const char* name, const char* when_absent) {
    PackageEntry* entry = Root(name);
    if (entry == nullptr || entry->folder) {
      Warning(std::string(name) + ": missing; " + when_absent);
      return;
    }
    const std::string bytes = ReadWhole(*entry);
    std::string text = ToCodePageRichText(bytes, package_.Codec().CodePage());
    if (!StartsWith(text, "{\\rtf")) {
      Error(At(entry, 1) + "does not start with {\\rtf; the installer would show it as plain text");
      return;
    }
    if (text != bytes) {
      entry->content = std::move(text);
      entry->converted = true;
      entry->size = static_cast<int64_t>(entry->content.size());
    }
  }

  void WarnExtras() {
    if (job_unread_) return;  // the icon among them is not known
    for (const PackageEntry* entry : top_extras_) {
      if (entry == icon_) continue;
      Warning("'" + entry->shown + "' is stored at the top of the container, but the installer " +
              "does not install it");
    }
  }

 public:
  void Finish() { WarnExtras(); }

 private:
  Package& package_;
  Findings* findings_;
  PackageEntry* job_ini_ = nullptr;
  PackageEntry* menu_dat_ = nullptr;
  PackageEntry* execs_dat_ = nullptr;
  const PackageEntry* icon_ = nullptr;
  bool job_unread_ = false;  // JOB.INI exists but could not be converted
  std::vector<const PackageEntry*> top_extras_;
};

}  // namespace

void CheckJob(Package& package, Findings* findings) {
  JobChecker checker(package, findings);
  checker.Run();
  checker.Finish();
}

}  // namespace vor::vorpack
