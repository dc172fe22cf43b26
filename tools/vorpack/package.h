// A package folder on disk as the tree the container will hold.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "container/store/collation.h"
#include "names.h"

namespace vor::vorpack {

// Problems found in a package: errors stop the build, warnings are shown.
struct Findings {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};

struct PackageEntry {
  std::string disk_path;
  std::string shown;        // path below the package folder, '/' separated
  std::string stored_path;  // absolute stored path, in the code page
  bool folder = false;
  int64_t size = 0;        // bytes that will be stored
  bool converted = false;  // content holds the bytes to store instead of the file's
  std::string content;
};

// Stored paths compared as the container compares names.
struct StoredPathLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareNames(Collation(), a, b) < 0;
  }
};

class Package {
 public:
  // Walks folder: every file and folder below it, a folder before what it
  // holds, in name order. Names the code page cannot hold or Windows could
  // not make, and names equal without regard to case, go to findings as
  // errors; entries that are neither file nor folder are skipped with a
  // warning. Raises (exit code 5) when a folder cannot be read.
  Package(const std::string& folder, const coffer::NameCodec& codec, Findings* findings);

  const std::string& Folder() const { return folder_; }
  const coffer::NameCodec& Codec() const { return codec_; }
  const std::vector<PackageEntry>& Entries() const { return entries_; }
  // The entry at a stored path (without regard to case); null when none.
  const PackageEntry* Find(const std::string& stored_path) const;
  PackageEntry* Find(const std::string& stored_path);

  int64_t TotalBytes() const;
  int FileCount() const;
  int FolderCount() const;

 private:
  void Walk(const std::string& disk_folder, const std::string& shown_folder,
            const std::string& stored_folder, Findings* findings);

  std::string folder_;
  coffer::NameCodec codec_;
  std::vector<PackageEntry> entries_;
  std::map<std::string, size_t, StoredPathLess> index_;
};

}  // namespace vor::vorpack
