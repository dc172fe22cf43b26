// Path kinds on Windows: the attributes, with reparse points (symbolic
// links, junctions, mount points) told apart.
//
// Some systems that run Windows programs show a link of their own file
// system as a plain file, without the reparse-point attribute, and delete
// its target when asked to delete it. A file is therefore also opened and
// the name the system resolves it to compared with its folder's resolved
// name and its own: a file reached under another name is reported as a
// link.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/path_kind.h"

namespace vor::platform {

namespace {

// GetFinalPathNameByHandleA, looked up: older systems do not have it.
using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
constexpr DWORD kFileNameNormalized = 0x0;
constexpr DWORD kVolumeNameDos = 0x0;

FinalPathFunction FinalPathName() {
  static const FinalPathFunction function = [] {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel == nullptr ? nullptr
                             : reinterpret_cast<FinalPathFunction>(reinterpret_cast<void*>(
                                   GetProcAddress(kernel, "GetFinalPathNameByHandleA")));
  }();
  return function;
}

std::string FullPath(const std::string& path) {
  std::vector<char> buffer(MAX_PATH + 1);
  DWORD n =
      GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (n >= buffer.size()) {
    buffer.resize(static_cast<size_t>(n) + 1);
    n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  }
  return n == 0 || n >= buffer.size() ? std::string() : std::string(buffer.data(), n);
}

std::string WithoutLongPrefix(std::string path) {
  if (path.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\\\" + path.substr(8);
  if (path.compare(0, 4, "\\\\?\\") == 0) return path.substr(4);
  return path;
}

// The name the system resolves the file or folder at path to (links in
// the way followed), without a long-path prefix or a trailing delimiter.
bool ResolvedName(const std::string& path, std::string* resolved) {
  const FinalPathFunction final_path = FinalPathName();
  if (final_path == nullptr) return false;
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(MAX_PATH + 1);
  DWORD n = final_path(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                       kFileNameNormalized | kVolumeNameDos);
  if (n >= buffer.size()) {
    buffer.resize(static_cast<size_t>(n) + 1);
    n = final_path(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                   kFileNameNormalized | kVolumeNameDos);
  }
  CloseHandle(file);
  if (n == 0 || n >= buffer.size()) return false;
  *resolved = WithoutLongPrefix(std::string(buffer.data(), n));
  while (!resolved->empty() && resolved->back() == '\\') resolved->pop_back();
  return true;
}

// Whether the file at path is itself a link the attributes did not show:
// it resolves to another name than its folder's resolved name with its own
// name behind it. (Links among the folders on the way, such as a profile
// folder that leads elsewhere, do not count.) False when that cannot be
// found out.
bool LastComponentIsHiddenLink(const std::string& path) {
  const std::string full = FullPath(path);
  const size_t cut = full.find_last_of('\\');
  if (full.empty() || cut == std::string::npos || cut + 1 >= full.size()) return false;
  std::string folder = full.substr(0, cut + 1);
  std::string resolved_file;
  std::string resolved_folder;
  if (!ResolvedName(full, &resolved_file) || !ResolvedName(folder, &resolved_folder)) return false;
  const std::string expected = resolved_folder + "\\" + full.substr(cut + 1);
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, resolved_file.c_str(),
                        static_cast<int>(resolved_file.size()), expected.c_str(),
                        static_cast<int>(expected.size())) != CSTR_EQUAL;
}

}  // namespace

DiskPathKind GetDiskPathKind(const std::string& path) {
  if (path.empty()) return DiskPathKind::kNone;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return DiskPathKind::kNone;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return DiskPathKind::kSymbolicLink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return DiskPathKind::kFolder;
  return LastComponentIsHiddenLink(path) ? DiskPathKind::kSymbolicLink : DiskPathKind::kFile;
}

}  // namespace vor::platform
