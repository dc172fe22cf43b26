// Byte streams for the protection passes.
//
// ProcessStream and ProcessFile of TProtection work on any ByteStream: a
// seekable sequence of bytes with a size. MemoryByteStream keeps its bytes
// in a std::string; FileByteStream is an open operating-system file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"

namespace vor {

class ByteStream {
 public:
  ByteStream() = default;
  virtual ~ByteStream() = default;
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;

  // Reads up to count bytes at the position; returns the bytes read (0 at
  // the end). Raises on a failure of the underlying store.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes count bytes at the position, growing the stream as needed.
  // Returns the bytes written; raises on failure.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Moves the position and returns the new one; raises on failure.
  virtual int64_t Seek(int64_t offset, platform::SeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  // Ends the stream at the current position.
  virtual void Truncate() = 0;

  int64_t Position() { return Seek(0, platform::kSeekCurrent); }
};

// A stream over bytes held in memory. A seek past the end is allowed; a
// write there fills the gap with zero bytes.
class MemoryByteStream : public ByteStream {
 public:
  MemoryByteStream() = default;
  explicit MemoryByteStream(std::string data) : data_(std::move(data)) {}

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, platform::SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void Truncate() override;

  const std::string& Data() const { return data_; }
  std::string& MutableData() { return data_; }

 private:
  std::string data_;
  int64_t position_ = 0;
};

// A stream over an open file. Failures of the operating system raise the
// platform error with the system's code and message.
class FileByteStream : public ByteStream {
 public:
  enum class Mode {
    kReadShared,  // existing file, read-only, others may read and write
    kReadWrite,   // existing file, read and write, exclusive
    kCreate,      // new or replaced file, read and write, exclusive
  };

  // Opens path; raises the platform error when the system refuses.
  static std::unique_ptr<FileByteStream> Open(const std::string& path, Mode mode);

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, platform::SeekOrigin origin) override;
  int64_t Size() override;
  void Truncate() override;

  explicit FileByteStream(std::unique_ptr<platform::FileHandle> file) : file_(std::move(file)) {}

 private:
  std::unique_ptr<platform::FileHandle> file_;
};

}  // namespace vor
