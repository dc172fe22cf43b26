// TUserFilePageMapManager: reading, growing and truncating page maps.
#include "container/store/page_map.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <vector>

#include "common/coding.h"
#include "common/error.h"
#include "container/store/allocation_maps.h"
#include "container/store/page.h"
#include "container/store/page_file.h"

namespace vor {
namespace {

constexpr char kInvalidFirstMapPage[] =
    "TUserFilePageMapManager.GetMaps - Invalid parameter FileRec.FirstMapPageNo";
constexpr char kMapReadError[] = "TUserFilePageMapManager.GetMaps - Error on reading map page.";
constexpr char kInvalidChain[] = "TUserFilePageMapManager.GetMaps - Invalid page No in map chain.";

// Pages needed to hold count items at per_page items a page.
int64_t PagesFor(int64_t count, int32_t per_page) {
  return count / per_page + (count % per_page != 0 ? 1 : 0);
}

}  // namespace

// Marks a public operation. Only the outermost one may empty the caches, and
// only before it touches any list.
class TUserFilePageMapManager::Operation {
 public:
  explicit Operation(TUserFilePageMapManager& owner) : owner_(owner) {
    if (owner_.depth_++ == 0) owner_.MakeRoom();
  }
  ~Operation() { --owner_.depth_; }
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

