// TRollbackJournal: makes each change of a container all or nothing.
//
// Pages are changed in place. Before the first change of a transaction the
// journal is made as "<first part>-journal-new": a header that names the
// container it belongs to (the volume's size, the CRC-32 of its header and
// of the header fields fixed at creation, the names of its part files) and a
// random nonce; the file is flushed and renamed to "<first part>-journal",
// and the folder flushed. A journal file of that name thus always has a
// whole header. Before a page that existed when the transaction began is
// changed for the first time, its original bytes are appended (with the
// page number and a checksum that takes in the nonce) and the journal is
// flushed; pages beyond the original end need no copy, and neither do part
// files the transaction adds (their names are recorded before they are
// made). Before the container header is written, the CRC-32 of the header
// about to be written is recorded. Commit flushes the container and then
// deletes the journal.
//
// A journal that is still there when the container is next opened ("hot")
// is checked whole before anything is restored: its header must verify,
// name this container (its parts and creation values) and a state the
// transaction could have left (the header it began with or one it
// recorded), and every entry must verify. Then the pages are restored, the
// volume is cut to its old size and parts, the added part files go, the
// container is flushed and only then is the journal deleted. A journal that
// fails any check is refused and kept, and the container is not touched.
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
  // The name a journal is made under before it is complete.
  static std::string NewPathFor(const std::string& container_path);
  // Checks the journal of volume's container without changing anything:
  // raises (kDamaged) when it cannot be trusted, as PlayBack does.
  static void Verify(TCFRHugeFile& volume);
  // Plays back the journal of volume's container (open for writing, with no
  // observer): checks it whole, restores the pages, cuts the volume to its
  // old size and parts, deletes the part files the transaction added,
  // flushes, and deletes the journal. Returns false when there was none.
  // Raises, keeping the journal and leaving the container untouched, when
  // the journal cannot be trusted (kDamaged: a header or an entry that does
  // not verify, another container, another state of this one, a part file
  // missing) or the folder cannot take the journal's removal (kReadOnly);
  // raises with the journal kept when a restore or the deletion fails.
  static bool PlayBack(TCFRHugeFile& volume);
  // Removes a journal that was never completed (a crash before its rename):
  // the container was not touched under it.
  static void DropIncomplete(const std::string& container_path);

  // TVolumeObserver: starts the transaction's journal on the first change;
  // saves the original bytes of the pages in the range and flushes the
  // journal before returning. Raises when the journal cannot be written
  // (the change must then not be made).
  void BeforeChange(int64_t position, int64_t count) override;
  void BeforeNewPart(const std::string& path) override;
  // The container header is about to be written with the 256 bytes at
  // header: records their CRC-32 (and saves page 0 when this is the
  // transaction's first change of it) and flushes the journal.
  void BeforeHeaderWrite(const uint8_t* header);

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
  // Appends the original bytes of page p unless they are saved already.
  bool SavePage(int64_t p, std::vector<uint8_t>* buffer);
  void FlushJournal();
  [[noreturn]] void Fail(const char* what);
  // Forgets the running transaction (its file closed, nothing deleted).
  void Reset();

  TCFRHugeFile& volume_;
  int32_t page_size_;
  std::string path_;
  std::unique_ptr<TCFRAbstractFile> store_;  // the open journal, null when idle
  int64_t end_ = 0;                          // bytes in the journal
  uint64_t nonce_ = 0;
  int64_t original_size_ = 0;
  // One flag per page that existed when the transaction began: saved yet.
  std::vector<bool> saved_;
  bool failed_ = false;
};

}  // namespace vor
