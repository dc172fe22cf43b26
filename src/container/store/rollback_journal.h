// TRollbackJournal: makes each change of a container all or nothing.
//
// Pages are changed in place. Before the first change of a transaction the
// journal file "<first part>-journal" is made beside the container: it holds
// the volume's size and the names of its part files. Before a page that
// existed when the transaction began is changed for the first time, its
// original bytes are appended (with the page number and a checksum) and the
// journal is flushed to disk; pages beyond the original end need no copy,
// and neither do part files the transaction adds (their names are recorded
// before they are made). Commit flushes the container and then deletes the
// journal. A journal that is still there when the container is next opened
// for writing ("hot") is played back: the pages are restored, the volume is
// cut to its old size and parts, the added part files go, and the journal
// is deleted. So after any crash the container holds either everything a
// transaction did or nothing of it.
//
// A container's transaction states, as this class moves between them:
//
//   state            event                                   next state
//   open (idle)      the first change (BeforeChange,         journal written: the file is
//                    BeforeNewPart)                          made and its header flushed
//   journal written  a page changed for the first time       journal written: its original
//                                                            appended and flushed first
//   journal written  a journal write fails                   failed: only Rollback is left
//   journal written  Commit: container flushed, journal      open (committed)
//                    deleted
//   journal written  Commit cannot flush or delete           journal written (kept, so that
//                                                            the next open rolls back)
//   journal written  Rollback, or the next open for writing  open (rolled back: PlayBack)
//   or failed        after a crash ("hot" journal)
//
// The journal file byte by byte: docs/format.md, section 15.
// A journal whose header is incomplete or fails its checksum holds no change
// (the container was not touched before the header was durable); a record
// that is incomplete or fails its checksum ends the journal (the change it
// was to protect was not made).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "container/volume/abstract_file.h"
#include "container/volume/multipart_volume.h"

namespace vor {

class TRollbackJournal : public TVolumeObserver {
 public:
  // Journals changes of volume, whose pages are page_size bytes. Nothing is
  // written before the first change.
  TRollbackJournal(TCFRHugeFile& volume, int32_t page_size);
  ~TRollbackJournal() override;
  TRollbackJournal(const TRollbackJournal&) = delete;
  TRollbackJournal& operator=(const TRollbackJournal&) = delete;

  // The journal file of the container whose first part is container_path.
  static std::string PathFor(const std::string& container_path);
  // Whether a journal file exists for the container.
  static bool Exists(const std::string& container_path);
  // Whether that journal holds a change to undo (its header is whole).
  static bool HoldsChange(const std::string& container_path);
  // Plays back the journal of volume's container (open for writing, with no
  // observer): restores the pages, cuts the volume to its old size and
  // parts, deletes the part files the transaction added, flushes, and
  // deletes the journal. A journal that holds no change is just deleted.
  // Returns whether any change was undone. Raises (kDamaged) when the
  // container no longer has the parts the journal names, and (kIo and the
  // like) when the journal cannot be read or deleted; it stays then.
  static bool PlayBack(TCFRHugeFile& volume);

  // TVolumeObserver: starts the transaction's journal on the first change;
  // saves the original bytes of the pages in the range and flushes the
  // journal before returning. Raises when the journal cannot be written
  // (the change must then not be made).
  void BeforeChange(int64_t position, int64_t count) override;
  void BeforeNewPart(const std::string& path) override;

  // A transaction's journal exists (the container has changed since the
  // last commit or rollback).
  bool Active() const { return store_ != nullptr; }
  // Flushes the container and deletes the journal. False, with the journal
  // kept (so the next open rolls the change back), when the container
  // cannot be flushed or the journal cannot be deleted.
  bool Commit();
  // Undoes the running transaction (PlayBack of its journal).
  void Rollback();
  // Set when a journal write failed: the transaction can only be rolled back.
  bool Failed() const { return failed_; }

 private:
  void Start();
  void Append(int32_t tag, const uint8_t* bytes, uint32_t length);
  void FlushJournal();
  [[noreturn]] void Fail(const char* what);
  // Forgets the running transaction (its file closed, nothing deleted).
  void Reset();

  TCFRHugeFile& volume_;
  int32_t page_size_;
  std::string path_;
  std::unique_ptr<TCFRAbstractFile> store_;  // the open journal, null when idle
  int64_t end_ = 0;                          // bytes in the journal
  uint32_t nonce_ = 0;
  int64_t original_size_ = 0;
  // One flag per page that existed when the transaction began: saved yet.
  std::vector<bool> saved_;
  bool failed_ = false;
};

}  // namespace vor
