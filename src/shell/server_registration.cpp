#include "shell/server_registration.h"

#include "platform/com_result.h"
#include "platform/fs.h"
#include "platform/library.h"
#include "platform/platform_error.h"
#include "shell/shell_errors.h"

namespace vor {

namespace {

bool IsDelimiter(char c) { return c == '\\' || c == platform::PathDelimiter(); }

// A path the folder creation never has to make: a drive ("C:") or, with its
// trailing delimiter removed, a root ("").
bool IsDriveOrRoot(const std::string& path) {
  return path.empty() || (path.size() == 2 && path[1] == ':');
}

// Loads dll_name, calls its export entry_name and unloads it.
void CallServerEntry(const std::string& dll_name, const char* entry_name) {
  platform::LibraryError error;
  const std::unique_ptr<platform::Library> library = platform::Library::Load(dll_name, &error);
  if (library == nullptr)
    throw platform::EPlatformError(error.code, error.message + ": " + dll_name);
  void* entry = library->Symbol(entry_name, &error);
  if (entry == nullptr) throw platform::EPlatformError(error.code, error.message);
  const int32_t result = platform::CallResultEntry(entry);
  if (platform::ResultFailed(result)) {
    throw EShellCallError(result, platform::ResultMessage(result));
  }
}

}  // namespace

void RegisterServerLibrary(const std::string& dll_name) {
  CallServerEntry(dll_name, "DllRegisterServer");
}

void UnregisterServerLibrary(const std::string& dll_name) {
  CallServerEntry(dll_name, "DllUnregisterServer");
}

bool DiskFolderExists(const std::string& path) {
  const uint32_t attributes = platform::GetFileAttributes(path);
  return attributes != platform::kInvalidFileAttributes &&
         (attributes & platform::kFileAttributeDirectory) != 0;
}

bool CreateFolderPath(const std::string& path) {
  if (path.empty()) throw EShellMiscError("Unable to create directory", ErrorKind::kIo);
  std::string folder = path;
  while (!folder.empty() && IsDelimiter(folder.back())) folder.pop_back();
  if (IsDriveOrRoot(folder) || DiskFolderExists(folder)) return true;
  const std::string parent = platform::ExtractFilePath(folder);
  // A relative name without a folder part lives in the current folder.
  if (!parent.empty() && parent != folder && !CreateFolderPath(parent)) return false;
  return platform::CreateDirectory(folder) || DiskFolderExists(folder);
}

}  // namespace vor
