// The installation run: copy, shortcuts, servers, the program afterwards,
// install.log and the uninstaller.
#include "installer/engine/installation.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <utility>
#include <vector>

#include "container/coffer.h"
#include "installer/engine/copy_meter.h"
#include "installer/engine/exit_codes.h"
#include "installer/engine/uninstall_entry.h"
#include "installer/engine/uninstaller_image.h"
#include "package/install_error.h"
#include "package/install_record.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/platform_error.h"
#include "platform/restart_delete.h"

namespace vor {

namespace {

constexpr const char* kProbeFileName = "test.dat";
// The attribute mask of the copy: files and folders of every kind.
constexpr int32_t kCopyAttributes = 63;

using platform::WithoutTrailingDelimiters;
using platform::WithTrailingDelimiter;

// Writes bytes to a new file at path; raises when the file cannot be
// created or written in full.
void WriteNewFile(const std::string& path, const std::string& bytes) {
  auto file = platform::FileHandle::Open(path, platform::FileAccess::kReadWrite,
                                         platform::FileShare::kExclusive,
                                         platform::FileDisposition::kCreateAlways, false);
  if (file == nullptr) {
    throw EInstallError(InstallErrorKind::kProbeWrite, "Cannot create file \"" + path + "\"");
  }
  const auto size = static_cast<int32_t>(bytes.size());
  if (file->Write(bytes.data(), size) != size) {
    throw EInstallError(InstallErrorKind::kProbeWrite, "Cannot write file \"" + path + "\"");
  }
}

// The bytes of the installed files in KiB, rounded up: the record's lines
// that name a file below folder (not the shortcuts' full paths, or the REG:
// and Exec: lines).
uint32_t InstalledKilobytes(const StringList& lines, const std::string& folder) {
  int64_t bytes = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    if (line.empty() || line[0] == '*' || line.find(':') != std::string::npos) continue;
    const int64_t size = platform::GetFileSize(folder + line);
    if (size > 0) bytes += size;
  }
  return static_cast<uint32_t>(std::min<int64_t>((bytes + 1023) / 1024, UINT32_MAX));
}

// Why folder cannot be made: the deepest missing folder on its way that
// cannot be created, named with the system's reason; "" when folder exists
// or could be made now (it then stays, as the copy would have made it).
std::string FolderFault(const std::string& folder) {
  if (folder.empty() || platform::DirectoryExists(folder)) return std::string();
  const std::string parent = WithoutTrailingDelimiters(platform::ExtractFilePath(folder));
  // A drive ("Q:") is not made: creating the folder on it tells why.
  const bool drive = !parent.empty() && parent.back() == ':';
  if (!parent.empty() && parent.size() < folder.size() && !drive) {
    std::string fault = FolderFault(parent);
    if (!fault.empty()) return fault;
  }
  if (platform::CreateDirectory(folder)) return std::string();
  const uint32_t code = platform::LastOsError();
  return "The folder \"" + folder + "\" cannot be created: " + platform::OsErrorMessage(code);
}

// The container's per-file progress handler, set for the copy only.
// *unfinished: the file being copied ("" between files).
class CopyProgressScope {
 public:
  CopyProgressScope(TCoffer& container, InstallRecord& record, IInstallProgress& progress,
                    std::string* unfinished)
      : container_(container), meter_(MeasureProgramFiles(container)) {
    progress.BytesCopied(0, meter_.Total());
    container_.SetOnFileProgress([this, &record, &progress, unfinished](
                                     TCoffer&, const std::string& file_name, double percent) {
      progress.FileProgress(file_name, percent);
      progress.BytesCopied(meter_.Report(file_name, percent), meter_.Total());
      // Exactly 100: the file is complete.
      if (percent == 100.0) {
        record.AddCopiedFile(file_name);
        unfinished->clear();
      } else {
        *unfinished = file_name;
      }
    });
  }
  ~CopyProgressScope() { container_.SetOnFileProgress(nullptr); }
  CopyProgressScope(const CopyProgressScope&) = delete;
  CopyProgressScope& operator=(const CopyProgressScope&) = delete;

