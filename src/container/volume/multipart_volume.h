// TCFRHugeFile: a volume, one contiguous byte space kept in a chain of part
// files.
//
// Every part starts with a 280-byte TCFRVolumeHeader that names the next
// part's file (in the same folder). No part file grows beyond PartSize bytes,
// its header included; only the last part may be shorter. The first part may
// carry a prefix of HeaderOffset bytes in front of its header (an installer
// program with the volume appended); the prefix counts against the first
// part's PartSize, and it is found on opening by searching the file for a
// volume header directly followed by a container header.
//
// Logical position P lies in part Index at data offset Offset, where
// Q = P + HeaderOffset, Index = Q div PartDataSize, Offset = Q mod
// PartDataSize (less HeaderOffset in the first part).
//
// With InMemory the parts are memory copies of the part files and nothing is
// ever written back to disk; Close then keeps them, so the volume can be
// opened again from memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "container/volume/abstract_file.h"
#include "container/volume/volume_header.h"

namespace vor {

// Told by a volume before it changes its data or its set of part files (the
// rollback journal listens, so that it can save what is about to change).
// A listener that cannot do its work raises; the change is then not made.
class TVolumeObserver {
 public:
  virtual ~TVolumeObserver() = default;
  // Data bytes position .. position + count - 1 are about to change: a write
  // there, or a size change (the bytes between the old and the new size).
  // An observer that moves the volume's position must put it back.
  virtual void BeforeChange(int64_t position, int64_t count) = 0;
  // The part file path is about to be created.
  virtual void BeforeNewPart(const std::string& path) = 0;
};

class TCFRHugeFile {
 public:
  // part_size -1 chooses GetMaxPartSize(file_name) (2,147,483,647 when that
  // is not positive). Raises when the part size is below 380.
  TCFRHugeFile(const std::string& file_name, bool read_only, bool exclusive, bool in_memory,
               int64_t part_size);
  ~TCFRHugeFile();
  TCFRHugeFile(const TCFRHugeFile&) = delete;
  TCFRHugeFile& operator=(const TCFRHugeFile&) = delete;

  // InternalOpen(FileName(), create, force).
  bool Open(bool create, bool force);
  // create: deletes the volume's part files and starts a new, empty volume.
  // Otherwise opens the chain of parts; with force a chain that breaks after
  // the first part opens with the parts found before the break.
  bool InternalOpen(const std::string& file_name, bool create, bool force);
  void Close();
  // Flushes every part; false when any of them fails.
  bool Flush();

  // Reads up to count bytes at the position; raises when the position lies
  // beyond Size. Reads end where the last part ends.
  int32_t Read(void* buffer, int32_t count);
  void ReadBuffer(void* buffer, int32_t count);
  // Writes count bytes at the position, adding parts as needed; a position
  // beyond Size first extends the volume to it. Returns the bytes written.
  int32_t Write(const void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Origin 0 = from the beginning (a negative offset raises), 1 = from the
  // current position, 2 = from the end. Returns the new position.
  int64_t Seek(int64_t offset, uint16_t origin);
  int64_t GetPosition() { return Seek(0, 1); }
  // The position, without touching the part stores.
  int64_t Position() const { return position_; }
  void SetPosition(int64_t value) { Seek(value, 0); }
  int64_t GetSize() const { return size_; }
  // Grows or shrinks the volume, adding or deleting part files; the position
  // moves to the new end.
  void SetSize(int64_t value);
  // Removes the last part (and its file); raises with fewer than two parts.
  void DeleteLastPartFile();

  // Installs the listener (not owned; nullptr removes it).
  void SetObserver(TVolumeObserver* observer) { observer_ = observer; }
  TVolumeObserver* Observer() const { return observer_; }
  // The operating-system error code of the last failed open of the first
  // part (0 when it opened, or failed for another reason).
  uint32_t FirstPartOpenError() const { return first_part_open_error_; }
  // The operating-system error code of the last write, size change or new
  // part that failed (0 when none did).
  uint32_t LastFailure() const { return last_failure_; }
  // The kind of the last failure of a write, size change or new part,
  // including those Write reports only by its count (kDiskFull when the
  // disk is full, kReadOnly, kIo, ...); kGeneral when none failed.
  ErrorKind LastFailureKind() const { return last_failure_kind_; }
  // Rewrites the last part's header so that it names no further part.
  bool ClearLastPartLink();

  const std::string& FileName() const { return file_name_; }
  bool ReadOnly() const { return read_only_; }
  bool Exclusive() const { return exclusive_; }
  bool InMemory() const { return in_memory_; }
  bool Opened() const { return opened_; }
  int64_t PartSize() const { return part_size_; }
  int64_t PartDataSize() const { return part_data_size_; }
  int64_t HeaderOffset() const { return header_offset_; }
  size_t PartCount() const { return parts_.size(); }
  TCFRAbstractFile& Part(size_t index) { return *parts_[index]; }

 private:
  // Part index and data offset of logical position p.
  void MapPosition(int64_t p, int64_t* index, int64_t* offset) const;
  // Bytes from data offset `offset` to the end of part `index`.
  int64_t RoomLeft(int64_t index, int64_t offset) const;
  // File offset of the header / of data offset 0 in part `index`.
  int64_t HeaderPosition(size_t index) const { return index == 0 ? header_offset_ : 0; }
  int64_t DataStart(size_t index) const {
    return HeaderPosition(index) + static_cast<int64_t>(kVolumeHeaderSize);
  }

  std::unique_ptr<TCFRAbstractFile> NewStore(const std::string& name) const;
  bool LocateVolumeHeader(TCFRAbstractFile& first);
  bool IsVolumeHeaderAt(TCFRAbstractFile& first, int64_t offset, int64_t file_size);
  bool OpenPartFiles(const std::string& file_name);
  bool DeletePartFiles();
  bool AddPartFile();
  // Records a failed system call's code and kind.
  void NoteFailure(uint32_t code);
  // Rewrites part index's header with next_name, keeping its position.
  bool WritePartHeader(size_t index, const std::string& next_name);
  // Data bytes held by the open parts.
  int64_t SumOfPartData();
  // True when the volume may change files on disk.
  bool CanModifyDisk() const { return in_memory_ || !read_only_; }

  std::string file_name_;
  bool exclusive_;
  bool read_only_;
  bool in_memory_;
  int64_t position_ = 0;
  int64_t size_ = 0;
  int64_t part_size_ = 0;
  int64_t part_data_size_ = 0;
  std::vector<std::unique_ptr<TCFRAbstractFile>> parts_;
  bool opened_ = false;
  int64_t header_offset_ = 0;
  // The part whose store is positioned at position_, -1 when none is known
  // to be (then the next read or write positions its part first).
  int64_t positioned_part_ = -1;
  TCFRVolumeHeader header_;  // the buffer every header is read into and built in
  TVolumeObserver* observer_ = nullptr;
  uint32_t first_part_open_error_ = 0;
  uint32_t last_failure_ = 0;
  ErrorKind last_failure_kind_ = ErrorKind::kGeneral;
};

}  // namespace vor
