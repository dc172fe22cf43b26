// Folder listing on POSIX: readdir, with lstat deciding the kind so that a
// link to a folder is never entered (no loops through links).
#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/folder_list.h"

namespace vor::platform {

namespace {

FolderEntryKind KindOf(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return FolderEntryKind::kOther;
  if (S_ISDIR(st.st_mode)) return FolderEntryKind::kFolder;
  if (S_ISREG(st.st_mode)) return FolderEntryKind::kFile;
  if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    return FolderEntryKind::kFile;
  }
  return FolderEntryKind::kOther;
}

}  // namespace

bool ListFolder(const std::string& path, std::vector<FolderEntry>* entries) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return false;
  std::vector<FolderEntry> result;
  const std::string base = path.empty() || path.back() == '/' ? path : path + "/";
  errno = 0;
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    result.push_back(FolderEntry{name, KindOf(base + name)});
  }
  const int error = errno;
  ::closedir(dir);
  if (error != 0) {
    errno = error;
    return false;
  }
  std::sort(result.begin(), result.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  *entries = std::move(result);
  return true;
}

}  // namespace vor::platform
