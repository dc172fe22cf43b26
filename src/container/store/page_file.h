// TPageFileManager: a container as an array of fixed-size pages.
//
// Page N occupies volume data bytes N * PageSize .. N * PageSize + PageSize
// - 1. Page 0 holds the 256-byte TContainerHeader; every other page is a
// 32-byte page header and PageDataSize data bytes, checksummed as stored and
// enciphered with the page key when the page's EncryptionType says so.
//
// Creating and opening raise on failure. Page reads and writes report by
// result: false with a negative code in LastError (kPage*Error,
// common/result_code.h) and its kind in LastFailureKind.
//
// A container opened or created for writing on disk keeps a rollback journal
// (rollback_journal.h): the changes since the last commit form a
// transaction, which CommitTransaction makes durable and RollbackTransaction
// undoes; the destructor commits. Opening for writing first plays back a
// journal an earlier process left (or refuses one that cannot be trusted,
// kDamaged); opening for reading refuses while there is one (kUnfinished,
// or kDamaged for one that cannot be trusted).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/result_code.h"
#include "container/store/container_header.h"
#include "container/store/open_mode.h"
#include "container/store/page.h"
#include "container/store/rollback_journal.h"
#include "container/volume/multipart_volume.h"

namespace vor {

constexpr int32_t kMinPageSize = 600;
// Largest page size accepted, so that a damaged header cannot ask for huge
// page buffers.
constexpr int32_t kMaxPageSize = 1 << 20;
// Pages moved by one volume read or write in ReadPageRun and WritePageRun.
constexpr int32_t kPageRunLimit = 32;

class TPageFileManager {
 public:
  // mode kOpenModeCreate creates a new container at file_name (with a
  // password record when password is not empty); any other mode opens the
  // existing one. page_size and extent_page_count are checked in both cases
  // but only used when creating; part_size (-1 = automatic) likewise.
  // unlocked, when given, is a record the password has opened before: if
  // the container's header holds the very same record, its key string is
  // taken instead of unlocking the record again.
  TPageFileManager(const std::string& file_name, uint16_t mode, const std::string& password,
                   const std::string& question, const std::string& answer, bool in_memory,
                   int32_t page_size, int32_t extent_page_count, int64_t part_size,
                   const TUnlockedRecord* unlocked = nullptr);
  // Frees the volume (which flushes its parts), wipes the page key and
  // empties the page cipher cache.
  ~TPageFileManager();
  TPageFileManager(const TPageFileManager&) = delete;
  TPageFileManager& operator=(const TPageFileManager&) = delete;

  // Reads and checks the header; raises "TCoffer.LoadHeader - Invalid CFR
  // file, header is corrupted." when the signature, the checksum or one of
  // the geometry fields is wrong.
  void LoadHeader();
  // Reads the header into Header(); true when signature and checksum match.
  bool CheckHeader();
  // Recomputes the checksum and writes the header (nothing when read-only).
  // While the container keeps a journal the write waits for Flush, the
  // commit or the destructor, and the journal records the header first.
  void SaveHeader();

  // data_size < 0 means PageDataSize(), 0 the header only; an empty key
  // means PageKey(). The data is checked as stored and then deciphered in
  // place unless no_decode.
  bool ReadPage(TPageRecord& page, int32_t page_no, int32_t data_size,
                const std::string& key = std::string(), bool no_decode = false);
  // ReadPage of a page its reader knows the type of: a page of any other
  // type (a zeroed page has a valid checksum and type 0) fails with
  // kPageTypeError. Every reader of the engine's structures reads this way.
  bool ReadPageOfType(uint8_t page_type, TPageRecord& page, int32_t page_no, int32_t data_size,
                      const std::string& key = std::string());
  // Enciphers pData in place (when the page says so), sets page.Checksum and
  // writes header and data.
  bool WritePage(TPageRecord& page, int32_t page_no, int32_t data_size,
                 const std::string& key = std::string());

  // Reads count consecutive data pages, first_page_no onwards, with one
  // volume read per run of up to kPageRunLimit pages, and checks and
  // deciphers each page as ReadPageOfType(PageTypeData) does with its full
  // data size. Page k's data lands at
  // data + k * PageDataSize(). Returns the number of pages delivered; when it
  // is below count, the page after them failed and LastError says how.
  int32_t ReadPageRun(int32_t first_page_no, int32_t count, uint8_t* data,
                      const std::string& key = std::string());
  // Writes count consecutive pages, first_page_no onwards, with one volume
  // write per run of up to kPageRunLimit pages. Each page gets the header
  // fields of `header` (its Checksum set per page) and PageDataSize() bytes
  // from data + k * PageDataSize(), enciphered and checksummed as WritePage
  // does; data itself is not changed. Returns the number of pages written;
  // when it is below count, LastError says why.
  int32_t WritePageRun(const TPageRecord& header, int32_t first_page_no, int32_t count,
                       const uint8_t* data, const std::string& key = std::string());

