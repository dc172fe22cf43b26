// TCFRFileStream: the stream through which a stored file is read and written.
//
// Owns a TCFRAdvancedFileStream (which owns the raw stream and its container
// handle). Refuses writes and size changes when opened read-only (open mode
// with its low two bits 0), hands its progress event to the block stream
// before every read, write and save, and saves the whole content to a disk
// file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "container/stream/block_stream.h"
#include "container/stream/stream.h"

namespace vor {

class IHandleFiles;

class TCFRFileStream : public TStream {
 public:
  using ProgressEvent = TCFRAdvancedFileStream::ProgressEvent;

  // Mode 0xFFFF creates file_name with the compression type (0: the
  // container's default); any other mode opens it, and its stored header
  // decides the type.
  TCFRFileStream(IHandleFiles* coffer, const std::string& file_name, uint16_t mode,
                 const std::string& password, const std::string& question,
                 const std::string& answer, uint8_t compression);
  ~TCFRFileStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  // Raises "TCFRFileStream.Write - file is in read only mode." when read-only.
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, uint16_t origin) override;
  // Raises "TCFRFileStream.SetSize - file is in read only mode." when
  // read-only.
  void SetSize(int64_t new_size) override;
  ErrorKind LastFailureKind() const override { return stream_->LastFailureKind(); }
  void SaveToFile(const std::string& path);

  void SetOnProgress(ProgressEvent event) { on_progress_ = std::move(event); }
  bool ReadOnly() const { return read_only_; }
  uint16_t Mode() const { return mode_; }
  const std::string& FileName() const { return file_name_; }
  TCFRAdvancedFileStream& BlockStream() { return *stream_; }

 private:
  std::unique_ptr<TCFRAdvancedFileStream> stream_;
  ProgressEvent on_progress_;
  uint16_t mode_ = 0;
  std::string file_name_;
  std::string password_;
  bool read_only_ = false;
};

}  // namespace vor
