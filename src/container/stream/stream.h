// TStream: the abstract byte stream the container's file streams derive from,
// with a disk-file stream and a memory stream.
//
// A stream has a position and a size. Read and Write move up to count bytes
// at the position and advance it; Seek positions from the beginning (origin
// 0), the current position (1) or the end (2) and returns the new position;
// SetSize cuts or extends. The 32-bit forms of Seek and SetSize sign-extend
// their argument; Seek32 returns the low 32 bits of the new position.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"

namespace vor {

namespace platform {
class FileHandle;
}

class TStream {
 public:
  TStream() = default;
  virtual ~TStream();
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Bytes moved; fewer than count (or 0) when the stream cannot give or take
  // more.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, uint16_t origin) = 0;
  virtual int32_t Seek32(int32_t offset, uint16_t origin);
  virtual void SetSize(int64_t new_size) = 0;
  virtual void SetSize32(int32_t new_size);

  // Seek to the end and back.
  virtual int64_t Size();
  // Why the last Read or Write moved fewer bytes than asked, for streams
  // that know (a stored file: its container's disk was full, a page was
  // damaged, ...); kIo otherwise.
  virtual ErrorKind LastFailureKind() const { return ErrorKind::kIo; }
  int64_t Position() { return Seek(0, 1); }
  void SetPosition(int64_t position) { Seek(position, 0); }

  // Read / Write that must move exactly count bytes; raise "Stream read
  // error" (kDamaged: the data ends early) / "Stream write error" (with
  // LastFailureKind) otherwise.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source's position (count 0: the whole of source
  // from its beginning) to this stream's position; returns the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// How a TDiskFileStream opens its file.
enum class TDiskFileMode {
  kCreate,         // create or truncate, read-write, exclusive
  kOpenRead,       // an existing file, read-only, shared
  kOpenReadWrite,  // an existing file, read-write, exclusive
};

// A stream over an operating-system file.
class TDiskFileStream : public TStream {
 public:
  // Raises the platform error ("Cannot create file ..." / "Cannot open file
  // ...", followed by the system's text) when the file cannot be opened.
  TDiskFileStream(const std::string& path, TDiskFileMode mode);
  ~TDiskFileStream() override;
  // Makes a new, empty file at path, read-write and exclusive; null (nothing
  // raised, nothing changed) when anything of that name exists already or
  // the file cannot be made.
  static std::unique_ptr<TDiskFileStream> CreateNew(const std::string& path);

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, uint16_t origin) override;
  // Leaves the position at new_size; raises the platform error on failure.
  void SetSize(int64_t new_size) override;

  const std::string& FileName() const { return path_; }
  // The open file's attribute word, read through its handle (no lookup of
  // its path); false when the system cannot tell or the file is closed.
  bool GetAttributes(uint32_t* attributes);
  // Closes the file; reads and writes then transfer nothing.
  void Close();

 private:
  TDiskFileStream(const std::string& path, std::unique_ptr<platform::FileHandle> file);

  std::string path_;
  std::unique_ptr<platform::FileHandle> file_;
};

// A stream over a growable buffer in memory. Positions beyond the end are
// allowed; a write there fills the gap with zero bytes.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes);

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, uint16_t origin) override;
  // A position beyond the new size moves back to it.
  void SetSize(int64_t new_size) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const std::string& Bytes() const { return data_; }
  std::string& MutableBytes() { return data_; }

 private:
  std::string data_;
  int64_t position_ = 0;
};

}  // namespace vor
