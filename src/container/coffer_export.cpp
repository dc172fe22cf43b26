// TCoffer::ExportFiles: copies a folder tree of the container to disk.
//
// The scan lists every item first (a folder's own item before the items in
// it); the export then creates each folder and saves each file through a
// TCFRFileStream. Disk names are built from DestDir explicitly; the process's
// current folder is never changed. Every stored name that the export would
// use is checked during the scan, before anything is written: a name that
// could reach outside DestDir (a separator, a drive or stream colon) or that
// the target cannot hold raises, naming the entry.
//
// While one file is written, a worker thread unpacks the blocks of the next
// ones (TExportAhead); this thread still makes every step, event and error
// in its order. A file whose copy fails part-way is deleted, so a failed
// export leaves only whole files behind. TExportFolders spares the disk the
// questions whose answers the export knows already (a file in a folder it
// has just made does not exist yet).
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/quoting.h"
#include "common/rounding.h"
#include "common/windows_names.h"
#include "container/coffer.h"
#include "container/export_ahead.h"
#include "container/export_target.h"
#include "container/store/dir_manager.h"
#include "container/store/file_rec.h"
#include "container/store/name_utils.h"
#include "container/stream/file_stream.h"
#include "container/stream/stream.h"
#include "platform/fs.h"

namespace vor {

struct TCoffer::ExportList {
  std::vector<std::string> names;     // empty for a folder item
  std::vector<std::string> rel_dirs;  // relative to the root, with a trailing "\"
};

namespace {

// Attribute bits a search entry must have allowed by Attr to be exported.
constexpr int32_t kExportAttrBits = 0x02 | 0x04 | 0x08 | 0x10;

// Separators of disk paths on this platform.
std::string DiskSeparators() { return platform::PathDelimiter() == '\\' ? "\\/" : "/"; }

// Whether path starts at a root or a drive (and so needs no current folder
// in front of it in a message).
bool IsRootedPath(const std::string& path) {
  if (path.empty()) return false;
  if (DiskSeparators().find(path[0]) != std::string::npos) return true;
  return platform::PathDelimiter() == '\\' && path.size() >= 2 && path[1] == ':';
}

// Ends a folder search however the scan of it ends.
class SearchScope {
 public:
  SearchScope(TCoffer& coffer, TSearchRec& search_rec) : coffer_(coffer), rec_(search_rec) {}
  ~SearchScope() { coffer_.FindClose(&rec_); }
  SearchScope(const SearchScope&) = delete;
  SearchScope& operator=(const SearchScope&) = delete;

