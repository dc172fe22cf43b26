// Folder listing on POSIX: readdir, with lstat deciding the kind so that a
// link to a folder is never entered (no loops through links).
#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/folder_list.h"

namespace vor::platform {

namespace {

void Describe(const std::string& path, FolderEntry* entry) {
  entry->kind = FolderEntryKind::kOther;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    entry->kind = FolderEntryKind::kFolder;
  } else if (S_ISREG(st.st_mode)) {
    entry->kind = FolderEntryKind::kFile;
  } else if (S_ISLNK(st.st_mode)) {
    if (::stat(path.c_str(), &st) == 0) {
      if (S_ISREG(st.st_mode)) entry->kind = FolderEntryKind::kFile;
    } else if (errno == ENOENT) {
      entry->dangling_link = true;
      std::string target(4096, '\0');
      const ssize_t n = ::readlink(path.c_str(), &target[0], target.size());
      target.resize(n > 0 ? static_cast<size_t>(n) : 0);
      entry->link_target = target;
    }
  }
}

}  // namespace

bool ListFolder(const std::string& path, std::vector<FolderEntry>* entries) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return false;
  std::vector<FolderEntry> result;
  const std::string base = path.empty() || path.back() == '/' ? path : path + "/";
  // readdir signals an error only through errno, which the checks of the
  // entries set as well: clear it before each call.
  errno = 0;
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    if (name != "." && name != "..") {
      FolderEntry entry;
      entry.name = name;
      Describe(base + name, &entry);
      result.push_back(std::move(entry));
    }
    errno = 0;
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
