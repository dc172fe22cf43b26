// TCFRAbstractFile: a random-access byte store.
//
// The root of the container's byte stores: a named store that is opened,
// read, written, positioned and sized. TCFRDiskFile keeps the bytes in an
// operating-system file, TCFRMemoryFile in a growable memory buffer. A store
// is closed after construction; Open opens it; the destructor closes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vor {

class TCFRAbstractFile {
 public:
  TCFRAbstractFile(const std::string& file_name, bool read_only, bool exclusive);
  virtual ~TCFRAbstractFile();
  TCFRAbstractFile(const TCFRAbstractFile&) = delete;
  TCFRAbstractFile& operator=(const TCFRAbstractFile&) = delete;

  const std::string& FileName() const { return file_name_; }
  void SetFileName(const std::string& value) { file_name_ = value; }
  bool Exclusive() const { return exclusive_; }
  bool ReadOnly() const { return read_only_; }

  // Stores the mode; an open disk store takes the new mode at once.
  virtual void SetExclusive(bool value);
  virtual void SetReadOnly(bool value);
  // Seek(value, 0) and Seek(0, 1).
  virtual void SetPosition(int64_t value);
  virtual int64_t GetPosition();
  virtual void SetSize(int64_t value) = 0;
  // The end position; the current position is kept.
  virtual int64_t GetSize();

  virtual void Close() = 0;
  // Makes the written bytes durable; false when the system reports a failure.
  virtual bool Flush() = 0;
  // create = true makes a new, empty store (an existing one is truncated).
  virtual bool Open(bool create) = 0;
  virtual bool IsOpen() const = 0;
  // Bytes read (fewer at the end), -1 on failure.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Origin 0 = from the beginning, 1 = from the current position, 2 = from
  // the end; returns the new position.
  virtual int64_t Seek(int64_t offset, uint16_t origin) = 0;
  // Bytes written, -1 on failure.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;

  // Read / Write that must move exactly count bytes, else raise.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Closes and opens the store again, keeping the position.
  void Reopen();
  // Copies count bytes from source's position to this store's position;
  // count 0 copies the whole of source from its beginning. Returns the bytes
  // copied.
  int64_t CopyFrom(TCFRAbstractFile& source, int64_t count);

 private:
  std::string file_name_;
  bool exclusive_;
  bool read_only_;
};

}  // namespace vor
