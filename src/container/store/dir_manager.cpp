// TDIRManager: directory pages, records and entries.
#include "container/store/dir_manager.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "common/error.h"
#include "container/store/allocation_maps.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "crypto/mac.h"
#include "crypto/password_record.h"

namespace vor {
namespace {

// A page that cannot be loaded is damaged; one that cannot be saved is a
// failure of the disk.
[[noreturn]] void RaisePage(const char* message, int32_t page_no, ErrorKind kind) {
  throw EVorError(std::string(message) + std::to_string(page_no), kind);
}

}  // namespace

TDIRManager::TDIRManager(TPageFileManager& page_file, TFreeSpaceManager& free_space,
                         const TCollation* collation)
    : page_file_(page_file), free_space_(free_space), dir_page_nos_(0, 10, 100) {
  entries_per_page_ = std::max(page_file_.PageDataSize() / kFileRecSize, 1);
  dir_page_data_size_ = entries_per_page_ * kFileRecSize;
  dir_array_ = std::make_unique<TDIRArray>(entries_per_page_, collation);
  Load();
}

TDIRManager::~TDIRManager() = default;

void TDIRManager::Load() {
  const TContainerHeader& h = page_file_.Header();
  const int32_t page_count = h.DIRPageCount;
  const int32_t item_count = h.DIRItemCount;
  // The counts come from disk: the chain cannot be longer than the
  // container, nor hold more records than its pages have slots.
  if (page_count < 0 || page_count > h.FilePageCount - 1) {
    throw EVorError("TDIRManager.Load - invalid directory page count, DIRPageCount = " +
                        std::to_string(page_count),
                    ErrorKind::kDamaged);
  }
  if (item_count < 0 ||
      static_cast<int64_t>(item_count) > static_cast<int64_t>(page_count) * entries_per_page_) {
    throw EVorError("TDIRManager.Load - invalid directory item count, DIRItemCount = " +
                        std::to_string(item_count),
                    ErrorKind::kDamaged);
  }

  // Each page is read into the buffer's next slice; the buffer grows with
  // the pages actually read, so a damaged count cannot demand memory the
  // container does not hold.
  std::vector<uint8_t> buffer;
  dir_page_nos_.SetCount(0);
  std::unordered_set<int32_t> visited;
  TPageRecord page;
  int32_t page_no = h.FirstDIRPageNo;
  for (int32_t i = 0; i < page_count; ++i) {
    if (page_no < 1 || !visited.insert(page_no).second) {
      RaisePage("TDIRManager.Load - can not load page, pageNo = ", page_no, ErrorKind::kDamaged);
    }
    dir_page_nos_.Add(page_no);
    buffer.resize(static_cast<size_t>(i + 1) * dir_page_data_size_);
    page.pData = buffer.data() + static_cast<size_t>(i) * dir_page_data_size_;
    if (!page_file_.ReadPageOfType(PageTypeDIR, page, page_no, dir_page_data_size_)) {
      RaisePage("TDIRManager.Load - can not load page, pageNo = ", page_no,
                page_file_.LastFailureKind());
    }
    page_no = page.NextPageNo;
  }

  dir_array_->SetSize(0);
  open_counts_.SetCount(0);
  TFileRec rec;
  for (int32_t i = 0; i < item_count; ++i) {
    rec.Decode(buffer.data() + static_cast<size_t>(i) * kFileRecSize);
    dir_array_->Add(rec);
    open_counts_.Add(0);
  }
}

TFileRec TDIRManager::ReadItem(int32_t item_no) const { return dir_array_->ReadItem(item_no); }

bool TDIRManager::SavePage(int32_t page_index, TPageRecord& header) {
  std::vector<uint8_t> data(static_cast<size_t>(dir_page_data_size_), 0);
  const int32_t first = page_index * entries_per_page_;
  const int32_t end = std::min(first + entries_per_page_, dir_array_->ItemCount());
  for (int32_t item = first; item < end; ++item) {
    dir_array_->Item(item).Encode(data.data() + static_cast<size_t>(item - first) * kFileRecSize);
  }
  header.pData = data.data();
  const bool ok = page_file_.WritePage(header, dir_page_nos_.Item(page_index), dir_page_data_size_);
  header.pData = nullptr;
  return ok;
}

void TDIRManager::WriteItem(int32_t item_no, const TFileRec& rec) {
  // A read-only container cannot save the page: refuse before the record in
  // memory changes, so that it keeps matching the disk.
  if (page_file_.ReadOnly()) {
    dir_array_->ReadItem(item_no);  // raises for an invalid number
    RaisePage("TDIRManager.WriteItem - can not save page, pageNo = ",
              dir_page_nos_.Item(item_no / entries_per_page_), ErrorKind::kReadOnly);
  }
  dir_array_->UpdateItem(item_no, rec);
  if (rec.Deleted != 0) open_counts_.SetItem(item_no, 0);
  const int32_t page_index = item_no / entries_per_page_;
  const int32_t page_no = dir_page_nos_.Item(page_index);
  TPageRecord header;
  if (!page_file_.ReadPageOfType(PageTypeDIR, header, page_no, 0)) {
    RaisePage("TDIRManager.WriteItem - can not load  page, pageNo = ", page_no,
              page_file_.LastFailureKind());
  }
  if (!SavePage(page_index, header)) {
    RaisePage("TDIRManager.WriteItem - can not save page, pageNo = ", page_no,
              page_file_.LastFailureKind());
  }
}

bool TDIRManager::AddItem(const TFileRec& rec) { return StoreNewItem(rec) >= 0; }

int32_t TDIRManager::StoreNewItem(const TFileRec& rec) {
  // A deleted slot is reused in place (there can be one only when some
  // records are not indexed).
  if (dir_array_->IndexedCount() < dir_array_->ItemCount()) {
    for (int32_t i = 0; i < dir_array_->ItemCount(); ++i) {
      if (dir_array_->Item(i).Deleted != 0) {
        WriteItem(i, rec);
        return i;
      }
    }
  }

  TContainerHeader& h = page_file_.Header();
  TPageRecord header;
  if (static_cast<int64_t>(h.DIRPageCount) * entries_per_page_ == h.DIRItemCount) {
    const bool uniform_only = h.DIRPageCount > 8;
    const int32_t near_page =
        h.DIRPageCount == 0 ? h.FirstExtentPageNo : dir_page_nos_.Item(dir_page_nos_.Count() - 1);
    TIntegerArray pages(0, 10, 100);
    if (!free_space_.GetPages(1, near_page, uniform_only, pages) || pages.Count() < 1) {
      last_error_ = kNoFreePagesError;
      return -1;
    }
    const int32_t new_page = pages.Item(0);
    if (h.DIRPageCount == 0) {
      h.FirstDIRPageNo = new_page;
    } else {
      const int32_t last_page = dir_page_nos_.Item(dir_page_nos_.Count() - 1);
      TPageRecord last;
      if (!page_file_.ReadPageOfType(PageTypeDIR, last, last_page, 0)) {
        RaisePage("TDIRManager.AddItem - can not load last page, pageNo = ", last_page,
                  page_file_.LastFailureKind());
      }
      last.NextPageNo = new_page;
      if (!page_file_.WritePage(last, last_page, 0)) {
        RaisePage("TDIRManager.AddItem - can not save last page, pageNo = ", last_page,
                  page_file_.LastFailureKind());
      }
    }
    dir_page_nos_.Add(new_page);
    ++h.DIRPageCount;
  }

  // Nothing is added in memory to a container that cannot save it (a new
  // directory page is refused above already: no pages are given out).
  if (page_file_.ReadOnly()) {
    last_error_ = kPageWriteHeaderError;
    return -1;
  }
  ++h.DIRItemCount;
  dir_array_->Add(rec);
  open_counts_.Add(0);

  const int32_t item_no = dir_array_->ItemCount() - 1;
  const int32_t page_index = dir_page_nos_.Count() - 1;
  const int32_t page_no = dir_page_nos_.Item(page_index);
  if (item_no % entries_per_page_ != 0) {
    if (!page_file_.ReadPageOfType(PageTypeDIR, header, page_no, 0)) {
      RaisePage("TDIRManager.AddItem - can not load  page, pageNo = ", page_no,
                page_file_.LastFailureKind());
    }
  } else {
    header.PageType = PageTypeDIR;
    header.EncryptionType = h.Encrypted;
    header.ChecksumKind = 0;
    header.NextPageNo = page_no;  // the last page links to itself
  }
  if (!SavePage(page_index, header)) {
    RaisePage("TDIRManager.AddItem - can not save page, pageNo = ", page_no,
              page_file_.LastFailureKind());
  }
  page_file_.SaveHeader();
  return item_no;
}

int32_t TDIRManager::CreateEntry(const std::string& path, const std::string& password,
                                 const std::string& question, const std::string& answer) {
  if (path.empty() || path == "\\" || path == "/") return -1;
  TFileRec rec;
  std::string folder;
  std::string name;
  if (SplitPath(path, &folder, &name)) {
    // An empty folder part is the root: the path began with its separator.
    rec.ParentID = folder.empty() ? -1 : dir_array_->FindPath(folder, current_dir_index_);
  } else {
    rec.ParentID = current_dir_index_;
    name = path;
  }
  if (rec.ParentID < -1) return -1;
  rec.FileName = StoredFileName(name);
  if (!password.empty()) {
    rec.OwnEncryption = 1;
    BuildPasswordRecord(&rec.PasswordRecord, password, question, answer);
  }
  rec.FirstMapPageNo = -1;
  rec.FileSize = 0;
  rec.CreationTime = rec.LastWriteTime = rec.LastAccessTime = NowFileTime();
  rec.Attributes = 0;
  rec.OpenBlocked = 0;
  return StoreNewItem(rec);
}

int32_t TDIRManager::GetIndex(const std::string& path) const {
  return dir_array_->FindPath(path, current_dir_index_);
}

int32_t TDIRManager::OpenEntry(const std::string& path, const std::string& password,
                               std::string* key) {
  const int32_t i = GetIndex(path);
  if (i <= -1 || i >= dir_array_->ItemCount()) return -1;
  TFileRec rec = dir_array_->ReadItem(i);
  if (rec.OpenBlocked != 0) return -1;
  open_counts_.SetItem(i, open_counts_.Item(i) + 1);
  key->clear();
  if (rec.OwnEncryption != 0) UnlockPasswordRecord(rec.PasswordRecord, password, key);
  if (!page_file_.ReadOnly()) {
    rec.LastAccessTime = NowFileTime();
    WriteItem(i, rec);
  }
  return i;
}

void TDIRManager::CloseEntry(int32_t item_no) {
  if (item_no < 0 || item_no >= open_counts_.Count()) return;
  open_counts_.SetItem(item_no, open_counts_.Item(item_no) - 1);
}

int32_t TDIRManager::OpenCount(int32_t item_no) const {
  if (item_no < 0 || item_no >= dir_array_->ItemCount() || item_no >= open_counts_.Count()) {
    return -1;
  }
  return open_counts_.Item(item_no);
}

bool TDIRManager::CheckEntryPassword(const std::string& path, const std::string& password) {
  const int32_t i = GetIndex(path);
  if (i < 0 || i >= dir_array_->ItemCount()) return false;
  const TFileRec& rec = dir_array_->Item(i);
  if (rec.OwnEncryption == 0) return true;
  std::string key;
  const bool ok = UnlockPasswordRecord(rec.PasswordRecord, password, &key);
  WipeKeyText(&key);
  return ok;
}

int32_t TDIRManager::FindFirst(const std::string& path, int32_t attr, TSearchRec* search_rec) {
  return dir_array_->FindFirst(path, attr, current_dir_index_, search_rec);
}

int32_t TDIRManager::FindNext(TSearchRec* search_rec) { return dir_array_->FindNext(search_rec); }

void TDIRManager::FindClose(TSearchRec* search_rec) { dir_array_->FindClose(search_rec); }

bool TDIRManager::DirExists(const std::string& path) {
  if (path == "\\" || path == "/" || path == ".") return true;
  const bool absolute = !path.empty() && (path[0] == '\\' || path[0] == '/');
  TSearchRec search_rec;
  const int32_t result = dir_array_->FindFirst(path, kFileAttributeDirectory,
                                               absolute ? -1 : current_dir_index_, &search_rec);
  dir_array_->FindClose(&search_rec);
  return result == 0;
}

}  // namespace vor
