// Pages: the 32-byte page header and TPageRecord.
//
// Every page but page 0 is a 32-byte header followed by the data bytes
// (the header byte by byte: docs/format.md, section 5.1).
//
// TPageRecord holds the header fields and pData, the buffer that ReadPage
// fills and WritePage writes. pData may point at the record's own buffer
// (InitPage) or at memory owned by the caller.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vor {

constexpr int kPageHeaderSize = 32;

enum TPageType : uint8_t {
  PageTypeNone = 0,  // a page inside the container that was never written
  PageTypeDIR = 1,
  PageTypeGAM = 2,
  PageTypeSGAM = 3,
  PageTypePFS = 4,
  PageTypeUFPM = 5,
  PageTypeData = 6,
};

enum TEncryptionType : uint8_t {
  EncryptionNone = 0,
  EncryptionRijndael = 1,
};

struct TPageRecord {
  int32_t NextPageNo = -1;
  uint32_t Checksum = 0;
  uint8_t PageType = 0;
  uint8_t EncryptionType = 0;
  uint8_t ChecksumKind = 0;
  std::array<uint8_t, 21> Reserved{};
  uint8_t* pData = nullptr;
  // The buffer InitPage makes; pData points into it until DonePage.
  std::vector<uint8_t> Buffer;

  TPageRecord() = default;
  TPageRecord(const TPageRecord&) = delete;
  TPageRecord& operator=(const TPageRecord&) = delete;
  TPageRecord(TPageRecord&&) = default;
  TPageRecord& operator=(TPageRecord&&) = default;

  // The 32 header bytes, field by field.
  void EncodeHeader(uint8_t* dst) const;
  void DecodeHeader(const uint8_t* src);
};

// NextPageNo -1, EncryptionType and ChecksumKind 0, pData a new zero-filled
// buffer of data_size bytes. PageType, Checksum and the reserved bytes stay
// as they were: every writer sets PageType and WritePage sets Checksum.
void InitPage(TPageRecord& page, int32_t data_size);
// Frees the buffer InitPage made; pData becomes null.
void DonePage(TPageRecord& page);

}  // namespace vor
