// TUserFilePageMapManager: the page maps of the files in a container.
//
// A file's data pages are listed, in file order, in a chain of map pages
// (PageTypeUFPM) that starts at its record's FirstMapPageNo. Each map page
// holds EntriesPerMapPage = PageDataSize div 4 signed 32-bit page numbers;
// NextPageNo links the chain, -1 ends it. The number of data pages is not
// stored: it follows from the record's FileSize.
//
// Two caches keyed by FirstMapPageNo hold each file's map page list and data
// page list. They are emptied wholesale before they would pass 100 files,
// and only when an operation begins, so the lists an operation works on stay
// the cached ones to its end. Lists are shared: a list handed out by GetMaps
// stays valid for as long as the caller holds it, even across a flush.
#pragma once

#include <cstdint>
#include <memory>

#include "container/store/engine_arrays.h"
#include "container/store/file_rec.h"

namespace vor {

class TPageFileManager;
class TFreeSpaceManager;

class TUserFilePageMapManager {
 public:
  // Neither manager is owned; nothing is read yet.
  TUserFilePageMapManager(TPageFileManager& page_file, TFreeSpaceManager& free_space);
  ~TUserFilePageMapManager();

  TUserFilePageMapManager(const TUserFilePageMapManager&) = delete;
  TUserFilePageMapManager& operator=(const TUserFilePageMapManager&) = delete;

  // The file's map pages and data pages, from the cache or read from disk.
  // Raises for a file without a map and for a chain that cannot be read or
  // does not fit the container.
  void GetMaps(const TFileRec& rec, std::shared_ptr<const TIntegerArray>* map_pages,
               std::shared_ptr<const TIntegerArray>* data_pages);

  // Adds page_count data pages at the end of the file (zero-filled when
  // init_pages), creating its map when it has none (which sets
  // rec.FirstMapPageNo). False when the pages could not be allocated
  // (LastError -17; nothing is changed then) or a map page could not be
  // written (LastError the page file's code).
  bool AppendPages(TFileRec& rec, int32_t page_count, bool init_pages);
  // Removes the file's last count data pages, and the map pages no longer
  // needed; removing all of them sets rec.FirstMapPageNo to -1.
  void DeletePagesFromEOF(TFileRec& rec, int32_t count);
  // Makes the file's page count fit new_size bytes.
  bool ResizeFile(TFileRec& rec, bool init_pages, int64_t new_size);
  // The data pages covering bytes position .. position + count (the page
  // holding byte position + count included), growing the file first when
  // grow. A negative range covers no page.
  bool GetPagesForRange(TFileRec& rec, bool grow, int64_t position, int64_t count,
                        TIntegerArray* pages);
  // Data pages needed for size bytes.
  int32_t PagesForSize(int64_t size) const;

  int32_t LastError() const { return last_error_; }
  int32_t EntriesPerMapPage() const { return entries_per_map_page_; }
  // Files in the map and data caches.
  int32_t MapCacheCount() const { return map_cache_.Count(); }
  int32_t DataCacheCount() const { return data_cache_.Count(); }

  // The largest number of files a cache holds.
  static constexpr int32_t kCacheLimit = 100;

 private:
  using TPageList = std::shared_ptr<TIntegerArray>;
  // A cache slot; the list is shared with whoever holds it.
  struct TCachedList {
    TPageList list;
  };
  using TCache = TSortedPtrArray<std::unique_ptr<TCachedList>>;
  struct TMaps {
    TPageList map;
    TPageList data;
  };
  class Operation;

  // Empties both caches when one more file would pass the limit.
  void MakeRoom();
  // The file's lists, read from disk when not cached (never flushes).
  TMaps Maps(const TFileRec& rec);
  TMaps ReadMaps(const TFileRec& rec);
  void CacheMaps(int32_t first_map_page, const TMaps& maps);
  void DropMaps(int32_t first_map_page);
  bool DoAppendPages(TFileRec& rec, int32_t page_count, bool init_pages);
  void DoDeletePagesFromEOF(TFileRec& rec, int32_t count);
  bool DoResizeFile(TFileRec& rec, bool init_pages, int64_t new_size);
  // Writes map pages first .. first + count - 1 from the lists; false when a
  // write fails.
  bool WriteMapPages(int32_t first, int32_t count, const TIntegerArray& data,
                     const TIntegerArray& map);

  TPageFileManager& page_file_;
  int32_t last_error_ = 0;
  TFreeSpaceManager& free_space_;
  TCache map_cache_;
  TCache data_cache_;
  int32_t entries_per_map_page_ = 1;
  TIntegerArray new_pages_;
  int depth_ = 0;  // public operations running (they nest)
};

}  // namespace vor
