// TCoffer: writing and resizing stored files (coffer.h). Kept apart from the
// other file calls (coffer.cpp) so that a program that never writes a
// container links neither these nor the page writes below them; the
// installer program links container/read_only instead.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/result_code.h"
#include "container/coffer.h"
#include "container/page_walk.h"
#include "container/store/dir_manager.h"
#include "container/store/file_rec.h"
#include "container/store/name_utils.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "container/store/page_map.h"

namespace vor {

using coffer_detail::WalkPageRange;

int32_t TCoffer::FileWrite(int32_t handle, const void* buffer, int32_t count) {
  last_error_ = 0;
  if (count <= 0) return 0;
  TUserFileHandle* h = handles_.Find(handle);
  if (h == nullptr) return 0;
  TFileRec rec = directory_->ReadItem(h->EntryIndex);
  const int32_t old_first_map_page = rec.FirstMapPageNo;
  TIntegerArray& pages = page_list_;
  if (!page_maps_->GetPagesForRange(rec, true, h->Position, count, &pages)) {
    last_error_ = page_maps_->LastError();
    if (last_error_ == kNoFreePagesError) DoNoSpace();
    return 0;
  }
  if (pages.Count() == 0) return 0;

  const int32_t data_size = page_file_->PageDataSize();
  const std::string& key = FileKey(*h, rec);
  const uint8_t encryption =
      rec.OwnEncryption != 0 ? rec.OwnEncryption : page_file_->Header().Encrypted;
  page_buffer_.resize(static_cast<size_t>(data_size));
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  TPageRecord page;
  page.pData = page_buffer_.data();
  // The header fields every data page of this file is written with.
  auto set_data_header = [&]() {
    page.PageType = PageTypeData;
    page.EncryptionType = encryption;
    page.ChecksumKind = 0;
  };
  const int64_t done = WalkPageRange(
      pages, data_size, static_cast<int32_t>(h->Position % data_size), count,
      [&](int32_t first, int32_t run, int64_t at) {
        // With the header fields a page-by-page write would give them.
        set_data_header();
        const int32_t written = page_file_->WritePageRun(page, first, run, in + at, key);
        if (written < run) last_error_ = page_file_->LastError();
        return written;
      },
      [&](int32_t page_no, int32_t offset, int32_t chunk, int64_t at) {
        // A page written in part keeps its other bytes.
        if (!page_file_->ReadPageOfType(PageTypeData, page, page_no, data_size, key)) {
          last_error_ = page_file_->LastError();
          return false;
        }
        if (chunk > 0) {
          std::memcpy(page_buffer_.data() + offset, in + at, static_cast<size_t>(chunk));
        }
        set_data_header();
        if (!page_file_->WritePage(page, page_no, data_size, key)) {
          last_error_ = page_file_->LastError();
          return false;
        }
        return true;
      });
  h->Position += done;
  // A write that stored nothing (a read-only container, a failing page)
  // leaves the record alone unless the file was given its first pages.
  if (done > 0 || rec.FirstMapPageNo != old_first_map_page) {
    rec.FileSize = std::max(rec.FileSize, h->Position);
    rec.LastWriteTime = NowFileTime();
    directory_->WriteItem(h->EntryIndex, rec);
  }
  return static_cast<int32_t>(done);
}

int64_t TCoffer::FileSetSize(int32_t handle, int64_t new_size) {
  TUserFileHandle* h = handles_.Find(handle);
  if (h == nullptr) return kInvalidHandle;
  if (new_size < 0) return kFileNotFound;
  TFileRec rec = directory_->ReadItem(h->EntryIndex);
  if (!page_maps_->ResizeFile(rec, true, new_size)) {
    last_error_ = page_maps_->LastError();
    if (last_error_ == kNoFreePagesError) DoNoSpace();
    return last_error_;
  }
  rec.FileSize = new_size;
  rec.LastWriteTime = NowFileTime();
  directory_->WriteItem(h->EntryIndex, rec);
  h->Position = new_size;
  return new_size;
}

}  // namespace vor
