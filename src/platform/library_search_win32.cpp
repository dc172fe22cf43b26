// The library search on Windows: the system folder only.
#include <windows.h>

#include "platform/library_search.h"

namespace vor::platform {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, for headers that predate it.
constexpr DWORD kSearchSystem32 = 0x00000800;

}  // namespace

LibrarySearch RestrictLibrarySearch() {
  // kernel32 is always mapped: no search happens for it.
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  const auto set_default = kernel == nullptr
                               ? nullptr
                               : reinterpret_cast<SetDefaultDirectories>(reinterpret_cast<void*>(
                                     ::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_default != nullptr && set_default(kSearchSystem32)) {
    return LibrarySearch::kSystemFolderOnly;
  }
  ::SetDllDirectoryA("");
  return LibrarySearch::kNoProgramFolder;
}

std::string SystemLibraryPath(const std::string& name) {
  char folder[MAX_PATH + 1] = {};
  const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string path(folder, n);
  if (path.back() != '\\') path += '\\';
  return path + name;
}

}  // namespace vor::platform
