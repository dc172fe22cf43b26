// TForm1 when the job's application is installed already: the installed
// folder is proposed as the destination and named on the Options page, and
// installing into another folder (whose entry in the list of installed
// programs would then replace the installed one's) is asked about first.
#include "installer/wizard/form.h"

namespace vor {

void TForm1::ApplyInstalledCopy() {
  RegistryInstalledPrograms registry;
  IInstalledPrograms& installed = services_.installed_programs != nullptr
                                      ? *services_.installed_programs
                                      : static_cast<IInstalledPrograms&>(registry);
  has_installed_copy_ = installed.Find(job_.AppName(), &installed_copy_);
  SetVisible(ControlId::lInstalled, has_installed_copy_);
  if (!has_installed_copy_) return;
  SetText(ControlId::lInstalled, InstalledFolderLine(job_.AppName(), installed_copy_.folder));
  // A folder given on the command line is the user's choice.
  if (!start_.has_dest_dir) SetText(ControlId::eDestDir, installed_copy_.folder);
}

bool TForm1::ConfirmReinstall() {
  const std::string destination = Text(ControlId::eDestDir);
  if (!has_installed_copy_ || SameInstallFolder(destination, installed_copy_.folder)) return true;
  return MessageBox().Ask(ReinstallQuestion(job_.AppName(), installed_copy_.folder, destination));
}

}  // namespace vor
