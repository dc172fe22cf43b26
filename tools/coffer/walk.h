// Walking the container's folder tree through the folder search.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/coffer.h"

namespace vor::coffer {

// Every attribute bit a search should let through.
constexpr int32_t kAllAttributes = 0x3F;

struct TreeEntry {
  std::string path;  // stored, absolute ("\docs\a.txt")
  bool folder = false;
  uint32_t attributes = 0;
  int64_t size = 0;            // bytes the file takes in the container (its record's size)
  uint64_t creation_time = 0;  // FILETIMEs, UTC
  uint64_t write_time = 0;
  uint64_t access_time = 0;
};

// The entries below folder (a stored path, "\" for the root) whose names
// match mask, in the order of the folder search, a folder before what it
// holds. As in the export, the mask also decides which folders are entered
// when recursive.
std::vector<TreeEntry> WalkTree(TCoffer& coffer, const std::string& folder, const std::string& mask,
                                bool recursive);
// The entry at a stored path; false when there is none (the root has none).
bool FindEntry(TCoffer& coffer, const std::string& path, TreeEntry* entry);

// What the content of a stored file is, read from its stream header.
struct ContentInfo {
  int64_t size = 0;    // uncompressed bytes
  int64_t stored = 0;  // bytes the stream takes in the container
  int compression = 0;
};

// Opens the stored file at path read-only to learn its ContentInfo. False
// when it cannot be opened for a reason other than damage (a password of
// its own that is not at hand); damage raises.
bool ReadContentInfo(TCoffer& coffer, const std::string& path, const std::string& password,
                     ContentInfo* info);

}  // namespace vor::coffer
