#include "container/store/page.h"

#include <algorithm>

#include "common/coding.h"

namespace vor {

void TPageRecord::EncodeHeader(uint8_t* dst) const {
  EncodeFixedI32(dst, NextPageNo);
  EncodeFixed32(dst + 4, Checksum);
  dst[8] = PageType;
  dst[9] = EncryptionType;
  dst[10] = ChecksumKind;
  std::copy(Reserved.begin(), Reserved.end(), dst + 11);
}

void TPageRecord::DecodeHeader(const uint8_t* src) {
  NextPageNo = DecodeFixedI32(src);
  Checksum = DecodeFixed32(src + 4);
  PageType = src[8];
  EncryptionType = src[9];
  ChecksumKind = src[10];
  std::copy(src + 11, src + kPageHeaderSize, Reserved.begin());
}

void InitPage(TPageRecord& page, int32_t data_size) {
  page.NextPageNo = -1;
  page.EncryptionType = EncryptionNone;
  page.ChecksumKind = 0;
  page.Buffer.assign(static_cast<size_t>(std::max(data_size, 0)), 0);
  page.pData = page.Buffer.data();
}

void DonePage(TPageRecord& page) {
  std::vector<uint8_t>().swap(page.Buffer);
  page.pData = nullptr;
}

}  // namespace vor
