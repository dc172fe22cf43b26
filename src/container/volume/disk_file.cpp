#include "container/volume/disk_file.h"

#include <limits>

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
  if (!handle_->Truncate(value)) platform::RaiseLastOsError();
  position_ = value;
}

int64_t TCFRDiskFile::GetSize() { return handle_ == nullptr ? -1 : handle_->Size(); }

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
  position_ = 0;
  return handle_ != nullptr;
}

int32_t TCFRDiskFile::Read(void* buffer, int32_t count) {
  if (handle_ == nullptr) return -1;
  const int32_t got = handle_->ReadAt(position_, buffer, count);
  if (got > 0) position_ += got;
  return got;
}

int64_t TCFRDiskFile::Seek(int64_t offset, uint16_t origin) {
  if (handle_ == nullptr) return -1;
  int64_t base;
  switch (origin) {
    case platform::kSeekBegin:
      base = 0;
      break;
    case platform::kSeekCurrent:
      base = position_;
      break;
    case platform::kSeekEnd:
      base = handle_->Size();
      if (base < 0) return -1;
      break;
    default:
      return -1;
  }
  // A position before the start (or beyond what 64 bits hold) is refused
  // and the position stays, as the system's seek does.
  if (offset > 0 ? base > std::numeric_limits<int64_t>::max() - offset : base + offset < 0) {
    return -1;
  }
  position_ = base + offset;
  return position_;
}

int32_t TCFRDiskFile::Write(const void* buffer, int32_t count) {
  if (handle_ == nullptr) return -1;
  if (count <= 0) return 0;
  const int32_t written = handle_->WriteAt(position_, buffer, count);
  if (written > 0) position_ += written;
  return written;
}

}  // namespace vor
