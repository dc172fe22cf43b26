#include "shell/server_registration.h"

#include "platform/com_result.h"
#include "platform/fs.h"
#include "platform/library.h"
#include "platform/platform_error.h"
#include "shell/shell_errors.h"

namespace vor {

namespace {

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
  return platform::ForceDirectories(path);
}

}  // namespace vor
