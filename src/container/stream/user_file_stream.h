// TCFRUserFileStream: the raw bytes of one stored file as a stream.
//
// Holds one handle of a container (which it does not own) from construction to
// destruction; reads, writes, seeks and size changes go to the container's
// file calls on that handle. A failed read or write shows only as a shorter
// count, with the code in the container's LastError.
#pragma once

#include <cstdint>
#include <string>

#include "container/stream/handle_files.h"
#include "container/stream/stream.h"

namespace vor {

class TCFRUserFileStream : public TStream {
 public:
  // Opens (or with mode 0xFFFF creates) file_name; raises
  // "TCFRUserFileStream.Create - Coffer = nil!" without a container and
  // "TCFRUserFileStream.Create - unable to open file "..."" when the open
  // fails.
  TCFRUserFileStream(IHandleFiles* coffer, const std::string& file_name, uint16_t mode,
                     const std::string& password, const std::string& question,
                     const std::string& answer);
  // Closes the handle.
  ~TCFRUserFileStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, uint16_t origin) override;
  void SetSize(int64_t new_size) override;
  // The kind of the TCoffer's LastError (kIo when it holds none).
  ErrorKind LastFailureKind() const override;

  IHandleFiles* Coffer() const { return coffer_; }
  const std::string& FileName() const { return file_name_; }
  int32_t Handle() const { return handle_; }

 private:
  IHandleFiles* coffer_ = nullptr;
  std::string file_name_;
  int32_t handle_ = -1;
};

}  // namespace vor
