#include "installer/engine/disk_uninstall_system.h"

#include "installer/engine/uninstall_entry.h"
#include "platform/file.h"
#include "platform/folder_list.h"
#include "platform/fs.h"
#include "platform/path_kind.h"
#include "platform/platform_error.h"
#include "shell/server_registration.h"

namespace vor {

namespace {

// install.log is a short text; a larger file is not one.
constexpr int64_t kMaxLogSize = 64 << 20;

}  // namespace

bool DiskUninstallSystem::ReadFile(const std::string& path, std::string* bytes) {
  auto file = platform::FileHandle::Open(path, platform::FileAccess::kReadOnly,
                                         platform::FileShare::kShared,
                                         platform::FileDisposition::kOpenExisting, false);
  if (file == nullptr) return false;
  bytes->clear();
  char buffer[65536];
  for (;;) {
    const int32_t n = file->Read(buffer, sizeof(buffer));
    if (n < 0) return false;
    if (n == 0) return true;
    bytes->append(buffer, static_cast<size_t>(n));
    if (static_cast<int64_t>(bytes->size()) > kMaxLogSize) return false;
  }
}

PathKind DiskUninstallSystem::GetPathKind(const std::string& path) {
  switch (platform::GetDiskPathKind(path)) {
    case platform::DiskPathKind::kNone:
      return PathKind::kNone;
    case platform::DiskPathKind::kFile:
      return PathKind::kFile;
    case platform::DiskPathKind::kFolder:
      return PathKind::kFolder;
    case platform::DiskPathKind::kSymbolicLink:
      return PathKind::kSymbolicLink;
  }
  return PathKind::kNone;
}

bool DiskUninstallSystem::DeleteFile(const std::string& path, std::string* error) {
  // Never through a link or reparse point in the last component either.
  const platform::DiskPathKind kind = platform::GetDiskPathKind(path);
  if (kind == platform::DiskPathKind::kSymbolicLink) {
    *error = "a symbolic link or junction";
    return false;
  }
  // A read-only file is deleted too: the installation put it there. Only a
  // plain file: the attributes of a link's target are not ours to change.
  const uint32_t attributes = kind == platform::DiskPathKind::kFile
                                  ? platform::GetFileAttributes(path)
                                  : platform::kInvalidFileAttributes;
  if (attributes != platform::kInvalidFileAttributes &&
      (attributes & platform::kFileAttributeReadOnly) != 0) {
    platform::SetFileAttributes(path, attributes & ~platform::kFileAttributeReadOnly);
  }
  if (platform::DeleteFile(path)) return true;
  *error = platform::OsErrorMessage(platform::LastOsError());
  return false;
}

bool DiskUninstallSystem::RemoveEmptyFolder(const std::string& path) {
  return platform::RemoveDirectory(path);
}

bool DiskUninstallSystem::ListFolder(const std::string& path, std::vector<std::string>* names) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::ListFolder(path, &entries)) return false;
  names->clear();
  for (const platform::FolderEntry& entry : entries) names->push_back(entry.name);
  return true;
}

void DiskUninstallSystem::UnregisterServer(const std::string& library) {
  UnregisterServerLibrary(library);
}

bool DiskUninstallSystem::RemoveUninstallEntry(const std::string& app_name,
                                               const std::string& install_dir, std::string* error) {
  return vor::RemoveUninstallEntry(app_name, install_dir, error);
}

UninstallOptions DiskUninstallOptions(const ShellFolders& folders) {
  UninstallOptions options;
  options.folders = folders;
  options.ignore_case = platform::PathDelimiter() == '\\';
  options.uninstaller_name = kUninstallerFileName;
  return options;
}

}  // namespace vor
