#include "container/store/allocation_maps.h"

#include <algorithm>
#include <string>

#include "common/error.h"

namespace vor {

namespace {

constexpr int32_t kFirstPFSPageNo = 1;
constexpr int32_t kFirstGAMPageNo = 2;

// Most failures here are maps or counts found damaged on disk.
[[noreturn]] void Raise(const std::string& message, ErrorKind kind = ErrorKind::kDamaged) {
  throw EVorError(message, kind);
}

}  // namespace

TFreeSpaceManager::TFreeSpaceManager(TPageFileManager& page_file) : page_file_(page_file) {
  const TContainerHeader& h = page_file_.Header();
  const int32_t d = page_file_.PageDataSize();
  const int32_t e = h.ExtentPageCount;
  // The page boundaries of the PFS map only coincide with the pages it
  // describes when E divides the bits of a page; other counts are refused.
  if (e < 1 || d < 1 || (8 * d) % e != 0) {
    Raise("TFreeSpaceManager.Create - unsupported extent page count, ExtentPageCount = " +
          std::to_string(e));
  }
  extent_page_count_ = e;
  pfs_bytes_per_page_ = (8 * d - (8 * d) % e) / 8;
  extents_per_pfs_page_ = 8 * pfs_bytes_per_page_ / e;
  gam_bytes_per_page_ = (8 * d - (8 * d) % extents_per_pfs_page_) / 8;
  extents_per_gam_page_ = 8 * gam_bytes_per_page_;
  if (h.FirstExtentPageNo != 1 || h.FilePageCount < 1 || h.PFSPageCount < 0 || h.GAMPageCount < 0) {
    Raise("TFreeSpaceManager.Create - invalid page counts in the header!");
  }
  extent_count_ = (h.FilePageCount - h.FirstExtentPageNo) / e;

  if (static_cast<int64_t>(h.PFSPageCount) * extents_per_pfs_page_ < extent_count_) {
    Raise("TFreeSpaceManager.Create - PFSPageCount * FPageSize < FExtentCount!");
  }
  if (static_cast<int64_t>(h.GAMPageCount) * extents_per_gam_page_ < extent_count_) {
    Raise("TFreeSpaceManager.Create - GAMPageCount * FPageSize < FExtentCount!");
  }
  // A map page beyond the last extent would lie where a later extent puts
  // file pages (or beyond the end); such a header is damaged.
  const int64_t pfs_needed =
      (static_cast<int64_t>(extent_count_) + extents_per_pfs_page_ - 1) / extents_per_pfs_page_;
  const int64_t gam_needed =
      (static_cast<int64_t>(extent_count_) + extents_per_gam_page_ - 1) / extents_per_gam_page_;
  if (h.PFSPageCount > pfs_needed || h.GAMPageCount > gam_needed) {
    Raise("TFreeSpaceManager.Create - more map pages than extents!");
  }

  LoadPFS();
  LoadGAM();
  free_extent_count_ = CountBits(gam_map_, extent_count_);
  mixed_extent_count_ = CountBits(sgam_map_, extent_count_);
}

// --- bits ---

bool TFreeSpaceManager::GetBit(const std::vector<uint8_t>& map, int64_t bit) {
  const uint64_t byte = static_cast<uint64_t>(bit) >> 3;
  if (bit < 0 || byte >= map.size()) Raise("TFreeSpaceManager - map bit out of range");
  return ((map[byte] >> (bit & 7)) & 1) != 0;
}

void TFreeSpaceManager::SetBit(std::vector<uint8_t>& map, int64_t bit, bool value) {
  const uint64_t byte = static_cast<uint64_t>(bit) >> 3;
  if (bit < 0 || byte >= map.size()) Raise("TFreeSpaceManager - map bit out of range");
  const uint8_t mask = static_cast<uint8_t>(1u << (bit & 7));
  if (value) {
    map[byte] |= mask;
  } else {
    map[byte] &= static_cast<uint8_t>(~mask);
  }
}

int32_t TFreeSpaceManager::CountBits(const std::vector<uint8_t>& map, int32_t bits) const {
  int32_t n = 0;
  for (int32_t i = 0; i < bits; ++i) n += GetBit(map, i) ? 1 : 0;
  return n;
}

bool TFreeSpaceManager::IsMapPage(int32_t r) const {
  const int64_t pfs_span = static_cast<int64_t>(extents_per_pfs_page_) * extent_page_count_;
  const int64_t gam_span = static_cast<int64_t>(extents_per_gam_page_) * extent_page_count_;
  const int64_t in_gam = r % gam_span;
  return r % pfs_span == 0 || in_gam == kFirstGAMPageNo - 1 || in_gam == kFirstGAMPageNo;
}

// --- loading and saving ---

bool TFreeSpaceManager::LoadMapPage(std::vector<uint8_t>& map, int64_t page_no, int32_t bytes,
                                    uint8_t page_type) {
  if (page_no > INT32_MAX) return false;
  // The map grows page by page, so a damaged count ends at the first page
  // that cannot be read instead of sizing the map up front.
  const size_t slice = map.size();
  map.resize(slice + static_cast<size_t>(bytes));
  TPageRecord page;
  page.pData = map.data() + slice;
  return page_file_.ReadPageOfType(page_type, page, static_cast<int32_t>(page_no), bytes);
}

void TFreeSpaceManager::LoadPFS() {
  const int32_t count = page_file_.Header().PFSPageCount;
  const int64_t span = static_cast<int64_t>(extents_per_pfs_page_) * extent_page_count_;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t p = kFirstPFSPageNo + i * span;
    if (!LoadMapPage(pfs_map_, p, pfs_bytes_per_page_, PageTypePFS)) {
      Raise("TFreeSpaceManager.LoadPFS - can not load page, pageNo = " + std::to_string(p));
    }
    pfs_page_map_.Add(static_cast<int32_t>(p));
  }
}