 private:
  TCoffer& coffer_;
  TSearchRec& rec_;
};

}  // namespace

void TCoffer::ExportFiles(const std::string& mask, const std::string& dest_dir, int32_t attr,
                          bool recursive, uint8_t overwrite_mode) {
  std::string disk_dir;
  bool dest_made = false;
  if (!dest_dir.empty()) {
    if (!platform::DirectoryExists(dest_dir)) {
      platform::ForceDirectories(dest_dir);
      if (!platform::DirectoryExists(dest_dir)) return;
      dest_made = true;
    }
    disk_dir = dest_dir;
  }

  abort_ = false;
  export_done_ = 0;
  if (on_progress_) on_progress_(*this, abort_, 0);

  const size_t cut = mask.find_last_of("\\:");
  std::string file_mask = cut == std::string::npos ? mask : mask.substr(cut + 1);
  if (file_mask.empty()) file_mask = "*.*";
  const std::string root = cut == std::string::npos ? std::string() : mask.substr(0, cut + 1);
  if (!root.empty() && !FolderExists(root)) return;

  ExportList list;
  ExportScan(root, root, file_mask, attr, recursive, list);
  TExportFolders folders(disk_dir, dest_made);
  export_total_ = static_cast<double>(list.names.size());

  // Files with a password of their own are opened only in their turn: their
  // opening may ask for it.
  auto open = [&](size_t i, bool) -> std::unique_ptr<TCFRFileStream> {
    if (list.names[i].empty()) return nullptr;
    const std::string container = root + list.rel_dirs[i] + list.names[i];
    if (!directory_->CheckEntryPassword(container, password_)) return nullptr;
    return std::make_unique<TCFRFileStream>(this, container, 0, password_, "", "", 0);
  };
  // Without read-ahead every file is opened and copied in its turn here.
  std::unique_ptr<TExportAhead> ahead;
  if (export_ahead_bytes_ > 0 && export_ahead_files_ > 0) {
    ahead = std::make_unique<TExportAhead>(list.names.size(), open, export_ahead_bytes_,
                                           export_ahead_files_);
  }
  for (size_t i = 0; i < list.names.size(); ++i) {
    ExportItem(folders, root, list.rel_dirs[i], list.names[i], overwrite_mode, i, ahead.get());
    export_done_ = static_cast<double>(i + 1);
    // The nearest integer, halves to the even one.
    const double percent = RoundHalfEven(export_done_ / export_total_ * 100.0);
    if (on_progress_) on_progress_(*this, abort_, percent);
    if (abort_) break;
  }
  // The worker stops here, also when the run was aborted.
  ahead.reset();
  if (on_progress_) on_progress_(*this, abort_, 100);
}

void TCoffer::ExportScan(const std::string& folder, const std::string& root,
                         const std::string& file_mask, int32_t attr, bool recursive,
                         ExportList& list) {
  abort_ = false;
  TSearchRec search_rec;
  SearchScope scope(*this, search_rec);
  if (FindFirst(folder + file_mask, attr, &search_rec) != kResultOk) return;
  const std::string rel = folder.substr(root.size());
  do {
    const std::string name = search_rec.Name;
    if (name == "." || name == "..") continue;
    const bool is_folder = (search_rec.Attr & kFileAttributeDirectory) != 0;
    const bool take_file = !is_folder && (search_rec.Attr & kExportAttrBits & ~attr) == 0 &&
                           MatchesMask(name, file_mask, true);
    const bool take_folder = is_folder && recursive;
    // A stored name is used as one component of a disk path on any target
    // only when Windows takes it (common/windows_names.h): no separators, no
    // drive or stream colon, no trailing dot or blank, no device name.
    if ((take_file || take_folder) && CheckWindowsName(name) != WindowsNameFault::kNone) {
      throw EVorError("Error in TCoffer.ExportFiles - entry " + SingleQuoted(folder + name) +
                          " has a name that cannot be used on disk.",
                      ErrorKind::kDamaged);
    }
    if (take_file) {
      list.names.push_back(name);
      list.rel_dirs.push_back(rel);
    }
    if (take_folder) {
      list.rel_dirs.push_back(rel + name + "\\");
      list.names.emplace_back();
      ExportScan(folder + name + "\\", root, file_mask, attr, recursive, list);
    }
  } while (FindNext(&search_rec) == 0);
}

void TCoffer::ExportItem(TExportFolders& folders, const std::string& root,
                         const std::string& rel_dir, const std::string& name,
                         uint8_t overwrite_mode, size_t index, TExportAhead* ahead) {
  folders.Make(rel_dir);
  if (name.empty()) return;

  const std::string local = rel_dir + name;
  const std::string container = root + rel_dir + name;
  const std::string disk_path = folders.DiskPath(local);

  // A file this export cannot have met yet (its folder was made by the
  // export, no name written there may stand for it) is known to be absent.
  const bool existed = folders.MayExist(rel_dir, name) && platform::FileExists(disk_path);
  if (existed) {
    if (overwrite_mode == 1) return;
    if (overwrite_mode == 2) {
      bool overwrite = false;
      if (on_overwrite_) on_overwrite_(*this, local, container, overwrite);
      if (!overwrite) return;
    }
    platform::SetFileAttributes(disk_path, 0);
    platform::DeleteFile(disk_path);
  }

  current_file_name_ = local;
  // The stream opened ahead, else one opened now (which may ask for the
  // file's own password).
  std::unique_ptr<TCFRFileStream> own;
  TCFRFileStream* stream = ahead != nullptr ? ahead->Open(index) : nullptr;
  if (stream == nullptr) {
    own = std::make_unique<TCFRFileStream>(this, container, 0, password_, "", "", 0);
    stream = own.get();
  }
  TCFRFileStream::ProgressEvent progress = [this](TStream&, double percent) {
    if (on_file_progress_) on_file_progress_(*this, current_file_name_, percent);
  };
  stream->SetOnProgress(progress);
  stream->BlockStream().SetOnProgress(progress);
  // Asked again only of a file that was there: its deletion above may have
  // failed. A file found absent a moment ago is not asked about twice.
  if (existed && platform::FileExists(disk_path)) {
    platform::DeleteFile(disk_path);
    if (platform::FileExists(disk_path)) {
      const std::string full =
          IsRootedPath(disk_path)
              ? disk_path
              : platform::JoinDiskPath(platform::GetCurrentDirectory(), disk_path);
      throw EVorError(
          "Error in TCoffer.ExportFiles - file " + SingleQuoted(full) + " cannot be overwritten.",
          ErrorKind::kIo);
    }
  }
  TDiskFileStream file(disk_path, TDiskFileMode::kCreate);
  try {
    if (own) {
      stream->BlockStream().SaveToStream(file);
    } else {
      ahead->Save(file);
    }
  } catch (...) {
    // No partial file stays behind.
    file.Close();
    platform::DeleteFile(disk_path);
    throw;
  }
  FinishExportFile(file, static_cast<uint32_t>(FileGetAttr(container)));
}

}  // namespace vor
