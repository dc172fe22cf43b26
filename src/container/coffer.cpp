// TCoffer: construction, passwords, handles and the file calls.
#include "container/coffer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/error.h"
#include "common/quoting.h"
#include "common/seek.h"
#include "container/page_walk.h"
#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/file_rec.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "container/store/page_map.h"
#include "crypto/mac.h"
#include "crypto/password_record.h"
#include "platform/fs.h"
#include "platform/input_dialog.h"
#include "platform/platform_error.h"

namespace vor {
namespace {

using coffer_detail::WalkPageRange;

constexpr int32_t kPageSize = 4096;
constexpr int32_t kExtentPageCount = 8;

// Overwrites a text that held key material and empties it.
void WipeText(std::string* text) {
  WipeKeyText(text);
  text->clear();
}

}  // namespace

TUserFileHandle::~TUserFileHandle() { WipeText(&Key); }

// ------------------------------------------------------------ construction

TCoffer::TCoffer(const std::string& file_name, uint16_t mode, const std::string& password,
                 const std::string& question, const std::string& answer, uint8_t compression) {
  // A change an earlier run left unfinished is rolled back before anything
  // reads the container.
  if (mode != kOpenModeCreate && (mode & kOpenModeAccessMask) != 0) Recover(file_name);
  // The record the check unlocks is handed to the real open: each unlock
  // takes a quarter of a second by design, and the same record gives the
  // same key.
  TUnlockedRecord unlocked;
  if (mode != kOpenModeCreate && !ProbePassword(file_name, password, &unlocked)) {
    throw EVorError(
        "TCoffer.Create - invalid password specified, file name = " + DoubleQuoted(file_name),
        ErrorKind::kWrongPassword);
  }
  mode_ = mode;
  file_name_ = file_name;
  page_file_ =
      std::make_unique<TPageFileManager>(file_name, mode, password, question, answer, false,
                                         kPageSize, kExtentPageCount, -1, &unlocked);
  if (mode == kOpenModeCreate) SetDefaultCompression(compression);
  password_ = password;
  BuildManagers();
  read_only_ = page_file_->ReadOnly();
  exclusive_ = page_file_->Exclusive();
  if (!IsProtected()) WipeText(&password_);
}

void TCoffer::BuildManagers() {
  free_space_ = std::make_unique<TFreeSpaceManager>(*page_file_);
  directory_ = std::make_unique<TDIRManager>(*page_file_, *free_space_);
  page_maps_ = std::make_unique<TUserFilePageMapManager>(*page_file_, *free_space_);
}

TCoffer::~TCoffer() {
  // The handles go without closing their entries: the directory goes too.
  handles_.SetCount(0);
  if (page_file_ != nullptr) {
    try {
      // An explicit transaction that was not committed, or one whose journal
      // failed, is undone; the changes made without one are kept.
      if (in_transaction_ || page_file_->TransactionFailed()) {
        page_file_->RollbackTransaction();
      } else {
        page_file_->CommitTransaction();
      }
    } catch (const std::exception&) {
      // The journal stays; the next open for writing rolls the change back.
    }
    try {
      page_file_->Flush();
    } catch (const std::exception&) {
      // A destructor cannot report; the volume flushes its parts again when
      // it is freed.
    }
  }
  page_maps_.reset();
  directory_.reset();
  free_space_.reset();
  page_file_.reset();
  WipeText(&password_);
}

bool TCoffer::Recover(const std::string& file_name) {
  const bool hot = TRollbackJournal::Exists(file_name);
  // A journal that never got its name is only removed.
  const bool incomplete = platform::GetFileAttributes(TRollbackJournal::NewPathFor(file_name)) !=
                          platform::kInvalidFileAttributes;
  if (!hot && !incomplete) return false;
  // Opening for writing plays the journal back; no key is needed for that.
  TPageFileManager recover(file_name, kOpenModeExclusiveReadWrite, "", "", "", false, kPageSize,
                           kExtentPageCount, -1);
  return hot;
}

bool TCoffer::CheckPassword(const std::string& file_name, const std::string& password) {
  TUnlockedRecord unlocked;
  return ProbePassword(file_name, password, &unlocked);
}

bool TCoffer::ProbePassword(const std::string& file_name, const std::string& password,
                            TUnlockedRecord* unlocked) {
  // The probe has unlocked the password record with password already.
  TPageFileManager probe(file_name, 0, password, "", "", false, kPageSize, kExtentPageCount, -1);
  if (probe.Header().Encrypted == 0) return true;
  if (!probe.PasswordAccepted()) return false;
  unlocked->record = probe.Header().PasswordRecord;
  unlocked->key_string = probe.PageKey();
  return true;
}

// ------------------------------------------------------------ transactions

void TCoffer::BeginTransaction() {
  if (in_transaction_) {
    throw EVorError("TCoffer.BeginTransaction - a transaction is running.", ErrorKind::kMisuse);
  }
  Commit();
  in_transaction_ = true;
}

void TCoffer::Commit() {
  in_transaction_ = false;
  if (page_file_->TransactionFailed()) {
    throw EVorError(
        "the changes to '" + file_name_ + "' cannot be committed: its journal could not be written",
        ErrorKind::kIo);
  }
  if (!page_file_->CommitTransaction()) {
    const uint32_t error = platform::LastOsError();
    const ErrorKind kind = platform::KindOfOsError(error);
    if (kind == ErrorKind::kDiskFull) {
      throw EVorError("disk full while writing '" + file_name_ + "'", ErrorKind::kDiskFull);
    }
    throw EVorError("the changes to '" + file_name_ + "' cannot be flushed to disk", kind);
  }
}

ErrorKind TCoffer::LastFailureKind() const {
  return page_file_->Store() != nullptr ? page_file_->Store()->LastFailureKind()
                                        : ErrorKind::kGeneral;
}

ErrorKind TCoffer::LastErrorKind() const {
  if (last_error_ == kPageWriteHeaderError || last_error_ == kPageWriteDataError) {
    return page_file_->LastFailureKind();
  }
  return KindOfResult(last_error_);
}

void TCoffer::Rollback() {
  in_transaction_ = false;
  handles_.SetCount(0);
  page_maps_.reset();
  directory_.reset();
  free_space_.reset();
  page_file_->RollbackTransaction();
  BuildManagers();
}

bool TCoffer::IsProtected() const { return page_file_->Header().Encrypted != 0; }

uint8_t TCoffer::DefaultCompression() const { return page_file_->Header().DefaultCompression; }

void TCoffer::SetDefaultCompression(uint8_t compression) {
  page_file_->Header().DefaultCompression = compression;
  page_file_->SaveHeader();
}

// ----------------------------------------------------------------- events

void TCoffer::DoPassword(const std::string& file_name, std::string& password, bool& cancel) {
  if (on_password_) {
    on_password_(*this, file_name, password, cancel);
    return;
  }
  cancel = !platform::InputQuery("Password for \"" + file_name + "\"", "Enter password: ", true,
                                 &password);
}

void TCoffer::DoNoSpace() {
  if (on_no_space_) on_no_space_(*this);
}

// ------------------------------------------------------------ open, close

int32_t TCoffer::FileCreate(const std::string& file_name, const std::string& password,
                            const std::string& question, const std::string& answer) {
  if (FileExists(file_name) && !DeleteFile(file_name)) return kFileInUse;
  const int32_t index = directory_->CreateEntry(file_name, password, question, answer);
  if (index < 0) {
    last_error_ = directory_->LastError();
    if (last_error_ == kNoFreePagesError) DoNoSpace();
  }
  return index;
}

int32_t TCoffer::FileOpen(const std::string& file_name, uint16_t mode, const std::string& password,
                          const std::string& question, const std::string& answer) {
  std::string given = password;
  open_failure_kind_ = ErrorKind::kNotFound;
  if (mode == kOpenModeCreate) {
    const int32_t created = FileCreate(file_name, password, question, answer);
    if (created < 0 && created != kFileInUse && last_error_ == kNoFreePagesError) {
      open_failure_kind_ = ErrorKind::kDiskFull;
    }
  } else if (FileExists(file_name) && !directory_->CheckEntryPassword(file_name, given)) {
    bool cancel = true;
    bool ok = false;
    do {
      cancel = true;
      DoPassword(file_name, given, cancel);
      ok = directory_->CheckEntryPassword(file_name, given);
    } while (!cancel && !ok);
    if (!ok) {
      WipeText(&given);
      open_failure_kind_ = ErrorKind::kWrongPassword;
      return kFileNotFound;
    }
  }
  auto handle = std::make_unique<TUserFileHandle>();
  const int32_t index = directory_->OpenEntry(file_name, given, &handle->Key);
  WipeText(&given);
  if (index < 0) return index;
  handle->EntryIndex = index;
  handle->Position = 0;
  handle->Mode = mode;
  const int32_t number = handles_.NextKey();
  handles_.Add(number, std::move(handle));
  return number;
}

void TCoffer::FileClose(int32_t handle) {
  const int32_t pos = handles_.IndexOf(handle);
  if (pos < 0) return;
  directory_->CloseEntry(handles_.ObjectAt(pos)->EntryIndex);
  handles_.DeleteAt(pos);
}

// ------------------------------------------------------------ read, write

const std::string& TCoffer::FileKey(const TUserFileHandle& handle, const TFileRec& rec) const {
  static const std::string kNone;
  if (rec.OwnEncryption != 0) return handle.Key;
  return IsProtected() ? page_file_->PageKey() : kNone;
}

int32_t TCoffer::FileRead(int32_t handle, void* buffer, int32_t count) {
  last_error_ = 0;
  TUserFileHandle* h = handles_.Find(handle);
  if (h == nullptr) return 0;
  TFileRec rec = directory_->ReadItem(h->EntryIndex);
  int64_t n = count;
  if (h->Position + count >= rec.FileSize) n = rec.FileSize - h->Position;
  if (n <= 0) return 0;

  TIntegerArray& pages = page_list_;
  page_maps_->GetPagesForRange(rec, false, h->Position, n, &pages);
  if (pages.Count() == 0)
    throw EVorError("TCoffer.FileRead - no pages were found by UFM.", ErrorKind::kDamaged);

  const int32_t data_size = page_file_->PageDataSize();
  const std::string& key = FileKey(*h, rec);
  page_buffer_.resize(static_cast<size_t>(data_size));
  uint8_t* out = static_cast<uint8_t*>(buffer);
  TPageRecord page;
  const int64_t done = WalkPageRange(
      pages, data_size, static_cast<int32_t>(h->Position % data_size), n,
      [&](int32_t first, int32_t run, int64_t at) {
        // Straight into the caller's buffer.
        const int32_t got = page_file_->ReadPageRun(first, run, out + at, key);
        if (got < run) last_error_ = page_file_->LastError();
        return got;
      },
      [&](int32_t page_no, int32_t offset, int32_t chunk, int64_t at) {
        page.pData = page_buffer_.data();
        if (!page_file_->ReadPageOfType(PageTypeData, page, page_no, data_size, key)) {
          last_error_ = page_file_->LastError();
          return false;
        }
        if (chunk > 0) {
          std::memcpy(out + at, page_buffer_.data() + offset, static_cast<size_t>(chunk));
        }
        return true;
      });
  page.pData = nullptr;
  h->Position += done;
  return static_cast<int32_t>(done);
}

int64_t TCoffer::FileSeek(int32_t handle, int32_t origin, int64_t offset) {
  TUserFileHandle* h = handles_.Find(handle);
  if (h == nullptr) return 0;
  const TFileRec rec = directory_->ReadItem(h->EntryIndex);
  h->Position = ResolveSeek(origin, offset, h->Position, rec.FileSize).value_or(h->Position);
  return h->Position;
}

// ------------------------------------------------------- names and records

bool TCoffer::DeleteFile(const std::string& file_name) {
  const int32_t index = directory_->GetIndex(file_name);
  if (index < 0 || directory_->OpenCount(index) > 0) return false;
  TFileRec rec = directory_->ReadItem(index);
  rec.Deleted = 1;
  rec.LastWriteTime = NowFileTime();
  rec.LastAccessTime = rec.LastWriteTime;
  page_maps_->ResizeFile(rec, true, 0);
  rec.FileSize = 0;
  directory_->WriteItem(index, rec);
  return true;
}

bool TCoffer::FileExists(const std::string& file_name) {
  return directory_->GetIndex(file_name) >= 0;
}

int32_t TCoffer::FileGetAttr(const std::string& file_name) {
  const int32_t index = directory_->GetIndex(file_name);
  if (index < 0) return 0;
  return static_cast<int32_t>(directory_->ReadItem(index).Attributes);
}

bool TCoffer::FolderExists(const std::string& path) { return directory_->DirExists(path); }

int32_t TCoffer::FindFirst(const std::string& path, int32_t attr, TSearchRec* search_rec) {
  return directory_->FindFirst(path, attr, search_rec);
}

int32_t TCoffer::FindNext(TSearchRec* search_rec) { return directory_->FindNext(search_rec); }

void TCoffer::FindClose(TSearchRec* search_rec) { directory_->FindClose(search_rec); }

// ------------------------------------------------------------ for writers

int32_t TCoffer::CreateFolder(const std::string& path) {
  // Walk the path from the root, making each missing folder in turn.
  std::string prefix;
  int32_t index = -1;
  size_t start = 0;
  bool any = false;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    if (part == "." || part == ".." || part.size() > static_cast<size_t>(kMaxFileNameLength)) {
      return -1;
    }
    any = true;
    prefix += "\\" + part;
    index = directory_->GetIndex(prefix);
    if (index >= 0) {
      if ((directory_->ReadItem(index).Attributes & kFileAttributeDirectory) == 0) return -1;
      continue;
    }
    index = directory_->CreateEntry(prefix, "", "", "");
    if (index < 0) {
      last_error_ = directory_->LastError();
      if (last_error_ == kNoFreePagesError) DoNoSpace();
      return -1;
    }
    TFileRec rec = directory_->ReadItem(index);
    rec.Attributes = kFileAttributeDirectory;
    directory_->WriteItem(index, rec);
  }
  return any ? index : -1;
}

bool TCoffer::FileSetAttr(const std::string& file_name, uint32_t attributes) {
  const int32_t index = directory_->GetIndex(file_name);
  if (index < 0) return false;
  TFileRec rec = directory_->ReadItem(index);
  rec.Attributes = attributes;
  directory_->WriteItem(index, rec);
  return true;
}

bool TCoffer::FileSetTimes(const std::string& file_name, uint64_t creation_time,
                           uint64_t last_write_time, uint64_t last_access_time) {
  const int32_t index = directory_->GetIndex(file_name);
  if (index < 0) return false;
  TFileRec rec = directory_->ReadItem(index);
  rec.CreationTime = creation_time;
  rec.LastWriteTime = last_write_time;
  rec.LastAccessTime = last_access_time;
  directory_->WriteItem(index, rec);
  return true;
}

}  // namespace vor
