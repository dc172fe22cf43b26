#include "installer/engine/uninstaller.h"

#include <algorithm>
#include <exception>
#include <set>

#include "package/install_error.h"
#include "platform/fs.h"

namespace vor {

namespace {

using platform::WithoutTrailingDelimiters;

class Removal {
 public:
  Removal(IUninstallSystem& system, const UninstallOptions& options, std::string dest_dir)
      : system_(system), options_(options), dest_dir_(std::move(dest_dir)) {}

  UninstallReport Run(const std::string& log_path) {
    std::string bytes;
    if (!system_.ReadFile(log_path, &bytes)) {
      Note(NoteKind::kLogUnreadable, "The installation log cannot be read: " + log_path);
      return Finish();
    }
    InstallLog log;
    try {
      log = ParseInstallLog(bytes, dest_dir_, options_.folders, options_.ignore_case);
    } catch (const EInstallError& e) {
      Note(NoteKind::kLogUnreadable, std::string(e.what()) + ": " + log_path);
      return Finish();
    }
    report_.app_name = log.app_name;

    for (const LogLine& line : log.lines) {
      if (line.kind == LogLineKind::kRefused) {
        Note(NoteKind::kRefusedLine, RefusalText(line.reason) + ": " + line.text);
      }
    }
    // Servers first: their unregistration may need their own files.
    for (const LogLine& line : log.lines) {
      if (line.kind != LogLineKind::kServer) continue;
      if (!SafeWay(WithoutTrailingDelimiters(dest_dir_), line.parts, line.text)) continue;
      try {
        system_.UnregisterServer(line.path);
      } catch (const std::exception& e) {
        Note(NoteKind::kServerNotUnregistered,
             "The server could not be unregistered: " + line.path + ": " + e.what());
      }
    }
    std::set<std::vector<std::string>> folders_in_dest;  // as parts below D
    std::vector<std::string> start_menu_folders;
    for (const LogLine& line : log.lines) {
      if (line.kind == LogLineKind::kFile) {
        if (!SafeWay(WithoutTrailingDelimiters(dest_dir_), line.parts, line.text)) continue;
        Delete(line.path);
        for (size_t n = 1; n < line.parts.size(); ++n) {
          folders_in_dest.insert(
              std::vector<std::string>(line.parts.begin(), line.parts.begin() + n));
        }
      } else if (line.kind == LogLineKind::kLink) {
        if (!SafeWay(WithoutTrailingDelimiters(line.base), line.parts, line.text)) continue;
        Delete(line.path);
        // The Start-menu folder is the shortcut's own folder below Programs
        // (Programs itself when the job names no folder: that one stays).
        if (line.in_programs && line.parts.size() > 1) {
          const std::string folder = platform::ExtractFilePath(line.path);
          if (std::find(start_menu_folders.begin(), start_menu_folders.end(), folder) ==
              start_menu_folders.end()) {
            start_menu_folders.push_back(folder);
          }
        }
      }
    }
    RemoveFoldersBelowDest(folders_in_dest);
    for (const std::string& folder : start_menu_folders) {
      if (!RemoveFolderIfEmpty(folder)) Kept(folder);
    }
    RemoveEmptyFoldersBelow(WithoutTrailingDelimiters(dest_dir_), 0);
    for (const auto& parts : folders_in_dest) Kept(PathBelowDest(parts));

    // What lets the removal run again stays while anything listed is left.
    if (!incomplete_) {
      std::string error;
      if (!system_.RemoveUninstallEntry(log.app_name, WithoutTrailingDelimiters(dest_dir_),
                                        &error)) {
        Note(NoteKind::kEntryNotRemoved,
             "The entry in the list of installed programs could not be removed: " + error);
      }
    }
    if (!incomplete_) {
      Delete(log_path);
      if (!options_.uninstaller_name.empty()) Delete(InDest(options_.uninstaller_name));
      const std::string dest = WithoutTrailingDelimiters(dest_dir_);
      report_.folder_kept = !RemoveFolderIfEmpty(dest);
    } else {
      report_.folder_kept = true;
    }
    if (report_.folder_kept) Kept(WithoutTrailingDelimiters(dest_dir_));
    return Finish();
  }

 private:
  std::string InDest(const std::string& name) const {
    return platform::JoinDiskPath(WithoutTrailingDelimiters(dest_dir_), name);
  }

  void Note(NoteKind kind, const std::string& text) {
    report_.notes.push_back({kind, text});
    if (kind == NoteKind::kNotDeleted || kind == NoteKind::kEntryNotRemoved) {
      incomplete_ = true;
    }
  }

  // False (and noted) when a folder on the way from base to the last part
  // is a symbolic link or junction: following it could delete elsewhere.
  bool SafeWay(const std::string& base, const std::vector<std::string>& parts,
               const std::string& text) {
    std::string path = base;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      path = platform::JoinDiskPath(path, parts[i]);
      if (system_.GetPathKind(path) == PathKind::kSymbolicLink) {
        Note(NoteKind::kThroughLink,
             "Refused, a path through a symbolic link or junction: " + text);
        return false;
      }
    }
    return true;
  }

