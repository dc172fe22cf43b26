// Path kinds on POSIX: lstat, which does not follow a final symbolic link.
#include <sys/stat.h>

#include "platform/path_kind.h"

namespace vor::platform {

DiskPathKind GetDiskPathKind(const std::string& path) {
  struct stat st;
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) return DiskPathKind::kNone;
  if (S_ISLNK(st.st_mode)) return DiskPathKind::kSymbolicLink;
  return S_ISDIR(st.st_mode) ? DiskPathKind::kFolder : DiskPathKind::kFile;
}

}  // namespace vor::platform