  uint64_t Total() const { return meter_.Total(); }

 private:
  TCoffer& container_;
  CopyMeter meter_;
};

class Installation {
 public:
  Installation(const Job& job, TCoffer* container, const InstallOptions& options,
               IShellServices& shell, IInstallProgress& progress)
      : job_(job),
        container_(container),
        options_(options),
        shell_(shell),
        progress_(progress),
        dest_(WithoutTrailingDelimiters(options.destination)) {
    report_.destination = dest_;
  }

  InstallReport Run() {
    std::exception_ptr escaped;
    try {
      RunGuardedSteps();
    } catch (...) {
      escaped = std::current_exception();
    }
    // The log is written whatever happened above.
    record_.EndCopy();
    SaveLog();
    if (escaped) std::rethrow_exception(escaped);
    // After a failed copy nothing is withdrawn: an earlier removal's pending
    // deletions go on, as no uninstaller or entry was written anew.
    if (!report_.complete) return std::move(report_);
    if (job_.WantsUninstaller()) WriteUninstaller();
    CancelPendingDeletions();
    if (options_.launch) {
      LaunchInstalledProgram(job_, dest_, shell_);
      Step("Program " + WithTrailingDelimiter(dest_) + job_.ExeName() + ": started");
    }
    return std::move(report_);
  }

 private:
  void Note(NoteKind kind, const std::string& text) {
    const vor::Note note{kind, text};
    report_.notes.push_back(note);
    const int code = InstallExitCode(kind);
    if (report_.exit_code == 0) report_.exit_code = code;
    progress_.Noted(note);
  }

  void Step(const std::string& line) { progress_.Step(line); }

  // After a failed copy that left nothing to record in a folder that
  // cannot be written, the copy error has said all there is to say.
  void SaveLog() {
    const std::string path = WithTrailingDelimiter(dest_) + kInstallLogName;
    try {
      record_.Save(path, job_.AppName());
    } catch (const EInstallError&) {
      if (report_.complete || record_.Lines().Count() > 0) throw;
      Step(std::string(kInstallLogName) + " " + path + ": not written, nothing was copied");
      return;
    }
    Step(std::string(kInstallLogName) + " " + path + ": written");
  }

  // False (and noted with its cause) when the copy failed.
  bool CopyProgramFiles() {
    std::string cause;
    std::string unfinished;
    try {
      if (container_ == nullptr) throw EVorError("no container", ErrorKind::kMisuse);
      const CopyProgressScope scope(*container_, record_, progress_, &unfinished);
      container_->ExportFiles(JobFilePath(kProgramFilesFolder) + "\\*.*", dest_, kCopyAttributes,
                              true, 0);
      // The export copies nothing, and says nothing, into a destination
      // folder it cannot make.
      if (platform::DirectoryExists(dest_)) {
        progress_.BytesCopied(scope.Total(), scope.Total());
        Step("Copy into " + dest_ + ": " + std::to_string(record_.Lines().Count()) + " files");
        return true;
      }
    } catch (const std::exception& e) {
      // Without a container the user has been told already.
      if (container_ != nullptr) cause = e.what();
      if (!cause.empty() && !unfinished.empty()) {
        cause = "The file \"" + platform::JoinDiskPath(dest_, unfinished) +
                "\" could not be copied: " + cause;
      }
    } catch (...) {
    }
    // A destination folder that cannot be made explains more than the first
    // file that could not be created in it.
    if (container_ != nullptr) {
      const std::string fault = FolderFault(dest_);
      if (!fault.empty()) cause = fault;
    }
    // What was copied before the failure stays on disk and in the log.
    Note(NoteKind::kCopyError,
         cause.empty() ? std::string(kCopyErrorMessage) : kCopyErrorMessage + ("\r\r" + cause));
    report_.complete = false;
    Step("Copy into " + dest_ + ": failed after " + std::to_string(record_.Lines().Count()) +
         " files; no shortcut, server, Postexec or uninstaller was made");
    return false;
  }

