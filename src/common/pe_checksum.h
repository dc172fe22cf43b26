// The two fields of a Windows program (PE) file that change when bytes are
// added to or taken from it: the header checksum and the security (signing
// certificate) directory. Shared by the installer, which writes its
// uninstaller from its own bytes, and the tools that build installers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/coding.h"

namespace vor {

struct PeChecksumFields {
  size_t checksum = 0;            // offset of the 32-bit checksum
  size_t security_directory = 0;  // offset of its RVA/size pair; 0 when the header has none
};

// Finds the fields in a PE file's headers (PE32 or PE32+); false when data
// does not begin with one.
inline bool FindPeChecksumFields(const uint8_t* data, size_t size, PeChecksumFields* fields) {
  constexpr size_t kPeOffsetField = 0x3C;
  constexpr size_t kFileHeaderSize = 20;
  constexpr size_t kCheckSum = 64;
  constexpr int kSecuritySlot = 4;
  if (size < kPeOffsetField + 4 || data[0] != 'M' || data[1] != 'Z') return false;
  const uint64_t pe = DecodeFixed32(data + kPeOffsetField);
  if (pe + 4 + kFileHeaderSize > size || std::memcmp(data + pe, "PE\0\0", 4) != 0) return false;
  const size_t optional = static_cast<size_t>(pe) + 4 + kFileHeaderSize;
  const uint16_t optional_size = DecodeFixed16(data + pe + 4 + 16);
  if (optional_size < kCheckSum + 4 || optional + optional_size > size) return false;
  const uint16_t magic = DecodeFixed16(data + optional);
  if (magic != 0x10B && magic != 0x20B) return false;
  const size_t count_field = magic == 0x20B ? 108 : 92;
  fields->checksum = optional + kCheckSum;
  fields->security_directory = 0;
  if (optional_size >= count_field + 4) {
    const uint32_t count = DecodeFixed32(data + optional + count_field);
    const size_t slot = optional + count_field + 4 + kSecuritySlot * 8;
    if (count > kSecuritySlot && slot + 8 <= optional + optional_size) {
      fields->security_directory = slot;
    }
  }
  return true;
}

// The checksum as the loader and the signing tools compute it: the file's
// 16-bit little-endian words (an odd last byte as a word of its own) summed
// with end-around carry, the checksum field taken as zero, plus the
// file's length. Fed in pieces of even length (but the last), in order.
class PeChecksumSum {
 public:
  explicit PeChecksumSum(size_t checksum_offset) : checksum_offset_(checksum_offset) {}

  void Add(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; i += 2) {
      const uint64_t at = length_ + i;
      if (at >= checksum_offset_ && at < checksum_offset_ + 4) continue;
      sum_ += i + 1 < size ? DecodeFixed16(data + i) : data[i];
      sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
    }
    length_ += size;
  }
  uint32_t Value() const {
    const uint64_t folded = (sum_ & 0xFFFF) + (sum_ >> 16);
    return static_cast<uint32_t>(folded + length_);
  }

 private:
  size_t checksum_offset_;
  uint64_t sum_ = 0;
  uint64_t length_ = 0;
};

inline uint32_t PeChecksum(const uint8_t* data, size_t size, size_t checksum_offset) {
  PeChecksumSum sum(checksum_offset);
  sum.Add(data, size);
  return sum.Value();
}

// Makes data an unsigned program: the security directory cleared (the
// certificate lies behind the program's bytes and is not part of data)
// and the checksum set anew. False when data is no PE file.
inline bool StripPeCertificateEntry(uint8_t* data, size_t size) {
  PeChecksumFields fields;
  if (!FindPeChecksumFields(data, size, &fields)) return false;
  if (fields.security_directory != 0) std::memset(data + fields.security_directory, 0, 8);
  EncodeFixed32(data + fields.checksum, PeChecksum(data, size, fields.checksum));
  return true;
}

}  // namespace vor
