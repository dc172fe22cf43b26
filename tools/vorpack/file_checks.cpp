// Icon and installer program checks.
#include "file_checks.h"

#include <cstring>
#include <string>

#include "common/coding.h"

namespace vor::vorpack {

namespace {

constexpr size_t kIconDirSize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr size_t kPeOffsetField = 0x3C;
constexpr size_t kPeFileHeaderSize = 20;
constexpr size_t kVolumeHeaderSize = 280;
constexpr char kVolumeSignature[] = "QZMVHFSS";
constexpr char kContainerSignature[] = "QZCFRSGN";

const uint8_t* Bytes(const std::string& s, size_t offset = 0) {
  return reinterpret_cast<const uint8_t*>(s.data()) + offset;
}

}  // namespace

std::string IconProblem(const std::string& bytes) {
  if (bytes.size() < kIconDirSize) return "it is too short for an icon directory";
  if (DecodeFixed16(Bytes(bytes)) != 0 || DecodeFixed16(Bytes(bytes, 2)) != 1) {
    return "it does not begin with an icon directory";
  }
  const uint16_t count = DecodeFixed16(Bytes(bytes, 4));
  if (count == 0) return "its icon directory lists no image";
  const size_t directory_end = kIconDirSize + size_t{count} * kIconEntrySize;
  if (directory_end > bytes.size()) return "its icon directory runs past the end of the file";
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* entry = Bytes(bytes, kIconDirSize + size_t{i} * kIconEntrySize);
    const uint64_t size = DecodeFixed32(entry + 8);
    const uint64_t offset = DecodeFixed32(entry + 12);
    if (size == 0 || offset < directory_end || offset + size > bytes.size()) {
      return "image " + std::to_string(i + 1) + " of its icon directory lies outside the file";
    }
  }
  return std::string();
}

uint16_t PeMachine(const std::string& bytes) {
  if (bytes.size() < kPeOffsetField + 4 || bytes.compare(0, 2, "MZ") != 0) return 0;
  const uint64_t pe = DecodeFixed32(Bytes(bytes, kPeOffsetField));
  if (pe + 4 + kPeFileHeaderSize > bytes.size()) return 0;
  if (std::memcmp(bytes.data() + pe, "PE\0\0", 4) != 0) return 0;
  return DecodeFixed16(Bytes(bytes, static_cast<size_t>(pe) + 4));
}

int64_t FindVolumeHeader(const std::string& bytes) {
  size_t pos = 0;
  while ((pos = bytes.find(kVolumeSignature, pos)) != std::string::npos) {
    const size_t container = pos + kVolumeHeaderSize;
    if (container + 8 <= bytes.size() && bytes.compare(container, 8, kContainerSignature) == 0) {
      return static_cast<int64_t>(pos);
    }
    ++pos;
  }
  return -1;
}

std::string StubProblem(const std::string& bytes) {
  if (PeMachine(bytes) == 0) return "it is not a Windows program (no PE header)";
  if (FindVolumeHeader(bytes) >= 0) {
    return "it already carries a container (a finished installer?); the installer would "
           "open that one";
  }
  return std::string();
}

}  // namespace vor::vorpack
