// TCFRVolumeHeader: the 280-byte header at the start of every volume part
// (byte by byte: docs/format.md, section 3.1). The padding behind
// NextPartName is never read; a writer leaves what its buffer held there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vor {

constexpr size_t kVolumeHeaderSize = 280;
constexpr size_t kVolumeSignatureSize = 8;
constexpr size_t kNextPartNameSize = 261;
constexpr size_t kMaxNextPartNameLength = kNextPartNameSize - 1;
extern const char kVolumeSignature[];     // "QZMVHFSS"
extern const char kContainerSignature[];  // "QZCFRSGN", the container header's

class TCFRVolumeHeader {
 public:
  // The header bytes as read or built; the padding is kept between builds.
  uint8_t* Data() { return bytes_; }
  const uint8_t* Data() const { return bytes_; }

  // Clears signature, part size and name (not the padding), then stores the
  // signature and part_size.
  void Init(int64_t part_size);
  bool HasSignature() const;
  int64_t PartSize() const;
  // NextPartName up to its first zero byte (at most 261 bytes).
  std::string NextPartName() const;
  // Stores name, zero-terminated; false (header unchanged) when it is longer
  // than 260 bytes or holds a zero byte.
  bool SetNextPartName(const std::string& name);

 private:
  uint8_t bytes_[kVolumeHeaderSize] = {};
};

}  // namespace vor
