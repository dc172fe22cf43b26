// The folder tree walk.
#include "walk.h"

#include <string>
#include <vector>

#include "container/store/file_rec.h"
#include "container/stream/file_stream.h"
#include "exit_codes.h"
#include "names.h"
#include "record_names.h"

namespace vor::coffer {

namespace {

// Ends a folder search however the walk of it ends.
class Search {
 public:
  explicit Search(TCoffer& coffer) : coffer_(coffer) {}
  ~Search() { coffer_.FindClose(&rec_); }
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;
  TSearchRec& rec() { return rec_; }

 private:
  TCoffer& coffer_;
  TSearchRec rec_;
};

TreeEntry EntryOf(const std::string& folder, const TSearchRec& rec) {
  TreeEntry entry;
  entry.path = JoinStored(folder, rec.Name);
  entry.attributes = static_cast<uint32_t>(rec.Attr);
  entry.folder = (entry.attributes & kFileAttributeDirectory) != 0;
  entry.size = static_cast<int64_t>(rec.FindData.nFileSizeHigh) << 32 | rec.FindData.nFileSizeLow;
  entry.creation_time = rec.FindData.ftCreationTime;
  entry.write_time = rec.FindData.ftLastWriteTime;
  entry.access_time = rec.FindData.ftLastAccessTime;
  return entry;
}

void Walk(TCoffer& coffer, const std::string& folder, const std::string& mask, bool recursive,
          std::vector<TreeEntry>* entries) {
  std::vector<TreeEntry> here;
  {
    Search search(coffer);
    const std::string prefix = folder == "\\" ? folder : folder + "\\";
    if (coffer.FindFirst(prefix + mask, kAllAttributes, &search.rec()) != 0) return;
    std::vector<NamedRecord> names;
    do {
      here.push_back(EntryOf(folder, search.rec()));
      names.push_back(
          NamedRecord{search.rec().Name, here.back().folder, "'" + here.back().path + "'"});
    } while (coffer.FindNext(&search.rec()) == 0);
    // An empty name would lead back into this folder, "." and ".." to it or
    // its parent, and equal names to one disk file: the walk stops there.
    const std::vector<std::string> problems = FolderNameProblems("'" + folder + "'", names);
    if (!problems.empty()) {
      throw ECofferError(kExitDamaged,
                         "the container is damaged: " + problems.front() + " (see 'coffer check')");
    }
  }
  for (const TreeEntry& entry : here) {
    entries->push_back(entry);
    if (entry.folder && recursive) Walk(coffer, entry.path, mask, recursive, entries);
  }
}

}  // namespace

std::vector<TreeEntry> WalkTree(TCoffer& coffer, const std::string& folder, const std::string& mask,
                                bool recursive) {
  std::vector<TreeEntry> entries;
  Walk(coffer, folder.empty() ? "\\" : folder, mask, recursive, &entries);
  return entries;
}

bool FindEntry(TCoffer& coffer, const std::string& path, TreeEntry* entry) {
  if (!coffer.FileExists(path)) return false;
  const size_t cut = path.find_last_of('\\');
  const std::string folder = cut == 0 || cut == std::string::npos ? "\\" : path.substr(0, cut);
  Search search(coffer);
  if (coffer.FindFirst(path, kAllAttributes, &search.rec()) != 0) return false;
  *entry = EntryOf(folder, search.rec());
  return true;
}

bool ReadContentInfo(TCoffer& coffer, const std::string& path, const std::string& password,
                     ContentInfo* info) {
  try {
    TCFRFileStream stream(&coffer, path, 0, password, "", "", 0);
    info->size = stream.Size();
    info->stored = stream.BlockStream().RawStream().Size();
    info->compression = stream.BlockStream().Compression();
    return true;
  } catch (const EVorError& e) {
    if (ExitCodeOf(e) == kExitDamaged) throw;
    return false;
  }
}

}  // namespace vor::coffer
