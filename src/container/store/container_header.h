// TContainerHeader: the 256 bytes at offset 0 of a container's volume data.
//
// Its fields, byte by byte: docs/format.md, section 4.
//
// All integers are little-endian; Encode and Decode go field by field.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/password_record.h"

namespace vor {

constexpr int kContainerHeaderSize = 256;
constexpr uint32_t kContainerFormatVersion = 0x4007AE14;
constexpr char kContainerSignature[9] = "QZCFRSGN";

struct TContainerHeader {
  std::array<uint8_t, 8> Signature{};
  uint32_t HeaderChecksum = 0;
  uint32_t FormatVersion = 0;
  int32_t PageSize = 0;
  int32_t ExtentPageCount = 0;
  int32_t FirstExtentPageNo = 0;
  int32_t GAMPageCount = 0;
  int32_t PFSPageCount = 0;
  int32_t DIRPageCount = 0;
  int32_t FirstDIRPageNo = 0;
  int32_t DIRItemCount = 0;
  int32_t FilePageCount = 0;
  TPasswordRecord PasswordRecord;
  uint8_t Encrypted = 0;
  uint8_t DefaultCompression = 0;
  std::array<uint8_t, 30> Reserved{};

  // Writes the 256 header bytes to dst as the fields hold them.
  void Encode(uint8_t* dst) const;
  // Fills every field from the 256 bytes at src.
  void Decode(const uint8_t* src);

  // True when Signature is "QZCFRSGN".
  bool HasSignature() const;
  void SetSignature();

  // XOR checksum of bytes 12..255 of the encoded header.
  uint32_t ComputeHeaderChecksum() const;
};

}  // namespace vor
