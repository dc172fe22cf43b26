// The uninstaller program's run: question, removal, notes.
#include "installer/engine/uninstall_run.h"

#include <algorithm>
#include <cctype>

#include "installer/engine/uninstall_entry.h"
#include "package/install_error.h"
#include "package/install_record.h"
#include "platform/fs.h"
#include "platform/restart_delete.h"

namespace vor {

namespace {

bool SameName(const std::string& a, const std::string& b, bool ignore_case) {
  if (!ignore_case) return a == b;
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

UninstallRunResult RunUninstaller(const InstallerCommandLine& command_line,
                                  const std::string& program_path, IUninstallSystem& system,
                                  UninstallOptions options, IUninstallDialogs* dialogs,
                                  SilentLog& log) {
  log.Start();
  UninstallRunResult result;
  const std::string program_folder =
      platform::WithoutTrailingDelimiters(platform::ExtractFilePath(program_path));
  result.dest_dir = command_line.has_dest_dir
                        ? platform::WithoutTrailingDelimiters(command_line.dest_dir)
                        : program_folder;
  const std::string log_path = platform::JoinDiskPath(result.dest_dir, kInstallLogName);

  if (dialogs != nullptr) {
    // The question names the program when its log tells the name; an
    // unreadable log is the removal's own note below.
    std::string bytes;
    if (system.ReadFile(log_path, &bytes)) {
      try {
        const InstallLog parsed =
            ParseInstallLog(bytes, result.dest_dir, options.folders, options.ignore_case);
        if (!dialogs->Confirm(UninstallQuestion(parsed.app_name))) {
          result.declined = true;
          return result;
        }
      } catch (const EInstallError&) {
      }
    }
  }

  // The uninstaller running from the folder it removes leaves its own file
  // to the caller; one started from elsewhere deletes the folder's copy.
  const bool self_in_dest =
      SameName(program_folder, result.dest_dir, options.ignore_case) &&
      SameName(platform::ExtractFileName(program_path), kUninstallerFileName, options.ignore_case);
  options.uninstaller_name = self_in_dest ? "" : kUninstallerFileName;

  result.report = Uninstall(log_path, system, options);
  UninstallReport& report = result.report;
  result.exit_code = report.exit_code;
  for (const Note& note : report.notes) log.Add(note.text, report.exit_code);
  for (const std::string& path : report.removed) log.Step("Removed " + path);
  result.remove_program = self_in_dest && report.exit_code != kUninstallLogUnreadable &&
                          system.GetPathKind(log_path) == PathKind::kNone;
  // D holding nothing but the running uninstaller goes with it.
  std::vector<std::string> names;
  if (result.remove_program && report.folder_kept && system.ListFolder(result.dest_dir, &names) &&
      names.size() == 1 && SameName(names[0], kUninstallerFileName, options.ignore_case)) {
    report.kept.erase(std::remove(report.kept.begin(), report.kept.end(), result.dest_dir),
                      report.kept.end());
  }
  return result;
}

ProgramRemoval RemoveUninstallerProgram(UninstallRunResult& result,
                                        const std::string& program_path) {
  if (!result.remove_program) return ProgramRemoval::kNotNeeded;
  if (platform::DeleteFile(program_path)) {
    result.report.removed.push_back(program_path);
    // Stays when the user's files are in it.
    if (platform::RemoveDirectory(result.dest_dir)) {
      result.report.removed.push_back(result.dest_dir);
      ++result.report.removed_folders;
      result.report.folder_kept = false;
    }
    return ProgramRemoval::kRemoved;
  }
  if (!platform::DeleteAtRestart(program_path)) return ProgramRemoval::kRefused;
  // A folder that is not empty by then stays.
  platform::DeleteAtRestart(result.dest_dir);
  return ProgramRemoval::kAtRestart;
}

std::string UninstallSummary(const UninstallRunResult& result, ProgramRemoval removal) {
  const UninstallReport& report = result.report;
  const std::string name = report.app_name.empty() ? "The program" : report.app_name;
  std::string text = report.exit_code == kUninstallRemoved && removal != ProgramRemoval::kRefused
                         ? name + " has been removed."
                         : name + " could not be removed completely.";
  const size_t folders = static_cast<size_t>(report.removed_folders);
  text += "\rRemoved: " + std::to_string(report.removed.size() - folders) +
          " files and shortcuts, " + std::to_string(folders) + " folders.";
  for (const std::string& folder : report.kept) {
    text += "\rKept, not empty: " + folder;
  }
  if (removal == ProgramRemoval::kAtRestart) {
    text += "\rThe uninstaller and the folder " + result.dest_dir +
            " are removed when the system starts next.";
  }
  if (removal == ProgramRemoval::kRefused) {
    text += "\rThe uninstaller could not be removed: " +
            platform::JoinDiskPath(result.dest_dir, kUninstallerFileName);
  }
  std::string notes;
  for (const Note& note : report.notes) notes += "\r" + note.text;
  if (!notes.empty()) text += "\r" + notes;
  return text;
}

int FinishUninstaller(UninstallRunResult& result, const std::string& program_path,
                      IUninstallDialogs* dialogs, SilentLog& log) {
  const size_t logged = result.report.removed.size();
  const ProgramRemoval removal = RemoveUninstallerProgram(result, program_path);
  for (size_t i = logged; i < result.report.removed.size(); ++i) {
    log.Step("Removed " + result.report.removed[i]);
  }
  if (removal == ProgramRemoval::kAtRestart) {
    log.Step("Left to be removed at the next start: " + program_path + ", " + result.dest_dir);
  }
  if (removal == ProgramRemoval::kRefused) {
    log.Add("The uninstaller could not be removed: " + program_path, result.exit_code);
  }
  for (const std::string& folder : result.report.kept) {
    log.Step("Kept " + folder + ": not empty");
  }
  const std::string summary = UninstallSummary(result, removal);
  // The summary's first lines close the /LOG file, as they close the box.
  log.Step(summary.substr(0, summary.find('\r')));
  if (dialogs != nullptr) {
    dialogs->ShowReport(
        summary, result.exit_code == kUninstallRemoved && removal != ProgramRemoval::kRefused);
  }
  return result.exit_code;
}

}  // namespace vor
