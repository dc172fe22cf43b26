// Memory and file byte streams.

#include "crypto/protection_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/platform_error.h"

namespace vor {

int32_t MemoryByteStream::Read(void* buffer, int32_t count) {
  const int64_t size = Size();
  if (count <= 0 || position_ >= size) return 0;
  const int32_t n = static_cast<int32_t>(std::min<int64_t>(count, size - position_));
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t MemoryByteStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const size_t end = static_cast<size_t>(position_) + static_cast<size_t>(count);
  if (end > data_.size()) data_.resize(end, '\0');
  std::memcpy(&data_[static_cast<size_t>(position_)], buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

int64_t MemoryByteStream::Seek(int64_t offset, platform::SeekOrigin origin) {
  int64_t base = 0;
  if (origin == platform::kSeekCurrent) base = position_;
  if (origin == platform::kSeekEnd) base = Size();
  position_ = std::max<int64_t>(0, base + offset);
  return position_;
}

void MemoryByteStream::Truncate() {
  if (position_ < Size()) data_.resize(static_cast<size_t>(position_));
}

std::unique_ptr<FileByteStream> FileByteStream::Open(const std::string& path, Mode mode) {
  using platform::FileAccess;
  using platform::FileDisposition;
  using platform::FileShare;
  std::unique_ptr<platform::FileHandle> file;
  switch (mode) {
    case Mode::kReadShared:
      file = platform::FileHandle::Open(path, FileAccess::kReadOnly, FileShare::kShared,
                                        FileDisposition::kOpenExisting, false);
      break;
    case Mode::kReadWrite:
      file = platform::FileHandle::Open(path, FileAccess::kReadWrite, FileShare::kExclusive,
                                        FileDisposition::kOpenExisting, false);
      break;
    case Mode::kCreate:
      file = platform::FileHandle::Open(path, FileAccess::kReadWrite, FileShare::kExclusive,
                                        FileDisposition::kCreateAlways, false);
      break;
  }
  if (!file) platform::RaiseLastOsError();
  return std::make_unique<FileByteStream>(std::move(file));
}

int32_t FileByteStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int32_t n = file_->Read(buffer, count);
  if (n < 0) platform::RaiseLastOsError();
  return n;
}

int32_t FileByteStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int32_t n = file_->Write(buffer, count);
  if (n != count) platform::RaiseLastOsError();
  return n;
}

int64_t FileByteStream::Seek(int64_t offset, platform::SeekOrigin origin) {
  const int64_t position = file_->Seek(offset, origin);
  if (position < 0) platform::RaiseLastOsError();
  return position;
}

int64_t FileByteStream::Size() {
  const int64_t current = Seek(0, platform::kSeekCurrent);
  const int64_t end = Seek(0, platform::kSeekEnd);
  Seek(current, platform::kSeekBegin);
  return end;
}

void FileByteStream::Truncate() {
  if (!file_->SetEndOfFile()) platform::RaiseLastOsError();
}

}  // namespace vor
