// TCFRFileStream: read-only refusals and progress over the block stream.
#include "container/stream/file_stream.h"

#include <algorithm>

#include "common/error.h"
#include "container/store/page_file.h"
#include "crypto/mac.h"

namespace vor {

TCFRFileStream::TCFRFileStream(IHandleFiles* coffer, const std::string& file_name, uint16_t mode,
                               const std::string& password, const std::string& question,
                               const std::string& answer, uint8_t compression)
    : file_name_(file_name), password_(password) {
  read_only_ = (mode & kOpenModeAccessMask) == 0;
  if (mode == kOpenModeCreate) {
    stream_ = std::make_unique<TCFRAdvancedFileStream>(coffer, compression, question, answer,
                                                       password, mode, file_name);
  } else {
    stream_ =
        std::make_unique<TCFRAdvancedFileStream>(coffer, 0, "", "", password, mode, file_name);
  }
  stream_->SetOnProgress(on_progress_);
  mode_ = mode;
}

TCFRFileStream::~TCFRFileStream() { WipeKeyText(&password_); }

int32_t TCFRFileStream::Read(void* buffer, int32_t count) {
  stream_->SetOnProgress(on_progress_);
  return stream_->Read(buffer, count);
}

int32_t TCFRFileStream::Write(const void* buffer, int32_t count) {
  if (read_only_)
    throw EVorError("TCFRFileStream.Write - file is in read only mode.", ErrorKind::kReadOnly);
  stream_->SetOnProgress(on_progress_);
  return stream_->Write(buffer, count);
}

int64_t TCFRFileStream::Seek(int64_t offset, uint16_t origin) {
  return stream_->Seek(offset, origin);
}

void TCFRFileStream::SetSize(int64_t new_size) {
  if (read_only_)
    throw EVorError("TCFRFileStream.SetSize - file is in read only mode.", ErrorKind::kReadOnly);
  stream_->SetSize(new_size);
}

void TCFRFileStream::SaveToFile(const std::string& path) {
  stream_->SetOnProgress(on_progress_);
  stream_->SaveToFile(path);
}

}  // namespace vor
