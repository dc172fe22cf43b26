#include "shell/shell_services.h"

#include "shell/server_registration.h"

namespace vor {

ShellServices::ShellServices(platform::WindowId owner)
    : link_(std::make_unique<TSxWinShellLink>()), misc_(owner) {
  link_->ApplyDesignTimeSettings();
}

void ShellServices::RegisterServerLibrary(const std::string& dll_name) {
  vor::RegisterServerLibrary(dll_name);
}

bool ShellServices::DiskFolderExists(const std::string& path) {
  return vor::DiskFolderExists(path);
}

bool ShellServices::CreateFolderPath(const std::string& path) {
  return vor::CreateFolderPath(path);
}

}  // namespace vor
