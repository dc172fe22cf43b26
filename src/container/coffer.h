// TCoffer: one open container and the file calls over it.
//
// Builds the page file, the allocation maps, the directory and the page maps
// on top of one another and offers handle-based access to the stored files
// in the manner of an operating system's file calls: create, open, read,
// write, seek, set size, close, delete, existence, attributes and search.
// Handles are numbered from 0 and a closed handle's number is never given
// out again. Operations that return a signed number return a negative code
// on failure (kFileNotFound, kInvalidHandle, kFileInUse of
// common/result_code.h; LastError keeps the page-level code); structural
// failures raise EVorError.
//
// Events are bound callbacks; an event that is not assigned is not called.
// A TCoffer must outlive every stream opened on it.
//
// Changes are transactions (the page file's rollback journal): between
// BeginTransaction and Commit they are all or nothing, whatever happens to
// the process; Rollback, or destroying the TCoffer without Commit, undoes
// them. Changes made outside BeginTransaction .. Commit form one transaction
// from the first of them until the next BeginTransaction or the destructor,
// which commits it. Opening a container for writing first rolls back a
// change an earlier run left unfinished; opening it for reading refuses
// while one is there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/result_code.h"
#include "container/store/engine_arrays.h"
#include "container/store/name_utils.h"
#include "container/stream/handle_files.h"
#include "crypto/password_record.h"

namespace vor {

class TExportAhead;
class TExportFolders;
class TPageFileManager;
class TFreeSpaceManager;
class TDIRManager;
class TUserFilePageMapManager;
struct TFileRec;

// What ExportFiles reads ahead by default: unpacked bytes and files.
constexpr int64_t kExportAheadBytes = 16 * 1048576;
constexpr int32_t kExportAheadFiles = 64;

// One open handle.
struct TUserFileHandle {
  int32_t EntryIndex = -1;  // item number of the file's record
  int64_t Position = 0;
  int32_t Mode = 0;  // the open mode given to FileOpen
  // The key string of the file's pages when it has a password of its own.
  std::string Key;

  ~TUserFileHandle();
};

class TCoffer : public IHandleFiles {
 public:
  using ProgressEvent = std::function<void(TCoffer& sender, bool& abort, double percent)>;
  using FileProgressEvent =
      std::function<void(TCoffer& sender, const std::string& file_name, double percent)>;
  using OverwriteEvent = std::function<void(TCoffer& sender, const std::string& local_name,
                                            const std::string& container_name, bool& overwrite)>;
  using NoSpaceEvent = std::function<void(TCoffer& sender)>;
  using PasswordEvent = std::function<void(TCoffer& sender, const std::string& file_name,
                                           std::string& password, bool& cancel)>;

  // Opens (any mode but 0xFFFF) or creates (0xFFFF) the container file_name
  // with page size 4096 and extent page count 8. Opening first checks the
  // password and raises "TCoffer.Create - invalid password specified, file
  // name = "..."" when it is wrong. Question, answer and compression are used
  // only when creating.
  TCoffer(const std::string& file_name, uint16_t mode, const std::string& password,
          const std::string& question, const std::string& answer, uint8_t compression);
  // Drops the open handles (without closing their entries), flushes the
  // page file and frees the page maps, directory, allocation maps and page
  // file, in that order.
  ~TCoffer() override;
  TCoffer(const TCoffer&) = delete;
  TCoffer& operator=(const TCoffer&) = delete;

  // Whether password opens the container file_name: always true for a
  // container without a password. Raises when the file cannot be opened.
  static bool CheckPassword(const std::string& file_name, const std::string& password);
  // Rolls back a change an earlier run left unfinished in the container
  // file_name (opening it for writing, which needs no password); returns
  // false when there is none. Raises when the container cannot be opened
  // for writing (kReadOnly, kInUse, ...), when its folder cannot take the
  // journal's removal (kReadOnly), or when the journal cannot be trusted
  // (kDamaged; it is kept and the container left as it is).
  static bool Recover(const std::string& file_name);

