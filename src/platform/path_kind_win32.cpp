// Path kinds on Windows: the attributes, with reparse points (symbolic
// links, junctions, mount points) told apart.
#include <windows.h>

#include "platform/path_kind.h"

namespace vor::platform {

DiskPathKind GetDiskPathKind(const std::string& path) {
  if (path.empty()) return DiskPathKind::kNone;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return DiskPathKind::kNone;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return DiskPathKind::kSymbolicLink;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? DiskPathKind::kFolder : DiskPathKind::kFile;
}

}  // namespace vor::platform