 private:
  TUserFilePageMapManager& owner_;
};

TUserFilePageMapManager::TUserFilePageMapManager(TPageFileManager& page_file,
                                                 TFreeSpaceManager& free_space)
    : page_file_(page_file),
      free_space_(free_space),
      map_cache_(0, 10, 25),
      data_cache_(0, 10, 25),
      new_pages_(0, 10, 100) {
  entries_per_map_page_ = std::max(page_file_.PageDataSize() / 4, 1);
}

TUserFilePageMapManager::~TUserFilePageMapManager() = default;

int32_t TUserFilePageMapManager::PagesForSize(int64_t size) const {
  if (size <= 0) return 0;
  const int64_t pages = PagesFor(size, page_file_.PageDataSize());
  return static_cast<int32_t>(std::min<int64_t>(pages, std::numeric_limits<int32_t>::max()));
}

void TUserFilePageMapManager::MakeRoom() {
  if (map_cache_.Count() >= kCacheLimit || data_cache_.Count() >= kCacheLimit) {
    map_cache_.SetCount(0);
    data_cache_.SetCount(0);
  }
}

void TUserFilePageMapManager::CacheMaps(int32_t first_map_page, const TMaps& maps) {
  map_cache_.Add(first_map_page, std::make_unique<TCachedList>(TCachedList{maps.map}));
  data_cache_.Add(first_map_page, std::make_unique<TCachedList>(TCachedList{maps.data}));
}

void TUserFilePageMapManager::DropMaps(int32_t first_map_page) {
  if (map_cache_.IndexOf(first_map_page) >= 0) map_cache_.Delete(first_map_page);
  if (data_cache_.IndexOf(first_map_page) >= 0) data_cache_.Delete(first_map_page);
}

TUserFilePageMapManager::TMaps TUserFilePageMapManager::ReadMaps(const TFileRec& rec) {
  const int32_t file_pages = page_file_.Header().FilePageCount;
  const int32_t first = rec.FirstMapPageNo;
  // The record and the chain come from disk: every page number must name a
  // page of the container behind the header, and a file cannot have more
  // data pages than the container has pages.
  auto valid_page = [file_pages](int64_t page) { return page >= 1 && page < file_pages; };
  if (!valid_page(first)) throw EVorError(kInvalidChain, ErrorKind::kDamaged);
  const int64_t d = rec.FileSize <= 0 ? 0 : PagesFor(rec.FileSize, page_file_.PageDataSize());
  if (d > file_pages) throw EVorError(kInvalidChain, ErrorKind::kDamaged);
  const int64_t m = PagesFor(d, entries_per_map_page_);

  TMaps maps{std::make_shared<TIntegerArray>(0, 10, 25),
             std::make_shared<TIntegerArray>(0, 10, 25)};
  if (m == 0) {
    maps.map->Add(first);
    return maps;
  }
  TPageRecord page;
  page_file_.InitPage(page);
  std::unordered_set<int32_t> visited;
  int32_t page_no = first;
  int64_t k = 0;
  for (int64_t i = 0; i < m; ++i) {
    if (!page_file_.ReadPageOfType(PageTypeUFPM, page, page_no, -1))
      throw EVorError(kMapReadError, ErrorKind::kDamaged);
    maps.map->Add(page_no);
    visited.insert(page_no);
    for (int32_t slot = 0; slot < entries_per_map_page_ && k + slot < d; ++slot) {
      const int32_t data_page = DecodeFixedI32(page.pData + 4 * slot);
      if (!valid_page(data_page)) throw EVorError(kInvalidChain, ErrorKind::kDamaged);
      maps.data->Add(data_page);
    }
    k += entries_per_map_page_;
    page_no = page.NextPageNo;
    if (k < d && (!valid_page(page_no) || visited.count(page_no) != 0)) {
      throw EVorError(kInvalidChain, ErrorKind::kDamaged);
    }
  }
  return maps;
}

TUserFilePageMapManager::TMaps TUserFilePageMapManager::Maps(const TFileRec& rec) {
  const int32_t first = rec.FirstMapPageNo;
  if (first == -1) throw EVorError(kInvalidFirstMapPage, ErrorKind::kMisuse);
  TCachedList* map = map_cache_.Find(first);
  TCachedList* data = data_cache_.Find(first);
  TMaps maps;
  if (map == nullptr) {
    maps = ReadMaps(rec);
    DropMaps(first);  // a data list cached without its map list
    CacheMaps(first, maps);
  } else {
    maps.map = map->list;
    maps.data = data != nullptr ? data->list : nullptr;
  }
  if (maps.map == nullptr) {
    throw EVorError("TUserFilePageMapManager.GetMaps - Cannot find UFPM page map",
                    ErrorKind::kDamaged);
  }
  if (maps.data == nullptr) {
    throw EVorError("TUserFilePageMapManager.GetMaps - Cannot find user file page map",
                    ErrorKind::kDamaged);
  }
  if (maps.map->Count() == 0 || maps.map->Item(0) != first) {
    throw EVorError("TUserFilePageMapManager.GetMaps - UFPMMap.Items[0] <> FirstMapPageNo",
                    ErrorKind::kDamaged);
  }
  return maps;
}

void TUserFilePageMapManager::GetMaps(const TFileRec& rec,
                                      std::shared_ptr<const TIntegerArray>* map_pages,
                                      std::shared_ptr<const TIntegerArray>* data_pages) {
  Operation op(*this);
  TMaps maps = Maps(rec);
  *map_pages = maps.map;
  *data_pages = maps.data;
}

bool TUserFilePageMapManager::WriteMapPages(int32_t first, int32_t count, const TIntegerArray& data,
                                            const TIntegerArray& map) {
  TPageRecord page;
  page_file_.InitPage(page);
  page.PageType = PageTypeUFPM;
  page.EncryptionType = EncryptionNone;
  page.ChecksumKind = 0;
  const int32_t data_size = page_file_.PageDataSize();
  bool ok = true;
  for (int32_t i = first; i < first + count; ++i) {
    page.NextPageNo = i + 1 < map.Count() ? map.Item(i + 1) : -1;
    std::fill(page.pData, page.pData + data_size, 0);
    const int64_t base = static_cast<int64_t>(i) * entries_per_map_page_;
    for (int32_t slot = 0; slot < entries_per_map_page_ && base + slot < data.Count(); ++slot) {
      EncodeFixedI32(page.pData + 4 * slot, data.Item(static_cast<int32_t>(base + slot)));
    }
    if (!page_file_.WritePage(page, map.Item(i), data_size)) ok = false;
  }
  return ok;
}

bool TUserFilePageMapManager::AppendPages(TFileRec& rec, int32_t page_count, bool init_pages) {
  Operation op(*this);
  return DoAppendPages(rec, page_count, init_pages);
}

bool TUserFilePageMapManager::DoAppendPages(TFileRec& rec, int32_t page_count, bool init_pages) {
  if (page_count <= 0) {
    throw EVorError("TUserFilePageMapManager.AppendPages - PageCount <= 0.", ErrorKind::kMisuse);
  }
  const bool new_map = rec.FirstMapPageNo == -1;
  TMaps maps;
  int32_t old_map_count = 0;
  int32_t rewrite_first = 0;
  int32_t rewrite_count = 0;
  if (new_map) {
    const int64_t m = PagesFor(page_count, entries_per_map_page_);
    auto map = std::make_shared<TIntegerArray>(0, 10, 25);
    if (!free_space_.GetPages(static_cast<int32_t>(m), 1, false, *map)) {
      last_error_ = kNoFreePagesError;
      return false;
    }
    maps = TMaps{map, std::make_shared<TIntegerArray>(0, 10, 25)};
    rewrite_count = map->Count();
  } else {
    maps = Maps(rec);
    const int64_t d = maps.data->Count();
    old_map_count = maps.map->Count();
    const int64_t needed = PagesFor(d + page_count, entries_per_map_page_) - old_map_count;
    if (needed > 0) {
      const int32_t near_page = maps.map->Item(old_map_count - 1) + 1;
      if (!free_space_.GetPages(static_cast<int32_t>(needed), near_page, false, new_pages_)) {
        last_error_ = kNoFreePagesError;
        return false;
      }
      for (int32_t i = 0; i < new_pages_.Count(); ++i) maps.map->Add(new_pages_.Item(i));
      rewrite_first = old_map_count - 1;
      rewrite_count = static_cast<int32_t>(needed) + 1;
    } else {
      rewrite_first = old_map_count - 1;
      rewrite_count = 1;
    }
  }

  // The data pages, near the file's last one.
  const int32_t d = maps.data->Count();
  const int32_t near_page = d > 0 ? maps.data->Item(d - 1) + 1 : 1;
  const bool uniform_only =
      static_cast<int64_t>(d) + page_count > page_file_.Header().ExtentPageCount;
  if (!free_space_.GetPages(page_count, near_page, uniform_only, new_pages_)) {
    last_error_ = kNoFreePagesError;
    // Give back the map pages taken for this call, so that nothing changes.
    TIntegerArray unused(0, 10, 100);
    for (int32_t i = old_map_count; i < maps.map->Count(); ++i) unused.Add(maps.map->Item(i));
    if (!new_map) maps.map->SetCount(old_map_count);
    if (unused.Count() > 0) free_space_.FreePages(unused);
    return false;
  }
  if (new_map) {
    rec.FirstMapPageNo = maps.map->Item(0);
    DropMaps(rec.FirstMapPageNo);
    CacheMaps(rec.FirstMapPageNo, maps);
  }
  for (int32_t i = 0; i < new_pages_.Count(); ++i) maps.data->Add(new_pages_.Item(i));

  if (!WriteMapPages(rewrite_first, rewrite_count, *maps.data, *maps.map)) {
    // The map on disk no longer matches the cache: forget the cached lists
    // and report the failure.
    last_error_ = page_file_.LastError();
    DropMaps(rec.FirstMapPageNo);
    return false;
  }
  if (init_pages) {
    TPageRecord page;
    page_file_.InitPage(page);
    page.PageType = PageTypeData;
    page.EncryptionType = EncryptionNone;
    page.ChecksumKind = 0;
    const int32_t data_size = page_file_.PageDataSize();
    for (int32_t i = 0; i < new_pages_.Count(); ++i) {
      std::fill(page.pData, page.pData + data_size, 0);
      page.NextPageNo = -1;
      page_file_.WritePage(page, new_pages_.Item(i), data_size);
    }
  }
  return true;
}

void TUserFilePageMapManager::DeletePagesFromEOF(TFileRec& rec, int32_t count) {
  Operation op(*this);
  DoDeletePagesFromEOF(rec, count);
}

void TUserFilePageMapManager::DoDeletePagesFromEOF(TFileRec& rec, int32_t count) {
  if (rec.FirstMapPageNo == -1) {
    throw EVorError("TUserFilePageMapManager.DeletePagesFromEOF - File map not exists.",
                    ErrorKind::kMisuse);
  }
  TMaps maps = Maps(rec);
  const int32_t d = maps.data->Count();
  count = std::clamp(count, 0, d);
  const int32_t keep = static_cast<int32_t>(PagesFor(d - count, entries_per_map_page_));

  new_pages_.SetCount(0);
  if (keep < maps.map->Count()) {
    for (int32_t i = keep; i < maps.map->Count(); ++i) new_pages_.Add(maps.map->Item(i));
    maps.map->SetCount(keep);
  }
  for (int32_t i = d - count; i < d; ++i) new_pages_.Add(maps.data->Item(i));
  maps.data->SetCount(d - count);
  free_space_.FreePages(new_pages_);

  if (keep <= 0) {
    DropMaps(rec.FirstMapPageNo);
    rec.FirstMapPageNo = -1;
  } else {
    WriteMapPages(keep - 1, 1, *maps.data, *maps.map);
  }
}

bool TUserFilePageMapManager::ResizeFile(TFileRec& rec, bool init_pages, int64_t new_size) {
  Operation op(*this);
  return DoResizeFile(rec, init_pages, new_size);
}

bool TUserFilePageMapManager::DoResizeFile(TFileRec& rec, bool init_pages, int64_t new_size) {
  if (rec.FirstMapPageNo == -1) {
    if (new_size == 0) return true;
    return DoAppendPages(rec, PagesForSize(new_size), init_pages);
  }
  TMaps maps = Maps(rec);
  const int32_t need = PagesForSize(new_size);
  const int32_t have = maps.data->Count();
  if (new_size == rec.FileSize) return true;
  // A read-only container cannot save freed pages: refuse before the maps
  // in memory change, so that they keep matching the disk.
  if (need < have && page_file_.ReadOnly()) {
    last_error_ = kPageWriteHeaderError;
    return false;
  }
  if (new_size < rec.FileSize) {
    if (have > need) DoDeletePagesFromEOF(rec, have - need);
    return true;
  }
  const int32_t add = need - have;
  if (add <= 0) return true;
  return DoAppendPages(rec, add, init_pages);
}

bool TUserFilePageMapManager::GetPagesForRange(TFileRec& rec, bool grow, int64_t position,
                                               int64_t count, TIntegerArray* pages) {
  Operation op(*this);
  if (position < 0 || count < 0 || count > std::numeric_limits<int64_t>::max() - position) {
    pages->SetCount(0);
    return true;
  }
  const int64_t end = position + count;
  bool ok = true;
  if (rec.FirstMapPageNo == -1 && grow) ok = DoResizeFile(rec, true, end);
  if (ok && rec.FirstMapPageNo != -1) {
    Maps(rec);
    if (rec.FileSize < end && grow) ok = DoResizeFile(rec, true, end);
  }
  if (!ok) return false;
  pages->SetCount(0);
  if (rec.FirstMapPageNo == -1) return true;
  // The lists as they stand after any growth.
  const TMaps maps = Maps(rec);
  const int32_t data_size = page_file_.PageDataSize();
  const int64_t first = position / data_size;
  const int64_t last = end / data_size;
  for (int64_t i = first; i <= last && i < maps.data->Count(); ++i) {
    pages->Add(maps.data->Item(static_cast<int32_t>(i)));
  }
  return ok;
}

}  // namespace vor