  void RunGuardedSteps() {
    if (!CopyProgramFiles()) return;
    record_.EndCopy();

    const bool all_users = options_.all_users;
    const char delimiter = platform::PathDelimiter();
    const std::string programs = WithTrailingDelimiter(all_users ? shell_.GetCommonProgramsFolder()
                                                                 : shell_.GetProgramsFolder());
    const std::string desktop = WithTrailingDelimiter(all_users ? shell_.GetCommonDesktopFolder()
                                                                : shell_.GetDesktopFolder());
    const std::string quick_launch =
        WithTrailingDelimiter(QuickLaunchFolder(shell_.GetAppDataFolder()));
    const std::string start_menu = programs + job_.menu.Values(job_key::kMenuPath) + delimiter;

    const bool made = shell_.CreateFolderPath(WithoutTrailingDelimiters(start_menu));
    Step("Start-menu folder " + start_menu + (made ? ": ready" : ": not created"));

    // Start-menu shortcuts: every line but the first; a failing one is
    // skipped without a word (but for the /LOG file).
    for (int i = 1; i < job_.menu.Count(); ++i) {
      const std::string caption = job_.menu.Names(i);
      try {
        MakeShortcut(start_menu, caption, ReplaceProgramDir(job_.menu.Values(caption), dest_));
      } catch (const std::exception& e) {
        Step("Shortcut " + start_menu + caption + ".lnk: skipped: " + e.what());
      } catch (...) {
        Step("Shortcut " + start_menu + caption + ".lnk: skipped");
      }
    }

    const std::string program =
        ReplaceProgramDir(std::string(kProgramDirPlaceholder) + delimiter + job_.ExeName(), dest_);
    if (options_.desktop) {
      try {
        MakeShortcut(desktop, job_.AppName(), program);
      } catch (const std::exception& e) {
        Note(NoteKind::kShortcut, std::string(kDesktopIconError) + "\r\r" + e.what());
      }
    } else {
      Step("Desktop shortcut: not asked for");
    }
    if (!options_.quick_launch) {
      Step("Quick Launch shortcut: not asked for");
    } else if (!shell_.DiskFolderExists(WithoutTrailingDelimiters(quick_launch))) {
      Step("Quick Launch shortcut: no folder " + quick_launch);
    } else {
      try {
        MakeShortcut(quick_launch, job_.AppName(), program);
      } catch (const std::exception& e) {
        Note(NoteKind::kShortcut, std::string(kQuickLaunchIconError) + "\r\r" + e.what());
      }
    }

    for (int k = 0; k < job_key::kServerKeyCount; ++k) {
      std::string server = job_.ini.Values(job_key::kServerPrefix + std::to_string(k));
      if (server.empty()) continue;
      server = ReplaceProgramDir(server, dest_);
      try {
        shell_.RegisterServerLibrary(server);
        record_.AddServer(server);
        Step("Server " + server + ": registered");
      } catch (const std::exception& e) {
        // A server that cannot be registered is left out silently.
        Step("Server " + server + ": not registered: " + e.what());
      } catch (...) {
        Step("Server " + server + ": not registered");
      }
    }

    std::string post = job_.execs.Values(job_key::kPostExec);
    if (!post.empty()) {
      post = ReplaceProgramDir(post, dest_);
      if (options_.post_exec) {
        const bool opened = shell_.Launch(post, "");
        record_.AddExec(post);
        Step("Postexec " + post + (opened ? ": opened" : ": could not be opened"));
      } else {
        Step("Postexec " + post + ": not opened, not asked for");
      }
    }
  }

