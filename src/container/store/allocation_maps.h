// TFreeSpaceManager: the allocation maps of a container.
//
// Pages from FirstExtentPageNo (1) on are grouped in extents of
// ExtentPageCount (E) pages. Three bitmaps, least significant bit first:
//
//   PFSMap   one bit per relative page   set: the page is free
//   GAMMap   one bit per extent          set: open, serves any request
//   SGAMMap  one bit per extent          set: mixed, serves non-uniform ones
//
// Each bitmap is kept whole in memory and stored as the data of its own
// pages: PFS page i at 1 + i * ExtentsPerPFSPage * E, GAM page j at
// 2 + j * ExtentsPerGAMPage * E with its SGAM page right behind. Those
// places are computed, never stored. GetPages and FreePages write back only
// the map pages whose bits they changed.
#pragma once

#include <cstdint>
#include <vector>

#include "container/store/engine_arrays.h"
#include "container/store/page_file.h"

namespace vor {

class TFreeSpaceManager {
 public:
  // Derives the sizes, checks the counts in the header and loads the maps.
  explicit TFreeSpaceManager(TPageFileManager& page_file);
  TFreeSpaceManager(const TFreeSpaceManager&) = delete;
  TFreeSpaceManager& operator=(const TFreeSpaceManager&) = delete;

  // Allocates count pages into pages (cleared first): the extent of
  // near_page first, then open (and, unless uniform_only, mixed) extents
  // from the front, then new extents. False when the container could not
  // grow; the maps in memory may then hold changes that were not saved.
  bool GetPages(int32_t count, int32_t near_page, bool uniform_only, TIntegerArray& pages);
  // Marks the listed pages free. Pages outside the allocation area and the
  // map pages themselves are ignored.
  void FreePages(const TIntegerArray& pages);

  // Write the map pages whose flag is 1 (one flag per PFS page, one per
  // GAM/SGAM pair).
  void SavePFS(const TIntegerArray& flags);
  void SaveGAM(const TIntegerArray& flags);

  int32_t PFSBytesPerPage() const { return pfs_bytes_per_page_; }
  int32_t ExtentsPerPFSPage() const { return extents_per_pfs_page_; }
  int32_t GAMBytesPerPage() const { return gam_bytes_per_page_; }
  int32_t ExtentsPerGAMPage() const { return extents_per_gam_page_; }
  int32_t ExtentPageCount() const { return extent_page_count_; }
  int32_t ExtentCount() const { return extent_count_; }
  int32_t FreeExtentCount() const { return free_extent_count_; }
  int32_t MixedExtentCount() const { return mixed_extent_count_; }
  const TIntegerArray& PFSPageMap() const { return pfs_page_map_; }
  const TIntegerArray& GAMPageMap() const { return gam_page_map_; }

  // The map bits: relative page r free; extent e open; extent e mixed.
  bool PageFree(int32_t r) const { return GetBit(pfs_map_, r); }
  bool ExtentOpen(int32_t e) const { return GetBit(gam_map_, e); }
  bool ExtentMixed(int32_t e) const { return GetBit(sgam_map_, e); }

 private:
  // The bookkeeping of one GetPages call.
  struct Request {
    int32_t count;
    bool uniform_only;
    TIntegerArray& pages;
    TIntegerArray pfs_flags;
    TIntegerArray gam_flags;
  };

  static bool GetBit(const std::vector<uint8_t>& map, int64_t bit);
  static void SetBit(std::vector<uint8_t>& map, int64_t bit, bool value);

  void LoadPFS();
  void LoadGAM();
  // Appends a slice to map and reads map page page_no into it.
  bool LoadMapPage(std::vector<uint8_t>& map, int64_t page_no, int32_t bytes, uint8_t page_type);
  void SaveMapPage(std::vector<uint8_t>& map, int32_t slice, int32_t bytes, int32_t page_no,
                   uint8_t page_type, const char* message);

  void TakeFromExtent(Request& request, int32_t e);
  // Appends extents until they yield the shortfall; returns how many, or -1
  // when the container would pass the largest page number.
  int32_t AddExtents(Request& request, int32_t shortfall);
  // Extents AddExtents would append for the shortfall, without changes.
  int64_t ExtentsNeeded(int32_t shortfall, bool uniform_only) const;
  bool IsMapPage(int32_t r) const;
  int32_t CountBits(const std::vector<uint8_t>& map, int32_t bits) const;

  TPageFileManager& page_file_;
  std::vector<uint8_t> pfs_map_;
  std::vector<uint8_t> gam_map_;
  std::vector<uint8_t> sgam_map_;
  TIntegerArray pfs_page_map_{0, 10, 100};
  TIntegerArray gam_page_map_{0, 10, 100};
  int32_t pfs_bytes_per_page_ = 0;
  int32_t extents_per_pfs_page_ = 0;
  int32_t gam_bytes_per_page_ = 0;
  int32_t extents_per_gam_page_ = 0;
  int32_t extent_page_count_ = 0;
  int32_t free_extent_count_ = 0;
  int32_t mixed_extent_count_ = 0;
  int32_t extent_count_ = 0;
};

}  // namespace vor