  void Delete(const std::string& path) {
    const PathKind kind = system_.GetPathKind(path);
    if (kind == PathKind::kNone) return;  // already gone
    if (kind == PathKind::kFolder) {
      Note(NoteKind::kRefusedLine, "Refused, a folder where a file was installed: " + path);
      return;
    }
    // The installation makes no links: one here was put by someone else,
    // and a system that deletes through it would reach its target.
    if (kind == PathKind::kSymbolicLink) {
      Note(NoteKind::kThroughLink,
           "Left alone, a symbolic link or junction where a file was installed: " + path);
      return;
    }
    std::string error;
    if (system_.DeleteFile(path, &error)) {
      report_.removed.push_back(path);
    } else {
      Note(NoteKind::kNotDeleted, "Could not be removed (in use?): " + path + ": " + error);
    }
  }

  bool RemoveFolderIfEmpty(const std::string& folder) {
    const std::string path = WithoutTrailingDelimiters(folder);
    if (system_.GetPathKind(path) != PathKind::kFolder) return false;
    if (!system_.RemoveEmptyFolder(path)) return false;
    report_.removed.push_back(path);
    ++report_.removed_folders;
    return true;
  }

  // A folder the installation used that is still there, once.
  void Kept(const std::string& folder) {
    const std::string path = WithoutTrailingDelimiters(folder);
    if (system_.GetPathKind(path) != PathKind::kFolder) return;
    if (std::find(report_.kept.begin(), report_.kept.end(), path) == report_.kept.end()) {
      report_.kept.push_back(path);
    }
  }

  std::string PathBelowDest(const std::vector<std::string>& parts) const {
    std::string path = WithoutTrailingDelimiters(dest_dir_);
    for (const std::string& p : parts) path = platform::JoinDiskPath(path, p);
    return path;
  }

  // Removes the folders below folder that hold no file, deepest first. A
  // symbolic link or junction is not followed (nor removed); a folder
  // deeper than any installation makes is left alone.
  void RemoveEmptyFoldersBelow(const std::string& folder, int depth) {
    constexpr int kMaxDepth = 64;
    std::vector<std::string> names;
    if (depth >= kMaxDepth || !system_.ListFolder(folder, &names)) return;
    for (const std::string& name : names) {
      const std::string path = platform::JoinDiskPath(folder, name);
      if (system_.GetPathKind(path) != PathKind::kFolder) continue;
      RemoveEmptyFoldersBelow(path, depth + 1);
      RemoveFolderIfEmpty(path);
    }
  }

  void RemoveFoldersBelowDest(const std::set<std::vector<std::string>>& folders) {
    std::vector<std::vector<std::string>> order(folders.begin(), folders.end());
    std::stable_sort(order.begin(), order.end(),
                     [](const std::vector<std::string>& a, const std::vector<std::string>& b) {
                       return a.size() > b.size();
                     });
    for (const auto& parts : order) {
      // A folder replaced by a link since the files went is left alone.
      RemoveFolderIfEmpty(PathBelowDest(parts));
    }
  }

  UninstallReport Finish() {
    int code = kUninstallRemoved;
    for (const vor::Note& note : report_.notes) {
      int c = kUninstallRemoved;
      switch (note.kind) {
        case NoteKind::kLogUnreadable:
          c = kUninstallLogUnreadable;
          break;
        case NoteKind::kNotDeleted:
        case NoteKind::kEntryNotRemoved:
          c = kUninstallIncomplete;
          break;
        case NoteKind::kRefusedLine:
        case NoteKind::kThroughLink:
          c = kUninstallRefusedLines;
          break;
        case NoteKind::kServerNotUnregistered:
          c = kUninstallServerNotUnregistered;
          break;
        default:
          break;  // the installation's kinds; a removal makes none of them
      }
      // The lower code of two failures is the graver one.
      if (c != kUninstallRemoved && (code == kUninstallRemoved || c < code)) code = c;
    }
    report_.exit_code = code;
    return std::move(report_);
  }

  IUninstallSystem& system_;
  const UninstallOptions& options_;
  std::string dest_dir_;
  UninstallReport report_;
  bool incomplete_ = false;
};

}  // namespace

UninstallReport Uninstall(const std::string& log_path, IUninstallSystem& system,
                          const UninstallOptions& options) {
  std::string dest = platform::ExtractFilePath(log_path);
  if (dest.empty()) dest = ".";
  return Removal(system, options, WithoutTrailingDelimiters(dest)).Run(log_path);
}

std::string UninstallQuestion(const std::string& app_name) {
  return "Remove " + app_name + " and all of its components?";
}

}  // namespace vor
