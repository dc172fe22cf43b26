// Walking a package folder.
#include "package.h"

#include <string>
#include <vector>

#include "common/windows_names.h"
#include "exit_codes.h"
#include "platform/folder_list.h"
#include "platform/fs.h"
#include "platform/platform_error.h"

namespace vor::vorpack {

using coffer::ECofferError;

Package::Package(const std::string& folder, const coffer::NameCodec& codec, Findings* findings)
    : folder_(folder), codec_(codec) {
  if (!platform::DirectoryExists(folder)) {
    throw ECofferError(coffer::kExitIoError, "'" + folder + "': no such folder");
  }
  Walk(folder, "", "", findings);
}

void Package::Walk(const std::string& disk_folder, const std::string& shown_folder,
                   const std::string& stored_folder, Findings* findings) {
  std::vector<platform::FolderEntry> listing;
  if (!platform::ListFolder(disk_folder, &listing)) {
    throw ECofferError(coffer::kExitIoError, "'" + disk_folder + "': the folder cannot be read: " +
                                                 platform::OsErrorMessage(platform::LastOsError()));
  }
  for (const platform::FolderEntry& e : listing) {
    PackageEntry entry;
    entry.disk_path = platform::JoinDiskPath(disk_folder, e.name);
    entry.shown = shown_folder.empty() ? e.name : shown_folder + "/" + e.name;
    if (e.dangling_link) {
      findings->errors.push_back("'" + entry.shown + "': a symbolic link to '" + e.link_target +
                                 "', which does not exist");
      continue;
    }
    if (e.kind == platform::FolderEntryKind::kOther) {
      findings->warnings.push_back("'" + entry.shown + "' is skipped: not a file or folder");
      continue;
    }
    entry.folder = e.kind == platform::FolderEntryKind::kFolder;
    if (IsWindowsDeviceName(e.name)) {
      findings->errors.push_back("'" + entry.shown + "': Windows keeps the name for a device");
      continue;
    }
    try {
      entry.stored_path = stored_folder + "\\" + codec_.ToStored(e.name);
    } catch (const ECofferError& error) {
      findings->errors.push_back("'" + entry.shown + "': " + error.what());
      continue;
    }
    const auto clash = index_.find(entry.stored_path);
    if (clash != index_.end()) {
      findings->errors.push_back("'" + entries_[clash->second].shown + "' and '" + entry.shown +
                                 "' differ only in case: Windows keeps only one of them");
      continue;
    }
    if (!entry.folder) {
      entry.size = platform::GetFileSize(entry.disk_path);
      if (entry.size < 0) {
        throw ECofferError(coffer::kExitIoError,
                           "'" + entry.disk_path + "': cannot be read: " +
                               platform::OsErrorMessage(platform::LastOsError()));
      }
    }
    index_[entry.stored_path] = entries_.size();
    entries_.push_back(entry);
    if (entry.folder) {
      const PackageEntry& added = entries_.back();
      const std::string disk = added.disk_path;
      const std::string shown = added.shown;
      const std::string stored = added.stored_path;
      Walk(disk, shown, stored, findings);
    }
  }
}

const PackageEntry* Package::Find(const std::string& stored_path) const {
  const auto it = index_.find(stored_path);
  return it == index_.end() ? nullptr : &entries_[it->second];
}

PackageEntry* Package::Find(const std::string& stored_path) {
  const auto it = index_.find(stored_path);
  return it == index_.end() ? nullptr : &entries_[it->second];
}

int64_t Package::TotalBytes() const {
  int64_t total = 0;
  for (const PackageEntry& e : entries_) total += e.size;
  return total;
}

int Package::FileCount() const {
  int n = 0;
  for (const PackageEntry& e : entries_) n += e.folder ? 0 : 1;
  return n;
}

int Package::FolderCount() const { return static_cast<int>(entries_.size()) - FileCount(); }

}  // namespace vor::vorpack
