// TForm1 for a user without the rights the job's defaults need: the job
// proposes a folder below Program Files and an installation for all users,
// which only an administrator may write. When the all-users test has chosen
// "this user" and the job's folder cannot be written either, the user's own
// programs folder is proposed, so that the wizard's defaults work as they
// stand instead of failing at the destination check.
#include "installer/engine/destination_check.h"
#include "installer/wizard/form.h"
#include "package/job.h"
#include "platform/fs.h"

namespace vor {

void TForm1::ProposeUserFolder() {
  // Once: what the user types or browses to afterwards is his choice.
  if (user_folder_considered_) return;
  user_folder_considered_ = true;
  if (start_.has_dest_dir || has_installed_copy_ || start_.users == UserScope::kAllUsers) return;
  if (!Checked(ControlId::cbThisUser)) return;  // may install for all users
  const std::string program_dir = job_.Value(job_key::kProgramDir);
  if (program_dir.empty() || Text(ControlId::eDestDir) != program_dir) return;
  const std::string local = Shell().GetLocalAppDataFolder();
  if (local.empty() || job_.AppName().empty()) return;
  // Room is not the question here: only whether the folder can be written.
  const DestinationCheck check =
      CheckDestination(program_dir, 0, [](const std::string&) { return int64_t{-1}; });
  if (check.fault != DestinationFault::kCannotCreate &&
      check.fault != DestinationFault::kNotWritable) {
    return;
  }
  SetText(ControlId::eDestDir,
          platform::JoinDiskPath(platform::JoinDiskPath(local, "Programs"), job_.AppName()));
  SetText(ControlId::lInstalled, UserFolderLine(program_dir));
  SetVisible(ControlId::lInstalled, true);
}

}  // namespace vor
