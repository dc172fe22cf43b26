// TPageFileManager: page writes (page_file.h). Kept apart from the rest of
// the page file (page_file.cpp) so that a program that never writes a
// container links no page encoding; the installer program links
// container/store/read_only instead.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/result_code.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "crypto/checksum.h"

namespace vor {

bool TPageFileManager::WritePage(TPageRecord& page, int32_t page_no, int32_t data_size,
                                 const std::string& key) {
  last_error_ = 0;
  if (data_size < 0) data_size = PageDataSize();
  // A read-only container is never written, also not when it lives in memory.
  if (page_no < 0 || read_only_) {
    Fail(kPageWriteHeaderError);
    last_failure_kind_ = read_only_ ? ErrorKind::kReadOnly : ErrorKind::kMisuse;
    return false;
  }
  const bool with_data = page.pData != nullptr && data_size > 0;
  if (with_data) {
    if (!EncodeBuffer(page.pData, data_size, page.EncryptionType, KeyOrPageKey(key))) {
      Fail(kPageEncodeError);
      return false;
    }
    page.Checksum = ComputeChecksum(page.pData, data_size, page.ChecksumKind);
  }
  uint8_t header[kPageHeaderSize];
  page.EncodeHeader(header);
  store_->Seek(PageOffset(page_no), 0);
  if (store_->Write(header, kPageHeaderSize) < kPageHeaderSize) {
    Fail(kPageWriteHeaderError);
    return false;
  }
  if (with_data && store_->Write(page.pData, data_size) < data_size) {
    Fail(kPageWriteDataError);
    return false;
  }
  return true;
}

int32_t TPageFileManager::WritePageRun(const TPageRecord& header, int32_t first_page_no,
                                       int32_t count, const uint8_t* data, const std::string& key) {
  last_error_ = 0;
  if (first_page_no < 0 || read_only_) {
    Fail(kPageWriteHeaderError);
    last_failure_kind_ = read_only_ ? ErrorKind::kReadOnly : ErrorKind::kMisuse;
    return 0;
  }
  const int32_t page_size = header_.PageSize;
  const int32_t data_size = PageDataSize();
  const std::string& page_key = KeyOrPageKey(key);
  TPageRecord page;
  page.NextPageNo = header.NextPageNo;
  page.PageType = header.PageType;
  page.EncryptionType = header.EncryptionType;
  page.ChecksumKind = header.ChecksumKind;
  page.Reserved = header.Reserved;
  int32_t done = 0;
  while (done < count) {
    const int32_t run = std::min(count - done, kPageRunLimit);
    const size_t raw_size = static_cast<size_t>(run) * static_cast<size_t>(page_size);
    if (run_buffer_.size() < raw_size) run_buffer_.resize(raw_size);
    for (int32_t k = 0; k < run; ++k) {
      uint8_t* raw = run_buffer_.data() + static_cast<size_t>(k) * static_cast<size_t>(page_size);
      uint8_t* stored = raw + kPageHeaderSize;
      std::memcpy(stored, data + static_cast<size_t>(done + k) * static_cast<size_t>(data_size),
                  static_cast<size_t>(data_size));
      if (!EncodeBuffer(stored, data_size, page.EncryptionType, page_key)) {
        Fail(kPageEncodeError);
        return done;
      }
      page.Checksum = ComputeChecksum(stored, data_size, page.ChecksumKind);
      page.EncodeHeader(raw);
    }
    store_->Seek(PageOffset(first_page_no + done), 0);
    const int32_t written = store_->Write(run_buffer_.data(), static_cast<int32_t>(raw_size));
    if (written < static_cast<int32_t>(raw_size)) {
      const int32_t whole = written / page_size;
      Fail(written - whole * page_size < kPageHeaderSize ? kPageWriteHeaderError
                                                         : kPageWriteDataError);
      return done + whole;
    }
    done += run;
  }
  return done;
}

}  // namespace vor
