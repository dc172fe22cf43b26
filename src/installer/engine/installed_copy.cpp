#include "installer/engine/installed_copy.h"

#include <cctype>

#include "installer/engine/uninstall_entry.h"
#include "platform/fs.h"
#include "platform/registry.h"

namespace vor {

namespace {

std::string Folded(const std::string& folder) {
  std::string path = platform::WithoutTrailingDelimiters(folder);
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return path;
}

}  // namespace

bool RegistryInstalledPrograms::Find(const std::string& app_name, InstalledCopy* copy) {
  if (app_name.empty()) return false;
  for (const platform::RegistryRoot root :
       {platform::RegistryRoot::kLocalMachine, platform::RegistryRoot::kCurrentUser}) {
    platform::RegistryError error;
    const std::unique_ptr<platform::RegistryKey> key =
        platform::RegistryKey::Open(root, UninstallKeyPath(app_name), &error);
    std::string location;
    if (key == nullptr || !key->GetString("InstallLocation", &location) || location.empty()) {
      continue;
    }
    copy->folder = platform::WithoutTrailingDelimiters(location);
    copy->all_users = root == platform::RegistryRoot::kLocalMachine;
    return true;
  }
  return false;
}

bool SameInstallFolder(const std::string& a, const std::string& b) {
  return Folded(a) == Folded(b);
}

std::string InstalledFolderLine(const std::string& app_name, const std::string& folder) {
  return app_name + " is installed in " + folder + "; installing there replaces it.";
}

std::string ReinstallQuestion(const std::string& app_name, const std::string& installed,
                              const std::string& destination) {
  return app_name + " is already installed in " + installed + ".\r\r" +
         "Install another copy into " + destination +
         "? The list of installed programs will then name the new folder only.";
}

std::string ReinstallRefusal(const std::string& app_name, const std::string& installed,
                             const std::string& destination) {
  return app_name + " is already installed in " + installed + "; not installed into " +
         destination + ". Give /D= with that folder to replace it, or /FORCE to install " +
         "another copy.";
}

}  // namespace vor
