// TExportFolders and FinishExportFile: the disk side of an export.
#include "container/export_target.h"

#include <utility>

#include "platform/fs.h"

namespace vor {

// ---------------------------------------------------------- TExportFolders

TExportFolders::TExportFolders(std::string disk_dir, bool made) : disk_dir_(std::move(disk_dir)) {
  folders_[""].made = made;
}

std::string TExportFolders::DiskPath(const std::string& rel) const {
  std::string path = rel;
  for (char& c : path) {
    if (c == '\\') c = platform::PathDelimiter();
  }
  return platform::JoinDiskPath(disk_dir_, path);
}

void TExportFolders::Make(const std::string& rel_dir) {
  if (!rel_dir.empty()) Find(rel_dir);
}

bool TExportFolders::MayExist(const std::string& rel_dir, const std::string& name) {
  Folder* folder = Find(rel_dir);
  if (folder == nullptr) return true;
  const bool unique = Claim(*folder, name);
  return !(folder->made && unique);
}

TExportFolders::Folder* TExportFolders::Find(const std::string& rel_dir) {
  auto known = folders_.find(rel_dir);
  if (known != folders_.end()) return &known->second;

  // rel_dir is parent + component + "\", parent "" or ending in "\".
  const size_t cut =
      rel_dir.size() >= 2 ? rel_dir.find_last_of('\\', rel_dir.size() - 2) : std::string::npos;
  const std::string parent_rel =
      cut == std::string::npos ? std::string() : rel_dir.substr(0, cut + 1);
  const std::string component =
      rel_dir.substr(parent_rel.size(), rel_dir.size() - 1 - parent_rel.size());
  Folder* parent = Find(parent_rel);
  const std::string path = DiskPath(rel_dir.substr(0, rel_dir.size() - 1));

  bool made = false;
  bool exists = false;
  if (parent != nullptr && parent->made && Claim(*parent, component)) {
    // Surely absent: the parent was empty when this export made it.
    made = platform::CreateDirectory(path);
  } else {
    exists = platform::DirectoryExists(path);
    if (!exists) made = platform::CreateDirectory(path);
  }
  // Another program made it meanwhile, or a parent is missing (the
  // destination itself was removed): the walk that makes every missing
  // folder of the path.
  if (!made && !exists) exists = platform::ForceDirectories(path);
  if (!made && !exists) return nullptr;
  Folder& folder = folders_[rel_dir];
  folder.made = made;
  return &folder;
}

bool TExportFolders::Claim(Folder& folder, const std::string& name) {
  // Two names of ASCII characters name the same disk file exactly when they
  // are equal without regard to the case of their letters. Bytes above 0x7F
  // follow the code page's and the file system's case rules, so such a name
  // may stand for a file of another name and the other way round: once one
  // is written, every name of the folder is asked about. "~" marks the short
  // (8.3) alias of a long name: such a name may stand for a file written
  // under its long name; other names never stand for it (a short name given
  // by the system never takes one that is in use).
  std::string key = name;
  for (char& c : key) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      folder.unsure = true;
      return false;
    }
    if (c == '~') return false;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  const bool added = folder.keys.insert(std::move(key)).second;
  return added && !folder.unsure;
}

// ------------------------------------------------------- FinishExportFile

void FinishExportFile(TDiskFileStream& file, uint32_t attributes) {
  // Only the bits SetFileAttributes sets and GetFileAttributes shows alike
  // are compared; a word of no bits is set as "normal" and so always set.
  constexpr uint32_t kPlainBits = platform::kFileAttributeReadOnly |
                                  platform::kFileAttributeHidden | platform::kFileAttributeSystem |
                                  platform::kFileAttributeArchive;
  uint32_t shown = 0;
  const bool already = attributes != 0 && (attributes & ~kPlainBits) == 0 &&
                       file.GetAttributes(&shown) && shown == attributes;
  file.Close();
  if (!already) platform::SetFileAttributes(file.FileName(), attributes);
}

}  // namespace vor