void TFreeSpaceManager::LoadGAM() {
  const int32_t count = page_file_.Header().GAMPageCount;
  const int64_t span = static_cast<int64_t>(extents_per_gam_page_) * extent_page_count_;
  for (int32_t j = 0; j < count; ++j) {
    const int64_t p = kFirstGAMPageNo + j * span;
    if (!LoadMapPage(gam_map_, p, gam_bytes_per_page_, PageTypeGAM)) {
      Raise("TFreeSpaceManager.LoadGAM - can not load page, pageNo = " + std::to_string(p));
    }
    if (!LoadMapPage(sgam_map_, p + 1, gam_bytes_per_page_, PageTypeSGAM)) {
      Raise("TFreeSpaceManager.LoadGAM - can not load SGAM page, pageNo = " +
            std::to_string(p + 1));
    }
    gam_page_map_.Add(static_cast<int32_t>(p));
  }
}

void TFreeSpaceManager::SaveMapPage(std::vector<uint8_t>& map, int32_t slice, int32_t bytes,
                                    int32_t page_no, uint8_t page_type, const char* message) {
  TPageRecord page;
  page.NextPageNo = -1;
  page.PageType = page_type;
  page.EncryptionType = EncryptionNone;
  page.ChecksumKind = 0;
  page.pData = map.data() + static_cast<size_t>(slice) * static_cast<size_t>(bytes);
  if (!page_file_.WritePage(page, page_no, bytes)) {
    Raise(message + std::to_string(page_no), page_file_.LastFailureKind());
  }
}

void TFreeSpaceManager::SavePFS(const TIntegerArray& flags) {
  if (flags.Count() != pfs_page_map_.Count()) {
    Raise("TFreeSpaceManager.SavePFS - pages.ItemCount <> PFSPageMap.ItemCount!",
          ErrorKind::kGeneral);
  }
  for (int32_t i = 0; i < flags.Count(); ++i) {
    if (flags[i] != 1) continue;
    SaveMapPage(pfs_map_, i, pfs_bytes_per_page_, pfs_page_map_[i], PageTypePFS,
                "TFreeSpaceManager.SavePFS - can not save page, pageNo = ");
  }
}

void TFreeSpaceManager::SaveGAM(const TIntegerArray& flags) {
  if (flags.Count() != gam_page_map_.Count()) {
    Raise("TFreeSpaceManager.SaveGAM - pages.ItemCount <> GAMPageMap.ItemCount!",
          ErrorKind::kGeneral);
  }
  for (int32_t j = 0; j < flags.Count(); ++j) {
    if (flags[j] != 1) continue;
    SaveMapPage(gam_map_, j, gam_bytes_per_page_, gam_page_map_[j], PageTypeGAM,
                "TFreeSpaceManager.SaveGAM - can not save page, pageNo = ");
    SaveMapPage(sgam_map_, j, gam_bytes_per_page_, gam_page_map_[j] + 1, PageTypeSGAM,
                "TFreeSpaceManager.SaveGAM - can not save SGAM page, pageNo = ");
  }
}

// --- allocation ---

