// Planning an add.
#include "add_plan.h"

#include <map>
#include <string>
#include <vector>

#include "commands.h"
#include "container/store/collation.h"
#include "container/store/file_rec.h"
#include "exit_codes.h"
#include "platform/folder_list.h"
#include "platform/fs.h"
#include "platform/platform_error.h"

namespace vor::coffer {

namespace {

using platform::IsPathDelimiter;

// The path made absolute, with "." and ".." resolved and runs of
// delimiters joined; for recognising the archive among the added files.
std::string Normalized(const std::string& path) {
  std::string full = path;
  const bool absolute =
      !path.empty() && (IsPathDelimiter(path[0]) || (path.size() > 1 && path[1] == ':'));
  if (!absolute) full = platform::JoinDiskPath(platform::GetCurrentDirectory(), path);
  std::vector<std::string> parts;
  std::string part;
  std::string head;
  size_t i = 0;
  if (full.size() > 1 && full[1] == ':') {
    head = full.substr(0, 2);
    i = 2;
  }
  for (; i <= full.size(); ++i) {
    if (i == full.size() || IsPathDelimiter(full[i])) {
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += full[i];
    }
  }
  for (const std::string& p : parts) head += "/" + p;
  return head;
}

// Stored paths compared as the container compares names.
struct StoredLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareNames(Collation(), a, b) < 0;
  }
};

class Planner {
 public:
  Planner(TCoffer& coffer, const NameCodec& codec, const std::string& archive)
      : coffer_(coffer), codec_(codec), archive_(Normalized(archive)) {}

  void AddOperand(const std::string& target, const std::string& operand) {
    const std::string path = platform::WithoutTrailingDelimiters(operand);
    if (platform::DirectoryExists(path)) {
      const std::string name = platform::ExtractFileName(path);
      if (name.empty() || name == "." || name == ".." || IsPathDelimiter(path.back())) {
        AddFolderContents(target, path);  // "." or "/": what it holds goes to target
      } else {
        AddFolder(target, path, name);
      }
    } else if (platform::FileExists(path)) {
      AddFile(target, path, platform::ExtractFileName(path));
    } else {
      throw ECofferError(kExitIoError, "'" + operand + "': no such file or folder");
    }
  }

  AddPlan TakePlan(const std::string& target) {
    AddPlan plan;
    plan.target = target;
    plan.items = std::move(items_);
    for (const AddItem& item : plan.items) plan.total_bytes += item.size;
    return plan;
  }

 private:
  void AddFolder(const std::string& target, const std::string& path, const std::string& name) {
    AddItem item;
    item.disk_path = path;
    item.stored_path = JoinStored(target, codec_.ToStored(name));
    item.folder = true;
    if (!Record(item)) return;
    AddFolderContents(item.stored_path, path);
  }

  void AddFolderContents(const std::string& target, const std::string& path) {
    std::vector<platform::FolderEntry> entries;
    if (!platform::ListFolder(path, &entries)) {
      throw ECofferError(kExitIoError, "'" + path + "': the folder cannot be read: " +
                                           platform::OsErrorMessage(platform::LastOsError()));
    }
    for (const platform::FolderEntry& e : entries) {
      const std::string child = platform::JoinDiskPath(path, e.name);
      switch (e.kind) {
        case platform::FolderEntryKind::kFolder:
          AddFolder(target, child, e.name);
          break;
        case platform::FolderEntryKind::kFile:
          AddFile(target, child, e.name);
          break;
        case platform::FolderEntryKind::kOther:
          Warn("skipping '" + child + "': " +
               (e.dangling_link ? "a symbolic link to '" + e.link_target + "', which does not exist"
                                : std::string("not a file or folder")));
          break;
      }
    }
  }

  void AddFile(const std::string& target, const std::string& path, const std::string& name) {
    if (Normalized(path) == archive_) {
      Warn("skipping '" + path + "': it is the container itself");
      return;
    }
    AddItem item;
    item.disk_path = path;
    item.stored_path = JoinStored(target, codec_.ToStored(name));
    item.size = platform::GetFileSize(path);
    if (item.size < 0) throw ECofferError(kExitIoError, "'" + path + "': cannot be read");
    Record(item);
  }

  // Adds item unless the same folder is planned already; raises for a
  // clash. False when the item was there already.
  bool Record(const AddItem& item) {
    const auto it = planned_.find(item.stored_path);
    if (it != planned_.end()) {
      const AddItem& other = items_[it->second];
      if (other.folder && item.folder) return false;
      throw ECofferError(kExitFailure, "'" + item.disk_path + "' and '" + other.disk_path +
                                           "' would both be stored as '" +
                                           codec_.DisplayPath(item.stored_path) + "'");
    }
    if (coffer_.FileExists(item.stored_path)) {
      const bool stored_folder = (static_cast<uint32_t>(coffer_.FileGetAttr(item.stored_path)) &
                                  kFileAttributeDirectory) != 0;
      if (stored_folder != item.folder) {
        throw ECofferError(kExitFailure, "'" + codec_.DisplayPath(item.stored_path) + "' is a " +
                                             (stored_folder ? "folder" : "file") +
                                             " in the container; '" + item.disk_path +
                                             "' cannot replace it");
      }
    }
    planned_[item.stored_path] = items_.size();
    items_.push_back(item);
    return true;
  }

  TCoffer& coffer_;
  const NameCodec& codec_;
  std::string archive_;
  std::vector<AddItem> items_;
  std::map<std::string, size_t, StoredLess> planned_;
};

}  // namespace

AddPlan MakeAddPlan(TCoffer& coffer, const NameCodec& codec, const std::string& target,
                    const std::vector<std::string>& operands, const std::string& archive) {
  // Every folder on the way to target must be a folder (or missing).
  std::string prefix;
  size_t start = 1;
  while (start < target.size()) {
    size_t end = target.find('\\', start);
    if (end == std::string::npos) end = target.size();
    prefix += "\\" + target.substr(start, end - start);
    if (coffer.FileExists(prefix) &&
        (static_cast<uint32_t>(coffer.FileGetAttr(prefix)) & kFileAttributeDirectory) == 0) {
      throw ECofferError(kExitFailure,
                         "'" + codec.DisplayPath(prefix) + "' is a file in the container");
    }
    start = end + 1;
  }
  Planner planner(coffer, codec, archive);
  for (const std::string& operand : operands) planner.AddOperand(target, operand);
  return planner.TakePlan(target);
}

}  // namespace vor::coffer
