// The removal's system on the real disk, registry and library loader.
#pragma once

#include "installer/engine/uninstaller.h"

namespace vor {

class DiskUninstallSystem : public IUninstallSystem {
 public:
  bool ReadFile(const std::string& path, std::string* bytes) override;
  PathKind GetPathKind(const std::string& path) override;
  bool DeleteFile(const std::string& path, std::string* error) override;
  bool RemoveEmptyFolder(const std::string& path) override;
  bool ListFolder(const std::string& path, std::vector<std::string>* names) override;
  void UnregisterServer(const std::string& library) override;
  bool RemoveUninstallEntry(const std::string& app_name, const std::string& install_dir,
                            std::string* error) override;
};

// Options for a removal on this system: the shell folders are the caller's
// lookups; paths compare without regard to case where the system's do.
UninstallOptions DiskUninstallOptions(const ShellFolders& folders);

}  // namespace vor