void TFreeSpaceManager::TakeFromExtent(Request& request, int32_t e) {
  const int32_t first = page_file_.Header().FirstExtentPageNo;
  const int32_t begin = e * extent_page_count_;
  const int32_t last = begin + extent_page_count_ - 1;
  for (int32_t r = begin; r <= last && request.pages.Count() < request.count; ++r) {
    if (!GetBit(pfs_map_, r)) continue;
    SetBit(pfs_map_, r, false);
    request.pfs_flags.SetItem(e / extents_per_pfs_page_, 1);
    request.pages.Add(first + r);
    if (r == last) {
      // The extent's last page is taken: it is used up.
      if (GetBit(sgam_map_, e)) --mixed_extent_count_;
      SetBit(gam_map_, e, false);
      SetBit(sgam_map_, e, false);
      request.gam_flags.SetItem(e / extents_per_gam_page_, 1);
    }
  }
}

int64_t TFreeSpaceManager::ExtentsNeeded(int32_t shortfall, bool uniform_only) const {
  const TContainerHeader& h = page_file_.Header();
  int64_t pfs_pages = h.PFSPageCount;
  int64_t gam_pages = h.GAMPageCount;
  int64_t added = 0;
  int64_t gained = 0;
  const int64_t limit =
      (static_cast<int64_t>(INT32_MAX) - h.FirstExtentPageNo) / extent_page_count_ - extent_count_;
  while (gained < shortfall) {
    if (added >= limit) return -1;
    const int64_t x = extent_count_ + added;
    const bool new_pfs = x == extents_per_pfs_page_ * pfs_pages;
    const bool new_gam = x == extents_per_gam_page_ * gam_pages;
    if (new_pfs || new_gam) {
      ++pfs_pages;
      if (new_gam) ++gam_pages;
      if (!uniform_only) gained += extent_page_count_ - (new_gam ? 3 : 1);
    } else {
      gained += extent_page_count_;
    }
    ++added;
  }
  return added;
}

int32_t TFreeSpaceManager::AddExtents(Request& request, int32_t shortfall) {
  // Refuse before touching the maps when the extents would take the page
  // numbers past the largest signed 32-bit value.
  if (ExtentsNeeded(shortfall, request.uniform_only) < 0) return -1;

  TContainerHeader& h = page_file_.Header();
  const int32_t e = extent_page_count_;
  const int32_t base = extent_count_;
  int32_t added = 0;
  int64_t gained = 0;
  while (gained < shortfall) {
    const int32_t x = base + added;
    const bool new_pfs =
        static_cast<int64_t>(x) == static_cast<int64_t>(extents_per_pfs_page_) * h.PFSPageCount;
    const bool new_gam =
        static_cast<int64_t>(x) == static_cast<int64_t>(extents_per_gam_page_) * h.GAMPageCount;
    if (new_pfs || new_gam) {
      // The extent's first page holds a new PFS page.
      ++h.PFSPageCount;
      pfs_map_.resize(pfs_map_.size() + static_cast<size_t>(pfs_bytes_per_page_), 0xFF);
      const int32_t pfs_page =
          pfs_page_map_.Count() == 0
              ? kFirstPFSPageNo
              : pfs_page_map_[pfs_page_map_.Count() - 1] + extents_per_pfs_page_ * e;
      pfs_page_map_.Add(pfs_page);
      request.pfs_flags.Add(1);
      SetBit(pfs_map_, static_cast<int64_t>(x) * e, false);
      if (new_gam) {
        // Its second and third pages hold a new GAM/SGAM pair; the extent is
        // mixed.
        ++h.GAMPageCount;
        gam_map_.resize(gam_map_.size() + static_cast<size_t>(gam_bytes_per_page_), 0xFF);
        sgam_map_.resize(sgam_map_.size() + static_cast<size_t>(gam_bytes_per_page_), 0x00);
        SetBit(gam_map_, x, false);
        SetBit(sgam_map_, x, true);
        SetBit(pfs_map_, static_cast<int64_t>(x) * e + 1, false);
        SetBit(pfs_map_, static_cast<int64_t>(x) * e + 2, false);
        const int32_t gam_page =
            gam_page_map_.Count() == 0
                ? kFirstGAMPageNo
                : gam_page_map_[gam_page_map_.Count() - 1] + extents_per_gam_page_ * e;
        gam_page_map_.Add(gam_page);
        request.gam_flags.Add(1);
        if (!request.uniform_only) gained += e - 3;
      } else if (!request.uniform_only) {
        gained += e - 1;
      }
      ++mixed_extent_count_;
    } else {
      gained += e;
      ++free_extent_count_;
    }
    ++added;
  }
  extent_count_ = base + added;
  return added;
}

