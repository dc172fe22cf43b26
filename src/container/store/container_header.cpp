#include "container/store/container_header.h"

#include <algorithm>
#include <cstring>

#include "common/coding.h"
#include "crypto/checksum.h"

namespace vor {

void TContainerHeader::Encode(uint8_t* dst) const {
  std::copy(Signature.begin(), Signature.end(), dst);
  EncodeFixed32(dst + 8, HeaderChecksum);
  EncodeFixed32(dst + 12, FormatVersion);
  EncodeFixedI32(dst + 16, PageSize);
  EncodeFixedI32(dst + 20, ExtentPageCount);
  EncodeFixedI32(dst + 24, FirstExtentPageNo);
  EncodeFixedI32(dst + 28, GAMPageCount);
  EncodeFixedI32(dst + 32, PFSPageCount);
  EncodeFixedI32(dst + 36, DIRPageCount);
  EncodeFixedI32(dst + 40, FirstDIRPageNo);
  EncodeFixedI32(dst + 44, DIRItemCount);
  EncodeFixedI32(dst + 48, FilePageCount);
  std::memcpy(dst + 52, PasswordRecord.bytes, kPasswordRecordSize);
  dst[224] = Encrypted;
  dst[225] = DefaultCompression;
  std::copy(Reserved.begin(), Reserved.end(), dst + 226);
}

void TContainerHeader::Decode(const uint8_t* src) {
  std::copy(src, src + 8, Signature.begin());
  HeaderChecksum = DecodeFixed32(src + 8);
  FormatVersion = DecodeFixed32(src + 12);
  PageSize = DecodeFixedI32(src + 16);
  ExtentPageCount = DecodeFixedI32(src + 20);
  FirstExtentPageNo = DecodeFixedI32(src + 24);
  GAMPageCount = DecodeFixedI32(src + 28);
  PFSPageCount = DecodeFixedI32(src + 32);
  DIRPageCount = DecodeFixedI32(src + 36);
  FirstDIRPageNo = DecodeFixedI32(src + 40);
  DIRItemCount = DecodeFixedI32(src + 44);
  FilePageCount = DecodeFixedI32(src + 48);
  std::memcpy(PasswordRecord.bytes, src + 52, kPasswordRecordSize);
  Encrypted = src[224];
  DefaultCompression = src[225];
  std::copy(src + 226, src + kContainerHeaderSize, Reserved.begin());
}

bool TContainerHeader::HasSignature() const {
  return std::memcmp(Signature.data(), kContainerSignature, 8) == 0;
}

void TContainerHeader::SetSignature() { std::memcpy(Signature.data(), kContainerSignature, 8); }

uint32_t TContainerHeader::ComputeHeaderChecksum() const {
  uint8_t bytes[kContainerHeaderSize];
  Encode(bytes);
  return ComputeChecksum(bytes + 12, kContainerHeaderSize - 12, ChecksumXor);
}

}  // namespace vor
