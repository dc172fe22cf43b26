// What a disk path names, without following a final symbolic link.
//
// A symbolic link (POSIX: lstat; Windows: any reparse point, which covers
// symbolic links and junctions) is told apart from the file or folder it
// leads to, so that code removing files can refuse to walk through one.
#pragma once

#include <string>

namespace vor::platform {

enum class DiskPathKind { kNone, kFile, kFolder, kSymbolicLink };

DiskPathKind GetDiskPathKind(const std::string& path);

}  // namespace vor::platform