bool TFreeSpaceManager::GetPages(int32_t count, int32_t near_page, bool uniform_only,
                                 TIntegerArray& pages) {
  pages.SetCount(0);
  // A read-only container cannot save its maps: it has no pages to give, and
  // the maps in memory stay as they are on disk.
  if (page_file_.ReadOnly()) return false;
  Request request{count, uniform_only, pages, TIntegerArray(pfs_page_map_.Count(), 1, 10),
                  TIntegerArray(gam_page_map_.Count(), 1, 10)};
  const int32_t first = page_file_.Header().FirstExtentPageNo;
  auto serves = [&](int32_t e) {
    return GetBit(gam_map_, e) || (!uniform_only && GetBit(sgam_map_, e));
  };

  // The extent of near_page first (a page number before the allocation
  // area names no extent).
  int64_t near_extent = (static_cast<int64_t>(near_page) - first) / extent_page_count_;
  int32_t j = 0;
  if (near_extent >= 0 && near_extent < extent_count_) {
    j = static_cast<int32_t>(near_extent);
    TakeFromExtent(request, j);
  }
  // Then the open (and mixed) extents from the front, when there are any.
  if ((uniform_only && free_extent_count_ > 0) ||
      (!uniform_only && (mixed_extent_count_ > 0 || free_extent_count_ > 0))) {
    for (j = 0; j < extent_count_ && pages.Count() < count; ++j) {
      if (serves(j)) TakeFromExtent(request, j);
    }
  }
  bool result = true;
  if (pages.Count() < count) {
    const int32_t added = AddExtents(request, count - pages.Count());
    if (added < 0) {
      result = false;
    } else if (added == 0) {
      Raise("TFreeSpaceManager.GetPages - AddExtents does not append any extents.",
            ErrorKind::kGeneral);
    } else if (!page_file_.AddPages(extent_page_count_ * added)) {
      result = false;
    } else {
      for (; j < extent_count_ && pages.Count() < count; ++j) {
        if (serves(j)) TakeFromExtent(request, j);
      }
      if (pages.Count() < count) {
        Raise("TFreeSpaceManager.GetPages - AddExtents appends too small pages.",
              ErrorKind::kGeneral);
      }
    }
  }
  if (result) {
    int32_t max_page = 0;
    for (int32_t i = 0; i < pages.Count(); ++i) max_page = std::max(max_page, pages[i]);
    const int32_t file_pages = page_file_.Header().FilePageCount;
    if (max_page > file_pages - 1) result = page_file_.AddPages(max_page - file_pages + 1);
    if (result) {
      SaveGAM(request.gam_flags);
      SavePFS(request.pfs_flags);
    }
  }
  return result;
}

void TFreeSpaceManager::FreePages(const TIntegerArray& pages) {
  const TContainerHeader& h = page_file_.Header();
  const int32_t e = extent_page_count_;
  std::vector<int32_t> touched;
  TIntegerArray pfs_flags(pfs_page_map_.Count(), 1, 10);
  TIntegerArray gam_flags(gam_page_map_.Count(), 1, 10);
  for (int32_t i = 0; i < pages.Count(); ++i) {
    const int32_t p = pages[i];
    if (p < h.FirstExtentPageNo || p >= h.FilePageCount) continue;
    const int32_t r = p - h.FirstExtentPageNo;
    const int32_t extent = r / e;
    // Pages past the last whole extent and the map pages themselves are
    // never handed out, so they are never freed either.
    if (extent >= extent_count_ || IsMapPage(r)) continue;
    SetBit(pfs_map_, r, true);
    touched.push_back(extent);
    pfs_flags.SetItem(extent / extents_per_pfs_page_, 1);
  }
  std::sort(touched.begin(), touched.end());
  touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
  for (const int32_t extent : touched) {
    bool all_free = true;
    for (int32_t r = extent * e; r < (extent + 1) * e && all_free; ++r) {
      all_free = GetBit(pfs_map_, r);
    }
    if (!all_free) continue;
    if (GetBit(sgam_map_, extent)) --mixed_extent_count_;
    SetBit(gam_map_, extent, true);
    SetBit(sgam_map_, extent, false);
    gam_flags.SetItem(extent / extents_per_gam_page_, 1);
    ++free_extent_count_;
  }
  SaveGAM(gam_flags);
  SavePFS(pfs_flags);
}

}  // namespace vor
