#include "container/volume/disk_file.h"

#include "common/error.h"
#include "platform/platform_error.h"

namespace vor {

TCFRDiskFile::TCFRDiskFile(const std::string& file_name, bool read_only, bool exclusive)
    : TCFRAbstractFile(file_name, read_only, exclusive) {}

TCFRDiskFile::~TCFRDiskFile() { Close(); }

void TCFRDiskFile::SetExclusive(bool value) {
  if (value == Exclusive()) return;
  TCFRAbstractFile::SetExclusive(value);
  Reopen();
}

void TCFRDiskFile::SetReadOnly(bool value) {
  if (value == ReadOnly()) return;
  TCFRAbstractFile::SetReadOnly(value);
  Reopen();
}

void TCFRDiskFile::SetSize(int64_t value) {
  if (handle_ == nullptr)
    throw EVorError("TCFRDiskFile.SetSize - File is not open.", ErrorKind::kMisuse);
  if (handle_->Seek(value, platform::kSeekBegin) < 0 || !handle_->SetEndOfFile()) {
    platform::RaiseLastOsError();
  }
}

void TCFRDiskFile::Close() {
  if (handle_ == nullptr) return;
  Flush();
  handle_.reset();
}

bool TCFRDiskFile::Flush() { return handle_ == nullptr || handle_->Flush(); }

bool TCFRDiskFile::Open(bool create) {
  Close();
  handle_ = platform::FileHandle::Open(
      FileName(), ReadOnly() ? platform::FileAccess::kReadOnly : platform::FileAccess::kReadWrite,
      Exclusive() ? platform::FileShare::kExclusive : platform::FileShare::kShared,
      create ? platform::FileDisposition::kCreateAlways : platform::FileDisposition::kOpenExisting,
      /*random_access=*/true);
  return handle_ != nullptr;
}

int32_t TCFRDiskFile::Read(void* buffer, int32_t count) {
  return handle_ == nullptr ? -1 : handle_->Read(buffer, count);
}

int64_t TCFRDiskFile::Seek(int64_t offset, uint16_t origin) {
  return handle_ == nullptr ? -1 : handle_->Seek(offset, static_cast<platform::SeekOrigin>(origin));
}

int32_t TCFRDiskFile::Write(const void* buffer, int32_t count) {
  return handle_ == nullptr ? -1 : handle_->Write(buffer, count);
}

}  // namespace vor
