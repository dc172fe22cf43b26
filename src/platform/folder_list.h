// Listing the entries of a disk folder.
#pragma once

#include <string>
#include <vector>

namespace vor::platform {

enum class FolderEntryKind {
  kFile,    // a regular file (also one reached through a symbolic link)
  kFolder,  // a folder itself, not a link to one
  kOther,   // a link to a folder, a device, a socket, a dangling link, ...
};

struct FolderEntry {
  std::string name;
  FolderEntryKind kind = FolderEntryKind::kOther;
  // A symbolic link whose target does not exist (kind kOther); link_target
  // is what the link names. Systems whose listing cannot tell leave these
  // unset, and the entry fails when it is opened.
  bool dangling_link = false;
  std::string link_target;
};

// The entries of folder path ("." and ".." left out), sorted by name
// bytewise. False when the folder cannot be read; the reason is left in
// LastOsError().
bool ListFolder(const std::string& path, std::vector<FolderEntry>* entries);

}  // namespace vor::platform
