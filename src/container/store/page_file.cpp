#include "container/store/page_file.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "common/error.h"
#include "common/quoting.h"
#include "crypto/checksum.h"
#include "crypto/mac.h"
#include "crypto/page_cipher.h"
#include "crypto/password_record.h"
#include "platform/fs.h"
#include "platform/platform_error.h"

namespace vor {

namespace {

constexpr char kCorruptedHeader[] = "TCoffer.LoadHeader - Invalid CFR file, header is corrupted.";

}  // namespace

TPageFileManager::TPageFileManager(const std::string& file_name, uint16_t mode,
                                   const std::string& password, const std::string& question,
                                   const std::string& answer, bool in_memory, int32_t page_size,
                                   int32_t extent_page_count, int64_t part_size,
                                   const TUnlockedRecord* unlocked)
    : file_name_(file_name), in_memory_(in_memory) {
  CheckGeometry(page_size, extent_page_count);
  if (mode == kOpenModeCreate) {
    read_only_ = false;
    exclusive_ = true;
    CreateNew(password, question, answer, page_size, extent_page_count, part_size);
  } else {
    read_only_ = (mode & kOpenModeAccessMask) == 0;
    exclusive_ = (mode & kOpenModeExclusive) != 0;
    OpenExisting();
  }
  if (header_.Encrypted != 1) return;
  if (mode != kOpenModeCreate && unlocked != nullptr &&
      unlocked->SameRecord(header_.PasswordRecord)) {
    page_key_ = unlocked->key_string;
    password_accepted_ = true;
    return;
  }
  password_accepted_ = UnlockPasswordRecord(header_.PasswordRecord, password, &page_key_);
}

TPageFileManager::~TPageFileManager() {
  if (journal_ != nullptr) {
    try {
      WritePendingHeader();
      journal_->Commit();
    } catch (const std::exception&) {
      // The journal stays; the next open rolls the change back.
    }
    store_->SetObserver(nullptr);
    journal_.reset();
  }
  WipeKeyText(&page_key_);
  // The cipher cache holds keys set up from this container's key strings.
  ClearPageCipherCache();
}

void TPageFileManager::CheckGeometry(int32_t page_size, int32_t extent_page_count) {
  if (page_size < kMinPageSize) {
    throw EVorError("TPageFileManager.Create - page size should be >= " +
                        std::to_string(kMinPageSize) + "bytes .",
                    ErrorKind::kMisuse);
  }
  if (page_size > kMaxPageSize) {
    throw EVorError("TPageFileManager.Create - page size should be <= " +
                        std::to_string(kMaxPageSize) + "bytes .",
                    ErrorKind::kMisuse);
  }
  if (extent_page_count <= 0) {
    throw EVorError("TPageFileManager.Create - extent page count should be >= 1 Page.",
                    ErrorKind::kMisuse);
  }
}

void TPageFileManager::CreateNew(const std::string& password, const std::string& question,
                                 const std::string& answer, int32_t page_size,
                                 int32_t extent_page_count, int64_t part_size) {
  store_ =
      std::make_unique<TCFRHugeFile>(file_name_, read_only_, exclusive_, in_memory_, part_size);
  // A volume that could not be created fails at the first write below.
  store_->Open(true, false);
  header_ = TContainerHeader();
  header_.SetSignature();
  header_.FormatVersion = kContainerFormatVersion;
  header_.PageSize = page_size;
  header_.ExtentPageCount = extent_page_count;
  header_.FirstExtentPageNo = 1;
  header_.FilePageCount = 1;
  header_.Encrypted = 0;
  if (!password.empty()) {
    header_.Encrypted = 1;
    BuildPasswordRecord(&header_.PasswordRecord, password, question, answer);
  }
  SaveHeader();
  StartJournal();
}

void TPageFileManager::StartJournal() {
  if (read_only_ || in_memory_ || store_ == nullptr || !store_->Opened()) return;
  journal_ = std::make_unique<TRollbackJournal>(*store_, header_.PageSize);
  store_->SetObserver(journal_.get());
}

void TPageFileManager::HandleLeftJournal() {
  if (in_memory_) return;
  // A journal that never got its name held no change.
  if (!read_only_) TRollbackJournal::DropIncomplete(file_name_);
  if (!TRollbackJournal::Exists(file_name_)) return;
  if (read_only_) {
    // One that cannot be trusted says so (kDamaged); a sound one waits for
    // a writer.
    TRollbackJournal::Verify(*store_);
    throw EVorError(SingleQuoted(file_name_) + " has an unfinished change (the journal " +
                        SingleQuoted(TRollbackJournal::PathFor(file_name_)) +
                        "): it is rolled back when the container is next opened by a program "
                        "that can write the container and its folder",
                    ErrorKind::kUnfinished);
  }
  TRollbackJournal::PlayBack(*store_);
}

void TPageFileManager::OpenExisting() {
  if (!platform::FileExists(file_name_)) {
    throw EVorError("File '" + file_name_ + "' not found", ErrorKind::kNotFound);
  }
  store_ = std::make_unique<TCFRHugeFile>(file_name_, read_only_, exclusive_, in_memory_, -1);
  if (!store_->Open(false, true)) {
    const uint32_t error = store_->FirstPartOpenError();
    store_.reset();
    const platform::OsErrorClass cls = platform::ClassifyOsError(error);
    if (error != 0 && cls == platform::OsErrorClass::kInUse) {
      throw EVorError(SingleQuoted(file_name_) + " is in use by another program",
                      ErrorKind::kInUse);
    }
    if (error != 0 && cls == platform::OsErrorClass::kAccessDenied) {
      if (!read_only_)
        throw EVorError(SingleQuoted(file_name_) + " is read-only", ErrorKind::kReadOnly);
      throw EVorError(
          SingleQuoted(file_name_) + " cannot be opened: " + platform::OsErrorMessage(error),
          ErrorKind::kIo);
    }
    throw EVorError("File " + platform::ExtractFileName(file_name_) + " has corrupted header.",
                    ErrorKind::kDamaged);
  }
  HandleLeftJournal();
  LoadHeader();
  StartJournal();
}

void TPageFileManager::LoadHeader() {
  if (!CheckHeader() || !HeaderFieldsSound())
    throw EVorError(kCorruptedHeader, ErrorKind::kDamaged);
}

bool TPageFileManager::CheckHeader() {
  uint8_t bytes[kContainerHeaderSize];
  store_->Seek(0, 0);
  store_->ReadBuffer(bytes, kContainerHeaderSize);
  header_.Decode(bytes);
  return header_.HasSignature() &&
         header_.HeaderChecksum ==
             ComputeChecksum(bytes + 12, kContainerHeaderSize - 12, ChecksumXor);
}

bool TPageFileManager::HeaderFieldsSound() const {
  const TContainerHeader& h = header_;
  return h.PageSize >= kMinPageSize && h.PageSize <= kMaxPageSize && h.ExtentPageCount >= 1 &&
         h.FirstExtentPageNo == 1 && h.FilePageCount >= 1 && h.GAMPageCount >= 0 &&
         h.PFSPageCount >= 0 && h.DIRPageCount >= 0 && h.DIRItemCount >= 0;
}

void TPageFileManager::SaveHeader() {
  if (read_only_) return;
  header_.HeaderChecksum = header_.ComputeHeaderChecksum();
  header_dirty_ = true;
  // Under a journal the header goes to disk when the change is flushed or
  // committed, once per transaction, after the journal has recorded it.
  if (journal_ == nullptr) WritePendingHeader();
}

void TPageFileManager::WritePendingHeader() {
  if (!header_dirty_ || read_only_) return;
  uint8_t bytes[kContainerHeaderSize];
  header_.Encode(bytes);
  if (journal_ != nullptr) journal_->BeforeHeaderWrite(bytes);
  store_->Seek(0, 0);
  store_->WriteBuffer(bytes, kContainerHeaderSize);
  header_dirty_ = false;
}

bool TPageFileManager::ReadPage(TPageRecord& page, int32_t page_no, int32_t data_size,
                                const std::string& key, bool no_decode) {
  last_error_ = 0;
  if (data_size < 0) data_size = PageDataSize();
  // A page number from a damaged chain must not reach the volume's seek
  // (negative) or read (beyond the end, which raises there).
  const int64_t offset = PageOffset(page_no);
  if (page_no < 0 || offset > store_->GetSize()) {
    Fail(kPageReadHeaderError);
    return false;
  }
  store_->Seek(offset, 0);
  if (data_size == 0 || page.pData == nullptr) {
    uint8_t header[kPageHeaderSize];
    if (store_->Read(header, kPageHeaderSize) < kPageHeaderSize) {
      Fail(kPageReadHeaderError);
      return false;
    }
    page.DecodeHeader(header);
    if (data_size == 0) return true;
    throw EVorError("TPageFileManager.ReadPage - pData is nil.", ErrorKind::kMisuse);
  }
  // Header and data in one read; a short one says which of them fell short.
  const size_t raw_size = static_cast<size_t>(kPageHeaderSize) + static_cast<size_t>(data_size);
  if (run_buffer_.size() < raw_size) run_buffer_.resize(raw_size);
  const int32_t got = store_->Read(run_buffer_.data(), static_cast<int32_t>(raw_size));
  if (got < kPageHeaderSize) {
    Fail(kPageReadHeaderError);
    return false;
  }
  page.DecodeHeader(run_buffer_.data());
  if (got - kPageHeaderSize < data_size) {
    Fail(kPageReadDataError);
    return false;
  }
  std::memcpy(page.pData, run_buffer_.data() + kPageHeaderSize, static_cast<size_t>(data_size));
  if (!VerifyChecksum(page.pData, data_size, page.ChecksumKind, page.Checksum)) {
    Fail(kPageChecksumError);
    return false;
  }
  if (!no_decode && !DecodeBuffer(page.pData, data_size, page.EncryptionType, KeyOrPageKey(key))) {
    Fail(kPageDecodeError);
    return false;
  }
  return true;
}

bool TPageFileManager::ReadPageOfType(uint8_t page_type, TPageRecord& page, int32_t page_no,
                                      int32_t data_size, const std::string& key) {
  if (!ReadPage(page, page_no, data_size, key)) return false;
  if (page.PageType != page_type) {
    Fail(kPageTypeError);
    return false;
  }
  return true;
}

int32_t TPageFileManager::ReadPageRun(int32_t first_page_no, int32_t count, uint8_t* data,
                                      const std::string& key) {
  last_error_ = 0;
  const int32_t page_size = header_.PageSize;
  const int32_t data_size = PageDataSize();
  const std::string& page_key = KeyOrPageKey(key);
  int32_t done = 0;
  while (done < count) {
    const int32_t page_no = first_page_no + done;
    const int64_t offset = PageOffset(page_no);
    if (page_no < 0 || offset > store_->GetSize()) {
      Fail(kPageReadHeaderError);
      return done;
    }
    const int32_t run = std::min(count - done, kPageRunLimit);
    const size_t raw_size = static_cast<size_t>(run) * static_cast<size_t>(page_size);
    if (run_buffer_.size() < raw_size) run_buffer_.resize(raw_size);
    store_->Seek(offset, 0);
    const int32_t got = store_->Read(run_buffer_.data(), static_cast<int32_t>(raw_size));
    for (int32_t k = 0; k < run; ++k) {
      const int32_t at = k * page_size;
      if (got - at < page_size) {
        Fail(got - at < kPageHeaderSize ? kPageReadHeaderError : kPageReadDataError);
        return done;
      }
      TPageRecord page;
      page.DecodeHeader(run_buffer_.data() + at);
      const uint8_t* stored = run_buffer_.data() + at + kPageHeaderSize;
      if (!VerifyChecksum(stored, data_size, page.ChecksumKind, page.Checksum)) {
        Fail(kPageChecksumError);
        return done;
      }
      if (page.PageType != PageTypeData) {
        Fail(kPageTypeError);
        return done;
      }
      uint8_t* out = data + static_cast<size_t>(done) * static_cast<size_t>(data_size);
      std::memcpy(out, stored, static_cast<size_t>(data_size));
      if (!DecodeBuffer(out, data_size, page.EncryptionType, page_key)) {
        Fail(kPageDecodeError);
        return done;
      }
      ++done;
    }
  }
  return done;
}

bool TPageFileManager::EncodeBuffer(uint8_t* data, int32_t size, uint8_t encryption_type,
                                    const std::string& key) {
  if (encryption_type == EncryptionNone) return true;
  // Like DecodeBuffer, an unknown type is reported by result: WritePage
  // then fails with kPageEncodeError and writes nothing.
  if (encryption_type != EncryptionRijndael) return false;
  try {
    EncipherPageData(key, data, size);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool TPageFileManager::DecodeBuffer(uint8_t* data, int32_t size, uint8_t encryption_type,
                                    const std::string& key) {
  if (encryption_type == EncryptionNone) return true;
  if (encryption_type != EncryptionRijndael) return false;
  try {
    DecipherPageData(key, data, size);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool TPageFileManager::AddPages(int32_t count) {
  if (read_only_ || count < 0) {
    last_failure_kind_ = read_only_ ? ErrorKind::kReadOnly : ErrorKind::kMisuse;
    return false;
  }
  const int64_t pages = static_cast<int64_t>(header_.FilePageCount) + count;
  if (pages > INT32_MAX) {
    last_failure_kind_ = ErrorKind::kDiskFull;  // no page numbers left
    return false;
  }
  const int64_t target = pages * header_.PageSize;
  // A volume that cannot grow is reported by result; what stopped it is
  // kept as LastFailureKind.
  try {
    store_->SetSize(target);
    if (store_->GetSize() != target) {
      last_failure_kind_ = store_->LastFailureKind();
      return false;
    }
  } catch (const EVorError& e) {
    // The journal could not protect the growth: that is no lack of room,
    // and its own message says what failed.
    if (TransactionFailed()) throw;
    last_failure_kind_ = e.Kind();
    return false;
  } catch (const std::exception&) {
    last_failure_kind_ = ErrorKind::kGeneral;  // out of memory
    return false;
  }
  header_.FilePageCount = static_cast<int32_t>(pages);
  SaveHeader();
  return true;
}

void TPageFileManager::RefuseWrite() {
  Fail(kPageWriteHeaderError);
  last_failure_kind_ = ErrorKind::kReadOnly;
}

void TPageFileManager::Fail(int32_t code) {
  last_error_ = code;
  last_failure_kind_ = KindOfResult(code);
  // A write the volume could not make: the disk says why (full, or failing).
  if ((code == kPageWriteHeaderError || code == kPageWriteDataError) && store_ != nullptr &&
      store_->LastFailure() != 0) {
    last_failure_kind_ = platform::KindOfOsError(store_->LastFailure());
  }
}

bool TPageFileManager::Flush() {
  WritePendingHeader();
  return store_->Flush();
}

bool TPageFileManager::CommitTransaction() {
  if (journal_ == nullptr) return true;
  WritePendingHeader();
  return journal_->Commit();
}

void TPageFileManager::RollbackTransaction() {
  if (journal_ == nullptr) return;
  header_dirty_ = false;
  journal_->Rollback();
  LoadHeader();
}

}  // namespace vor