  // Starts a transaction, committing the changes made before it. Raises when
  // one is running already.
  void BeginTransaction();
  // Makes the running transaction's changes durable and ends it. Raises
  // (kIo, kDiskFull) when the container cannot be flushed; the changes are
  // then undone on the next open, or by Rollback.
  void Commit();
  // Undoes every change since the last commit and ends the transaction. The
  // open handles are dropped (their numbers are no longer valid) and the
  // directory and maps are read again. After a failed Rollback the object
  // can only be destroyed (the next open for writing finishes the job).
  void Rollback();
  bool InTransaction() const { return in_transaction_; }
  // The kind of the last disk failure of the container's volume (kDiskFull
  // when the disk ran out of room); kGeneral when none failed.
  ErrorKind LastFailureKind() const;
  // Why the last FileOpen that returned a negative code failed: kNotFound
  // (no such file, or its record is blocked), kWrongPassword (the file's own
  // password was not given), kDiskFull (no room to create it) or the kind of
  // its result code.
  ErrorKind OpenFailureKind() const override { return open_failure_kind_; }

  bool IsProtected() const;
  uint8_t DefaultCompression() const override;
  // Stores the type in the container header and saves the header.
  void SetDefaultCompression(uint8_t compression);

  // A new, empty file record (with its own password record when password is
  // not empty), replacing a file of that name that is not open: its
  // directory index, kFileInUse, or -1 with LastError (-17: no space).
  int32_t FileCreate(const std::string& file_name, const std::string& password,
                     const std::string& question, const std::string& answer);
  // Opens a file (mode 0xFFFF: creates it first; an open file of that name
  // is opened unchanged). A file with its own password that password does
  // not open asks OnPassword, or the input dialog, until it is given or the
  // prompt is cancelled. Returns the handle number or a negative code.
  int32_t FileOpen(const std::string& file_name, uint16_t mode, const std::string& password,
                   const std::string& question, const std::string& answer) override;
  // Closes a handle; an unknown number is ignored.
  void FileClose(int32_t handle) override;
  // Bytes read or written at the handle's position, which advances; a
  // failure shows as a short count with LastError set. An unknown handle
  // moves nothing.
  int32_t FileRead(int32_t handle, void* buffer, int32_t count) override;
  int32_t FileWrite(int32_t handle, const void* buffer, int32_t count) override;
  // Origin 0 from the beginning, 1 from the position, 2 from the end; the
  // new position (0 for an unknown handle). The position is not bounded.
  int64_t FileSeek(int32_t handle, int32_t origin, int64_t offset) override;
  // Cuts or extends the file (new pages are zero) and moves the handle's
  // position to new_size; returns new_size, kInvalidHandle for an unknown
  // handle, kFileNotFound for a negative size, or LastError's code.
  int64_t FileSetSize(int32_t handle, int64_t new_size) override;

  // Deletes a file that is not open (its pages are released).
  bool DeleteFile(const std::string& file_name);
  // A record of that path exists (file or folder; the root does not count).
  bool FileExists(const std::string& file_name);
  // The record's attribute word; 0 when there is none.
  int32_t FileGetAttr(const std::string& file_name);
  bool FolderExists(const std::string& path);
  // The directory's folder search: 0 when an entry was delivered.
  int32_t FindFirst(const std::string& path, int32_t attr, TSearchRec* search_rec);
  int32_t FindNext(TSearchRec* search_rec);
  void FindClose(TSearchRec* search_rec);

  // Operations for writers of containers.
  //
  // Makes path a folder record (attribute 0x10), making every missing parent
  // folder as well. Returns the folder's directory index (also when it
  // existed already), -1 when a part of the path is a file or not a valid
  // name, or -1 with LastError -17 (OnNoSpace called) when no page was left.
  int32_t CreateFolder(const std::string& path);
  // Replaces the attribute word of the record at path; false when there is
  // no such record (the root has none).
  bool FileSetAttr(const std::string& file_name, uint32_t attributes);
  // Replaces the three times (UTC FILETIMEs) of the record at path.
  bool FileSetTimes(const std::string& file_name, uint64_t creation_time, uint64_t last_write_time,
                    uint64_t last_access_time);

  // Copies files of the folder tree Mask names to DestDir (coffer_export.cpp).
  // OverwriteMode 0 replaces existing disk files, 1 skips them, 2 asks
  // OnOverwrite. Disk names are resolved against DestDir; a stored name that
  // would leave DestDir or is not valid on disk raises before anything of
  // that entry is written.
  void ExportFiles(const std::string& mask, const std::string& dest_dir, int32_t attr,
                   bool recursive, uint8_t overwrite_mode);
  // How far ExportFiles reads ahead: while it writes one file, a second
  // thread unpacks the blocks of the next ones, at most bytes of unpacked
  // data and files files ahead (0: everything in its turn on the calling
  // thread). Events, files and errors are the same either way.
  void SetExportReadAhead(int64_t bytes, int32_t files) {
    export_ahead_bytes_ = bytes;
    export_ahead_files_ = files;
  }

