// Names of directory records that no writer makes.
#include "record_names.h"

#include <algorithm>
#include <map>

#include "container/store/file_rec.h"
#include "container/store/name_utils.h"

namespace vor::coffer {

std::string UnusableNameReason(const std::string& name) {
  if (name.empty()) return "an empty name";
  if (name == "." || name == "..") return "the name '" + name + "'";
  return std::string();
}

std::vector<std::string> FolderNameProblems(const std::string& folder_shown,
                                            std::vector<NamedRecord> records) {
  std::vector<std::string> problems;
  std::vector<NamedRecord> usable;
  for (NamedRecord& r : records) {
    const std::string reason = UnusableNameReason(r.name);
    if (reason.empty()) {
      usable.push_back(std::move(r));
    } else {
      problems.push_back("a " + std::string(r.folder ? "folder" : "file") + " record in " +
                         folder_shown + " has " + reason);
    }
  }
  // Names equal without regard to case end up side by side.
  std::stable_sort(usable.begin(), usable.end(), [](const NamedRecord& a, const NamedRecord& b) {
    return CompareNames(a.name, b.name) < 0;
  });
  for (size_t i = 1; i < usable.size(); ++i) {
    const NamedRecord& a = usable[i - 1];
    const NamedRecord& b = usable[i];
    if (CompareNames(a.name, b.name) != 0) continue;
    if (a.folder != b.folder) {
      problems.push_back("a file and a folder have the same name: " + a.shown + " and " + b.shown);
    } else {
      problems.push_back(std::string(a.folder ? "two folders" : "two files") +
                         " have names that differ only in case: " + a.shown + " and " + b.shown);
    }
  }
  return problems;
}

std::vector<std::string> RecordNameProblems(const TDIRArray& records,
                                            const std::function<std::string(int32_t)>& path_of) {
  std::map<int32_t, std::vector<NamedRecord>> by_parent;
  for (int32_t i = 0; i < records.ItemCount(); ++i) {
    const TFileRec& rec = records.Item(i);
    if (rec.Deleted != 0) continue;
    by_parent[rec.ParentID].push_back(
        NamedRecord{rec.FileName, (rec.Attributes & kFileAttributeDirectory) != 0, path_of(i)});
  }
  std::vector<std::string> problems;
  for (auto& [parent, list] : by_parent) {
    for (std::string& p : FolderNameProblems(path_of(parent), std::move(list))) {
      problems.push_back(std::move(p));
    }
  }
  return problems;
}

}  // namespace vor::coffer
