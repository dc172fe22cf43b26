#include "container/volume/abstract_file.h"

#include <algorithm>
#include <vector>

#include "common/error.h"

namespace vor {

namespace {

// CopyFrom moves at most this many bytes per pass.
constexpr int64_t kCopyBufferSize = 61440;

}  // namespace

TCFRAbstractFile::TCFRAbstractFile(const std::string& file_name, bool read_only, bool exclusive)
    : file_name_(file_name), exclusive_(exclusive), read_only_(read_only) {}

TCFRAbstractFile::~TCFRAbstractFile() = default;

void TCFRAbstractFile::SetExclusive(bool value) { exclusive_ = value; }

void TCFRAbstractFile::SetReadOnly(bool value) { read_only_ = value; }

void TCFRAbstractFile::SetPosition(int64_t value) { Seek(value, 0); }

int64_t TCFRAbstractFile::GetPosition() { return Seek(0, 1); }

int64_t TCFRAbstractFile::GetSize() {
  const int64_t position = Seek(0, 1);
  const int64_t size = Seek(0, 2);
  Seek(position, 0);
  return size;
}

void TCFRAbstractFile::ReadBuffer(void* buffer, int32_t count) {
  if (count == 0) return;
  if (Read(buffer, count) != count) {
    throw EVorError("TCFRAbstractFile.ReadBuffer - Stream read error", ErrorKind::kDamaged);
  }
}

void TCFRAbstractFile::WriteBuffer(const void* buffer, int32_t count) {
  if (count == 0) return;
  if (Write(buffer, count) != count) {
    throw EVorError("TCFRAbstractFile.WriteBuffer - Stream write error", ErrorKind::kIo);
  }
}

void TCFRAbstractFile::Reopen() {
  const int64_t position = GetPosition();
  Close();
  Open(false);
  SetPosition(position);
}

int64_t TCFRAbstractFile::CopyFrom(TCFRAbstractFile& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  if (count <= 0) return 0;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kCopyBufferSize)));
  int64_t remaining = count;
  while (remaining > 0) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(remaining, buffer.size()));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    remaining -= n;
  }
  return count;
}

}  // namespace vor
