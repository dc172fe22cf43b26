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

  const UninstallReport report = Uninstall(log_path, system, options);
  result.exit_code = report.exit_code;
  std::string notes;
  for (const Note& note : report.notes) {
    log.Add(note.text, report.exit_code);
    notes += (notes.empty() ? "" : "\r") + note.text;
  }
  if (dialogs != nullptr && !notes.empty()) dialogs->ShowNotes(notes);
  result.remove_program = self_in_dest && report.exit_code != kUninstallLogUnreadable &&
                          system.GetPathKind(log_path) == PathKind::kNone;
  return result;
}

bool RemoveUninstallerProgram(const UninstallRunResult& result, const std::string& program_path) {
  if (!result.remove_program) return true;
  if (platform::DeleteFile(program_path)) {
    platform::RemoveDirectory(result.dest_dir);  // stays when the user's files are in it
    return true;
  }
  if (!platform::DeleteAtRestart(program_path)) return false;
  // A folder that is not empty by then stays.
  platform::DeleteAtRestart(result.dest_dir);
  return true;
}

}  // namespace vor
