// Folder listing on Windows: FindFirstFileA / FindNextFileA. Reparse points
// that are folders (junctions, folder links) count as kOther and are not
// entered.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/folder_list.h"

namespace vor::platform {

bool ListFolder(const std::string& path, std::vector<FolderEntry>* entries) {
  std::string pattern = path;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  std::vector<FolderEntry> result;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.name = name;
    entry.kind = FolderEntryKind::kFile;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      entry.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                       ? FolderEntryKind::kOther
                       : FolderEntryKind::kFolder;
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
      entry.kind = FolderEntryKind::kOther;
    }
    result.push_back(entry);
  } while (FindNextFileA(find, &data) != FALSE);
  const DWORD error = GetLastError();
  FindClose(find);
  if (error != ERROR_NO_MORE_FILES) {
    SetLastError(error);
    return false;
  }
  std::sort(result.begin(), result.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  *entries = std::move(result);
  return true;
}

}  // namespace vor::platform
