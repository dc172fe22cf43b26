// The disk side of TCoffer::ExportFiles: the folders it makes and the files
// it writes, with no more file-system calls per file than the answers not
// yet known need.
//
// Under Wine every call that takes a path converts it to a Unix path, and a
// name that does not exist is only known to be absent after the whole
// folder has been read (names are matched without regard to case), so
// asking whether a file exists before creating it in a folder of a few
// thousand files costs more than writing it. TExportFolders remembers the
// folders the export has made: a folder made by this export was empty, so
// a name in it that the export has not written yet surely does not exist,
// and neither question needs asking. Any doubt (a folder that was there
// before, a name that might stand for one written earlier) leads to the
// plain checks.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "container/stream/stream.h"

namespace vor {

class TExportFolders {
 public:
  // disk_dir: the destination folder ("" for the current folder), which
  // exists; made: whether this export has just made it (so it is empty).
  TExportFolders(std::string disk_dir, bool made);

  // Makes the folder rel_dir (relative to the destination, components
  // separated and ended by "\") with the parents it lacks. A failure is
  // ignored: the files written into it then fail to be created.
  void Make(const std::string& rel_dir);

  // Whether a disk file rel_dir + name may exist; false only when it surely
  // does not. The name counts as written from here on: a later name that
  // may stand for the same file is checked on disk.
  bool MayExist(const std::string& rel_dir, const std::string& name);

  // The disk path of rel (a "\"-separated path relative to the destination).
  std::string DiskPath(const std::string& rel) const;

 private:
  struct Folder {
    // Made by this export: empty then, holding only what it wrote since.
    bool made = false;
    // A name was written whose sameness on disk cannot be told by its key
    // (see NameKey): every name in the folder is checked from then on.
    bool unsure = false;
    std::unordered_set<std::string> keys;
  };

  // The folder record of rel_dir, made (with its parents) when missing;
  // null when it cannot be made.
  Folder* Find(const std::string& rel_dir);
  // Records name as written in folder; true when no name of folder could
  // stand for the same disk file.
  static bool Claim(Folder& folder, const std::string& name);

  std::string disk_dir_;
  std::unordered_map<std::string, Folder> folders_;  // by rel_dir; "" the destination
};

// Closes file, a disk file the export has written, and gives it the
// attribute word attributes, as SetFileAttributes on its path would; the
// call is left out when the open file shows exactly those attributes
// already (a new file's archive bit, the common case).
void FinishExportFile(TDiskFileStream& file, uint32_t attributes);

}  // namespace vor