  // The page file, for tools that inspect the container's structures.
  TPageFileManager& PageFile() { return *page_file_; }
  bool ReadOnly() const { return read_only_; }
  bool Exclusive() const { return exclusive_; }
  bool Abort() const { return abort_; }
  void SetAbort(bool value) { abort_ = value; }
  const std::string& FileName() const { return file_name_; }
  uint16_t Mode() const { return mode_; }
  // The container password; empty when the container is not enciphered.
  const std::string& Password() const { return password_; }
  const std::string& CurrentFileName() const { return current_file_name_; }
  int32_t LastError() const override { return last_error_; }
  // The kind of LastError's code (a page write the disk refused: the disk's
  // reason, kDiskFull when it was full); kGeneral when it is 0.
  ErrorKind LastErrorKind() const override;
  double ExportDone() const { return export_done_; }
  double ExportTotal() const { return export_total_; }
  // Handles currently open.
  int32_t HandleCount() const { return handles_.Count(); }
  // The handle's record, null when the number is not open.
  const TUserFileHandle* Handle(int32_t handle) const { return handles_.Find(handle); }

  void SetOnProgress(ProgressEvent event) { on_progress_ = std::move(event); }
  void SetOnFileProgress(FileProgressEvent event) { on_file_progress_ = std::move(event); }
  void SetOnOverwrite(OverwriteEvent event) { on_overwrite_ = std::move(event); }
  void SetOnNoSpace(NoSpaceEvent event) { on_no_space_ = std::move(event); }
  void SetOnPassword(PasswordEvent event) { on_password_ = std::move(event); }

 private:
  // CheckPassword that also hands back the record the password opened, so
  // that the real open need not unlock it again.
  static bool ProbePassword(const std::string& file_name, const std::string& password,
                            TUnlockedRecord* unlocked);
  // Scan results of ExportFiles.
  struct ExportList;

  // Asks for a file's password: OnPassword, or the input dialog.
  void DoPassword(const std::string& file_name, std::string& password, bool& cancel);
  void DoNoSpace();
  // Makes the allocation maps, the directory and the page maps from disk.
  void BuildManagers();
  // The key string of the file's data pages.
  const std::string& FileKey(const TUserFileHandle& handle, const TFileRec& rec) const;

  void ExportScan(const std::string& folder, const std::string& root, const std::string& file_mask,
                  int32_t attr, bool recursive, ExportList& list);
  void ExportItem(TExportFolders& folders, const std::string& root, const std::string& rel_dir,
                  const std::string& name, uint8_t overwrite_mode, size_t index,
                  TExportAhead* ahead);

  std::unique_ptr<TPageFileManager> page_file_;
  std::unique_ptr<TDIRManager> directory_;
  std::unique_ptr<TFreeSpaceManager> free_space_;
  std::unique_ptr<TUserFilePageMapManager> page_maps_;
  bool in_transaction_ = false;
  TSortedPtrArray<std::unique_ptr<TUserFileHandle>> handles_{0, 10, 1000};
  bool read_only_ = false;
  bool exclusive_ = false;
  bool abort_ = false;
  std::string password_;
  std::string file_name_;
  uint16_t mode_ = 0;
  double export_done_ = 0;
  double export_total_ = 0;
  int64_t export_ahead_bytes_ = kExportAheadBytes;
  int32_t export_ahead_files_ = kExportAheadFiles;
  ProgressEvent on_progress_;
  FileProgressEvent on_file_progress_;
  OverwriteEvent on_overwrite_;
  NoSpaceEvent on_no_space_;
  PasswordEvent on_password_;
  std::string current_file_name_;
  int32_t last_error_ = 0;
  ErrorKind open_failure_kind_ = ErrorKind::kGeneral;
  // Kept between FileRead and FileWrite calls: the page list of the range
  // and the buffer of a page that is read or written only in part.
  TIntegerArray page_list_{0, 10, 100};
  std::vector<uint8_t> page_buffer_;
};

}  // namespace vor
