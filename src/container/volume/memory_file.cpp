#include "container/volume/memory_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/error.h"

namespace vor {

namespace {

constexpr int64_t kMaxMemorySize = std::numeric_limits<int32_t>::max();

}  // namespace

TCFRMemoryFile::TCFRMemoryFile(const std::string& file_name, bool read_only, bool exclusive)
    : TCFRAbstractFile(file_name, read_only, exclusive) {}

TCFRMemoryFile::~TCFRMemoryFile() { Close(); }

void TCFRMemoryFile::SetSize(int64_t value) {
  if (stream_ == nullptr)
    throw EVorError("TCFRMemoryFile.SetSize - File is not open.", ErrorKind::kMisuse);
  if (value < 0 || value > kMaxMemorySize) {
    throw EVorError("TCFRMemoryFile.SetSize - Size out of range.", ErrorKind::kMisuse);
  }
  stream_->bytes.resize(static_cast<size_t>(value));
  if (stream_->position > value) stream_->position = static_cast<int32_t>(value);
}

void TCFRMemoryFile::Close() { stream_.reset(); }

bool TCFRMemoryFile::Open(bool create) {
  if (!create) {
    throw EVorError("TCFRMemoryFile.Open - File cannot be open, only creation is available.",
                    ErrorKind::kMisuse);
  }
  stream_ = std::make_unique<Stream>();
  return true;
}

int32_t TCFRMemoryFile::Read(void* buffer, int32_t count) {
  if (stream_ == nullptr) return -1;
  const int64_t size = static_cast<int64_t>(stream_->bytes.size());
  const int64_t position = stream_->position;
  if (count <= 0 || position < 0 || position >= size) return 0;
  const int64_t n = std::min<int64_t>(count, size - position);
  std::memcpy(buffer, stream_->bytes.data() + position, static_cast<size_t>(n));
  stream_->position = static_cast<int32_t>(position + n);
  return static_cast<int32_t>(n);
}

int64_t TCFRMemoryFile::Seek(int64_t offset, uint16_t origin) {
  if (stream_ == nullptr) return -1;
  // 32-bit arithmetic as the buffer counts; wrapping is done unsigned.
  const uint32_t low = static_cast<uint32_t>(offset);
  switch (origin) {
    case 0:
      stream_->position = static_cast<int32_t>(low);
      break;
    case 1:
      stream_->position = static_cast<int32_t>(static_cast<uint32_t>(stream_->position) + low);
      break;
    case 2:
      stream_->position = static_cast<int32_t>(static_cast<uint32_t>(stream_->bytes.size()) + low);
      break;
    default:
      break;
  }
  return stream_->position;
}

int32_t TCFRMemoryFile::Write(const void* buffer, int32_t count) {
  if (stream_ == nullptr) return -1;
  const int64_t position = stream_->position;
  if (count <= 0 || position < 0) return 0;
  const int64_t end = position + count;
  if (end > kMaxMemorySize) return -1;  // beyond what a memory store can address
  if (end > static_cast<int64_t>(stream_->bytes.size())) {
    stream_->bytes.resize(static_cast<size_t>(end));
  }
  std::memcpy(stream_->bytes.data() + position, buffer, static_cast<size_t>(count));
  stream_->position = static_cast<int32_t>(end);
  return count;
}

}  // namespace vor
