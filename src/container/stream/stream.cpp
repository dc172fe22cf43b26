// TStream, TDiskFileStream and TMemoryStream.
#include "container/stream/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/error.h"
#include "common/seek.h"
#include "platform/file.h"
#include "platform/platform_error.h"

namespace vor {

// ---------------------------------------------------------------- TStream

TStream::~TStream() = default;

int32_t TStream::Seek32(int32_t offset, uint16_t origin) {
  return static_cast<int32_t>(static_cast<uint32_t>(Seek(static_cast<int64_t>(offset), origin)));
}

void TStream::SetSize32(int32_t new_size) { SetSize(static_cast<int64_t>(new_size)); }

int64_t TStream::Size() {
  const int64_t position = Seek(0, 1);
  const int64_t size = Seek(0, 2);
  Seek(position, 0);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count)
    throw EVorError("Stream read error", ErrorKind::kDamaged);
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) {
    throw EVorError("Stream write error", LastFailureKind());
  }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.Seek(0, 0);
    count = source.Size();
  }
  constexpr int32_t kChunk = 1 << 20;
  std::vector<uint8_t> buffer(
      static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), kChunk)));
  int64_t remaining = count;
  while (remaining > 0) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(remaining, kChunk));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    remaining -= n;
  }
  return count;
}

// --------------------------------------------------------- TDiskFileStream

TDiskFileStream::TDiskFileStream(const std::string& path, TDiskFileMode mode) : path_(path) {
  using platform::FileAccess;
  using platform::FileDisposition;
  using platform::FileShare;
  switch (mode) {
    case TDiskFileMode::kCreate:
      file_ = platform::FileHandle::Open(path, FileAccess::kReadWrite, FileShare::kExclusive,
                                         FileDisposition::kCreateAlways, false);
      break;
    case TDiskFileMode::kOpenRead:
      file_ = platform::FileHandle::Open(path, FileAccess::kReadOnly, FileShare::kShared,
                                         FileDisposition::kOpenExisting, false);
      break;
    case TDiskFileMode::kOpenReadWrite:
      file_ = platform::FileHandle::Open(path, FileAccess::kReadWrite, FileShare::kExclusive,
                                         FileDisposition::kOpenExisting, false);
      break;
  }
  if (file_ == nullptr) {
    const uint32_t code = platform::LastOsError();
    const char* what =
        mode == TDiskFileMode::kCreate ? "Cannot create file \"" : "Cannot open file \"";
    throw platform::EPlatformError(code, what + path + "\". " + platform::OsErrorMessage(code));
  }
}

TDiskFileStream::TDiskFileStream(const std::string& path,
                                 std::unique_ptr<platform::FileHandle> file)
    : path_(path), file_(std::move(file)) {}

std::unique_ptr<TDiskFileStream> TDiskFileStream::CreateNew(const std::string& path) {
  std::unique_ptr<platform::FileHandle> file = platform::FileHandle::Open(
      path, platform::FileAccess::kReadWrite, platform::FileShare::kExclusive,
      platform::FileDisposition::kCreateNew, false);
  if (file == nullptr) return nullptr;
  return std::unique_ptr<TDiskFileStream>(new TDiskFileStream(path, std::move(file)));
}

TDiskFileStream::~TDiskFileStream() = default;

int32_t TDiskFileStream::Read(void* buffer, int32_t count) {
  return file_ == nullptr ? 0 : std::max(file_->Read(buffer, count), 0);
}

int32_t TDiskFileStream::Write(const void* buffer, int32_t count) {
  return file_ == nullptr ? 0 : std::max(file_->Write(buffer, count), 0);
}

int64_t TDiskFileStream::Seek(int64_t offset, uint16_t origin) {
  return file_ == nullptr ? -1 : file_->Seek(offset, static_cast<platform::SeekOrigin>(origin));
}

void TDiskFileStream::Close() { file_.reset(); }

bool TDiskFileStream::GetAttributes(uint32_t* attributes) {
  return file_ != nullptr && file_->GetAttributes(attributes);
}

void TDiskFileStream::SetSize(int64_t new_size) {
  if (file_ == nullptr) {
    throw EVorError("TDiskFileStream.SetSize - the file is closed.", ErrorKind::kMisuse);
  }
  if (file_->Seek(new_size, platform::kSeekBegin) < 0 || !file_->SetEndOfFile()) {
    platform::RaiseLastOsError();
  }
}

// ----------------------------------------------------------- TMemoryStream

TMemoryStream::TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int64_t size = static_cast<int64_t>(data_.size());
  if (count <= 0 || position_ < 0 || position_ >= size) return 0;
  const int32_t n = static_cast<int32_t>(std::min<int64_t>(count, size - position_));
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0 || position_ < 0) return 0;
  const int64_t end = position_ + count;
  if (end > static_cast<int64_t>(std::numeric_limits<int32_t>::max())) return 0;
  if (end > static_cast<int64_t>(data_.size())) data_.resize(static_cast<size_t>(end));
  std::memcpy(&data_[static_cast<size_t>(position_)], buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, uint16_t origin) {
  position_ = ResolveSeek(origin, offset, position_, static_cast<int64_t>(data_.size()))
                  .value_or(position_);
  return position_;
}

void TMemoryStream::SetSize(int64_t new_size) {
  if (new_size < 0 || new_size > std::numeric_limits<int32_t>::max()) {
    throw EVorError("TMemoryStream.SetSize - invalid size " + std::to_string(new_size),
                    ErrorKind::kMisuse);
  }
  data_.resize(static_cast<size_t>(new_size));
  if (position_ > new_size) position_ = new_size;
}

}  // namespace vor