  // Type 0: nothing. Type 1: Rijndael under key, in place. False when the
  // cipher fails or for any other type (no cipher goes with it).
  bool EncodeBuffer(uint8_t* data, int32_t size, uint8_t encryption_type, const std::string& key);
  bool DecodeBuffer(uint8_t* data, int32_t size, uint8_t encryption_type, const std::string& key);

  // Grows the container by count pages and saves the header; false (and the
  // header unchanged) when the volume cannot grow or is read-only, with the
  // reason in LastFailureKind (kDiskFull, kIo, kReadOnly, ...).
  bool AddPages(int32_t count);
  // Writes a header SaveHeader left pending and flushes the volume; false
  // when the system reports a failure.
  bool Flush();

  // The container changed since the last commit or rollback.
  bool InTransaction() const { return journal_ != nullptr && journal_->Active(); }
  // A journal write failed: the running transaction can only be rolled back.
  bool TransactionFailed() const { return journal_ != nullptr && journal_->Failed(); }
  // Makes the transaction durable; false (the journal kept, so the next open
  // rolls it back) when the container cannot be flushed.
  bool CommitTransaction();
  // Undoes the transaction on disk and reads the header again. The callers
  // must rebuild whatever they hold in memory.
  void RollbackTransaction();

  int32_t PageDataSize() const { return header_.PageSize - kPageHeaderSize; }
  int64_t PageOffset(int32_t page_no) const {
    return static_cast<int64_t>(page_no) * header_.PageSize;
  }
  void InitPage(TPageRecord& page) const { vor::InitPage(page, PageDataSize()); }
  void DonePage(TPageRecord& page) const { vor::DonePage(page); }

  TContainerHeader& Header() { return header_; }
  const TContainerHeader& Header() const { return header_; }
  const std::string& FileName() const { return file_name_; }
  bool InMemory() const { return in_memory_; }
  bool ReadOnly() const { return read_only_; }
  bool Exclusive() const { return exclusive_; }
  const std::string& PageKey() const { return page_key_; }
  // Whether the password given at construction unlocked the password record
  // (true for a container without one).
  bool PasswordAccepted() const { return password_accepted_; }
  int32_t LastError() const { return last_error_; }
  // The kind of the last failure reported by result: a page read or write
  // (its LastError code's kind; a write the disk refused for want of room is
  // kDiskFull, one refused because the container is read-only kReadOnly) or
  // AddPages. kGeneral until something failed.
  ErrorKind LastFailureKind() const { return last_failure_kind_; }
  // Records a write that is not taken because the container cannot be
  // written: LastError kPageWriteHeaderError, LastFailureKind kReadOnly.
  void RefuseWrite();
  TCFRHugeFile* Store() { return store_.get(); }
  const TCFRHugeFile* Store() const { return store_.get(); }

 private:
  static void CheckGeometry(int32_t page_size, int32_t extent_page_count);
  void CreateNew(const std::string& password, const std::string& question,
                 const std::string& answer, int32_t page_size, int32_t extent_page_count,
                 int64_t part_size);
  void OpenExisting();
  // Plays back (writing) or refuses (reading) a journal left by another run.
  void HandleLeftJournal();
  void StartJournal();
  // Writes the header SaveHeader left pending (raises when the journal
  // cannot record it).
  void WritePendingHeader();
  // Geometry and counts that later layers size buffers and loops by.
  bool HeaderFieldsSound() const;
  // Sets LastError to code and LastFailureKind to its kind.
  void Fail(int32_t code);
  const std::string& KeyOrPageKey(const std::string& key) const {
    return key.empty() ? page_key_ : key;
  }

  std::unique_ptr<TCFRHugeFile> store_;
  std::string file_name_;
  bool in_memory_ = false;
  TContainerHeader header_;
  bool read_only_ = false;
  bool exclusive_ = false;
  std::string page_key_;
  bool password_accepted_ = true;
  int32_t last_error_ = 0;
  ErrorKind last_failure_kind_ = ErrorKind::kGeneral;
  // Raw pages (headers and data) of one run; kept between calls.
  std::vector<uint8_t> run_buffer_;
  // Listens to store_ while the container is writable on disk.
  std::unique_ptr<TRollbackJournal> journal_;
  // header_ holds changes not yet written (only while journal_ is set).
  bool header_dirty_ = false;
};

}  // namespace vor
