// TCFRMemoryFile: a byte store in a growable memory buffer.
//
// Positions and sizes are 32-bit (at most 2,147,483,647 bytes): Seek takes
// the low 32 bits of its offset and sign-extends the result. Only creation
// opens a memory store; Close frees the bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "container/volume/abstract_file.h"

namespace vor {

class TCFRMemoryFile : public TCFRAbstractFile {
 public:
  TCFRMemoryFile(const std::string& file_name, bool read_only, bool exclusive);
  ~TCFRMemoryFile() override;

  // Resizes the buffer (new bytes are zero); a position beyond the new size
  // moves to the end. Sizes outside 0 .. 2,147,483,647 raise.
  void SetSize(int64_t value) override;

  void Close() override;
  bool Flush() override { return true; }
  // create = false raises; create = true makes an empty buffer.
  bool Open(bool create) override;
  bool IsOpen() const override { return stream_ != nullptr; }
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, uint16_t origin) override;
  int32_t Write(const void* buffer, int32_t count) override;

 private:
  struct Stream {
    std::vector<uint8_t> bytes;
    int32_t position = 0;  // may lie beyond the end, or below 0 after a wild seek
  };
  std::unique_ptr<Stream> stream_;  // null while closed
};

}  // namespace vor
