// TCFRDiskFile: a byte store over an operating-system file.
//
// Opened read-only or read-write, exclusive (no sharing) or shared for
// reading and writing, always with the random-access hint. Close flushes.
//
// The store keeps its own position and moves bytes with positioned reads
// and writes, so that reading or writing a page costs no seek.
#pragma once

#include <memory>

#include "container/volume/abstract_file.h"
#include "platform/file.h"

namespace vor {

class TCFRDiskFile : public TCFRAbstractFile {
 public:
  TCFRDiskFile(const std::string& file_name, bool read_only, bool exclusive);
  ~TCFRDiskFile() override;

  // A changed mode reopens an open file so that it applies at once.
  void SetExclusive(bool value) override;
  void SetReadOnly(bool value) override;
  // Seeks to value and sets the end of file there; raises the platform error
  // when that fails.
  void SetSize(int64_t value) override;
  // The file's length; the position is kept.
  int64_t GetSize() override;

  void Close() override;
  bool Flush() override;
  bool Open(bool create) override;
  bool IsOpen() const override { return handle_ != nullptr; }
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, uint16_t origin) override;
  int32_t Write(const void* buffer, int32_t count) override;

 private:
  std::unique_ptr<platform::FileHandle> handle_;  // null while closed
  int64_t position_ = 0;
};

}  // namespace vor
