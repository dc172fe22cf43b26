// An earlier installation of the job's application, known by its entry in
// the list of installed programs (uninstall_entry.h), and the rules for
// installing again: into its folder the files are replaced and the one
// entry stays; into another folder the entry would move to the new one, so
// the wizard asks first and an unattended run refuses unless /FORCE.
#pragma once

#include <string>

namespace vor {

struct InstalledCopy {
  std::string folder;  // its InstallLocation, without a trailing delimiter
  bool all_users = false;
};

// Where installed copies are looked up; the registry, or a fake in tests.
class IInstalledPrograms {
 public:
  virtual ~IInstalledPrograms() = default;
  // The entry of app_name (the machine's first, then this user's); false
  // when there is none or it names no folder.
  virtual bool Find(const std::string& app_name, InstalledCopy* copy) = 0;
};

// The entries in the system's registry.
class RegistryInstalledPrograms : public IInstalledPrograms {
 public:
  bool Find(const std::string& app_name, InstalledCopy* copy) override;
};

// Whether two folders are one: without regard to case or trailing
// delimiters, as the entry's folder is compared on removal.
bool SameInstallFolder(const std::string& a, const std::string& b);

// The Options page's line when the application is installed.
std::string InstalledFolderLine(const std::string& app_name, const std::string& folder);
// The wizard's Yes/No question before installing into another folder.
std::string ReinstallQuestion(const std::string& app_name, const std::string& installed,
                              const std::string& destination);
// The unattended run's refusal of another folder without /FORCE.
std::string ReinstallRefusal(const std::string& app_name, const std::string& installed,
                             const std::string& destination);

}  // namespace vor
