// Names of directory records that no writer makes and no disk can take.
//
// A writer never stores a record with an empty name, one named "." or "..",
// or two records in one folder whose names compare equal without regard to
// case (two files, two folders, or a file and a folder of the same name).
// Such records are damage: an empty name resolves to the folder that holds
// it, "." and ".." to a folder or its parent, and equal names to one disk
// file. check reports them; the folder walk of list, extract and rm refuses
// them by name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "container/store/dir_array.h"

namespace vor::coffer {

// Why name cannot be a stored name ("an empty name", "the name '.'"); empty
// when it can.
std::string UnusableNameReason(const std::string& name);

// One record of a folder: its name, whether it is a folder, and how it is
// shown in messages.
struct NamedRecord {
  std::string name;
  bool folder = false;
  std::string shown;
};

// The problems of the records of one folder (shown as folder_shown): names
// that cannot be stored, and names that compare equal without regard to case.
std::vector<std::string> FolderNameProblems(const std::string& folder_shown,
                                            std::vector<NamedRecord> records);

// The same for every folder of a directory; path_of(item) shows a record's
// stored path (item -1 is the root).
std::vector<std::string> RecordNameProblems(const TDIRArray& records,
                                            const std::function<std::string(int32_t)>& path_of);

}  // namespace vor::coffer
