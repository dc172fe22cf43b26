// TCFRUserFileStream: a stream over one container file handle.
#include "container/stream/user_file_stream.h"

#include "common/error.h"
#include "common/quoting.h"

namespace vor {

TCFRUserFileStream::TCFRUserFileStream(IHandleFiles* coffer, const std::string& file_name,
                                       uint16_t mode, const std::string& password,
                                       const std::string& question, const std::string& answer)
    : file_name_(file_name) {
  if (coffer == nullptr)
    throw EVorError("TCFRUserFileStream.Create - Coffer = nil!", ErrorKind::kMisuse);
  coffer_ = coffer;
  handle_ = coffer_->FileOpen(file_name, mode, password, question, answer);
  if (handle_ < 0) {
    throw EVorError("TCFRUserFileStream.Create - unable to open file " + DoubleQuoted(file_name),
                    coffer_->OpenFailureKind());
  }
}

TCFRUserFileStream::~TCFRUserFileStream() { coffer_->FileClose(handle_); }

ErrorKind TCFRUserFileStream::LastFailureKind() const {
  const ErrorKind kind = coffer_->LastErrorKind();
  return kind == ErrorKind::kGeneral ? ErrorKind::kIo : kind;
}

int32_t TCFRUserFileStream::Read(void* buffer, int32_t count) {
  return coffer_->FileRead(handle_, buffer, count);
}

int32_t TCFRUserFileStream::Write(const void* buffer, int32_t count) {
  return coffer_->FileWrite(handle_, buffer, count);
}

int64_t TCFRUserFileStream::Seek(int64_t offset, uint16_t origin) {
  return coffer_->FileSeek(handle_, origin, offset);
}

void TCFRUserFileStream::SetSize(int64_t new_size) { coffer_->FileSetSize(handle_, new_size); }

}  // namespace vor