  // Makes one shortcut in folder (with a trailing delimiter) and records it;
  // raises what the shortcut writer raises.
  void MakeShortcut(const std::string& folder, const std::string& caption,
                    const std::string& target) {
    ILinkWriter& link = shell_.Link();
    link.NewLink();
    link.SetDescription(caption);
    link.SetWorkingDirectory(dest_);
    link.SetIconLocationPath(target);
    link.SetIconLocationIndex(0);
    link.SetPath(target);
    // The file is named by the description as the writer reads it back.
    const std::string file_name = folder + link.GetDescription() + ".lnk";
    link.SaveToFile(file_name);
    record_.AddShortcut(file_name);
    Step("Shortcut " + file_name + ": created");
  }

  // An earlier removal may have left the uninstaller (and the folder) to be
  // deleted at the next start: what this installation wrote must stay. A
  // system that keeps no such list, or that refuses, changes nothing here.
  void CancelPendingDeletions() const {
    const std::string folder = WithTrailingDelimiter(dest_);
    std::vector<std::string> written = {dest_, folder + kInstallLogName,
                                        folder + kUninstallerFileName};
    const StringList& lines = record_.Lines();
    for (int i = 0; i < lines.Count(); ++i) {
      const std::string& line = lines[i];
      if (line.empty() || line[0] == '*') continue;
      if (line.size() > 1 && line[1] == ':') {
        written.push_back(line);  // a shortcut's full path
      } else if (line.find(':') == std::string::npos) {
        written.push_back(folder + line);  // a copied file, below the destination
      }
    }
    platform::CancelDeleteAtRestart(written);
  }

  // Written after install.log, so that the log lists the application's
  // files only; a failure is noted and the installation stands.
  void WriteUninstaller() {
    const std::string folder = WithTrailingDelimiter(dest_);
    try {
      WriteUninstallerImage(options_.program_path, folder + kUninstallerFileName);
      Step(std::string("Uninstaller ") + folder + kUninstallerFileName + ": written");
      UninstallEntry entry;
      entry.app_name = job_.AppName();
      entry.dest_dir = dest_;
      entry.program_path = folder + job_.ExeName();
      entry.all_users = options_.all_users;
      entry.display_version = job_.Value(job_key::kVersion);
      entry.publisher = job_.Value(job_key::kPublisher);
      entry.estimated_size_kb = InstalledKilobytes(record_.Lines(), folder);
      WriteUninstallEntry(entry);
      Step(std::string("Entry in the list of installed programs: written for ") +
           (options_.all_users ? "all users" : "this user"));
    } catch (const EInstallError& e) {
      Note(NoteKind::kUninstaller, e.what());
    }
  }

  const Job& job_;
  TCoffer* container_;
  const InstallOptions& options_;
  IShellServices& shell_;
  IInstallProgress& progress_;
  const std::string dest_;
  InstallRecord record_;
  InstallReport report_;
};

}  // namespace

InstallReport RunInstallation(const Job& job, TCoffer* container, const InstallOptions& options,
                              IShellServices& shell, IInstallProgress& progress) {
  return Installation(job, container, options, shell, progress).Run();
}

int InstallExitCode(NoteKind kind) {
  switch (kind) {
    case NoteKind::kContainerNotOpened:
      return kExitContainerError;
    case NoteKind::kShortcut:
      return kExitInstalled;
    case NoteKind::kDestination:
      return kExitUsage;  // /D= named no full folder path
    default:
      break;
  }
  // The application or its uninstaller is not wholly in place.
  return kExitCopyError;
}

void LaunchInstalledProgram(const Job& job, const std::string& destination, IShellServices& shell) {
  shell.Launch(WithTrailingDelimiter(destination) + job.ExeName(), "");
}

bool AllUsersFolderWritable(IShellServices& shell, const std::function<std::string()>& content) {
  const std::string probe = WithTrailingDelimiter(shell.GetCommonProgramsFolder()) + kProbeFileName;
  try {
    WriteNewFile(probe, content ? content() : std::string());
    platform::DeleteFile(probe);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

std::string QuickLaunchFolder(const std::string& app_data) {
  const char delimiter = platform::PathDelimiter();
  return WithTrailingDelimiter(app_data) + "Microsoft" + delimiter + "Internet Explorer" +
         delimiter + "Quick Launch";
}

}  // namespace vor
