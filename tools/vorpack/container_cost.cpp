// Measuring the container format's share of an installer.
#include "container_cost.h"

#include <cstdio>
#include <string>

#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/file_rec.h"
#include "container/store/open_mode.h"
#include "container/store/page_file.h"
#include "progress.h"

namespace vor::vorpack {

namespace {

constexpr int32_t kPageHeaderSize = 32;

int64_t Ceil(int64_t value, int64_t unit) { return (value + unit - 1) / unit; }

}  // namespace

ContainerCost MeasureContainer(const std::string& path, const std::string& password,
                               int64_t stored_bytes, int64_t container_bytes) {
  TPageFileManager page_file(path, kOpenModeRead, password, "", "", false, 4096, 8, -1);
  TFreeSpaceManager free_space(page_file);
  TDIRManager directory(page_file, free_space);
  const TContainerHeader& h = page_file.Header();
  const int64_t page = h.PageSize;
  const int64_t data = page_file.PageDataSize();
  const int64_t map_entries = data / 4;

  ContainerCost cost;
  cost.page_size = h.PageSize;
  cost.container_bytes = container_bytes;
  cost.stored_bytes = stored_bytes;
  cost.directory_bytes = int64_t{h.DIRPageCount} * page;
  cost.allocation_bytes = (int64_t{h.PFSPageCount} + 2 * int64_t{h.GAMPageCount}) * page;
  int64_t map_pages = 0;
  int64_t data_pages = 0;
  int64_t raw_bytes = 0;
  const TDIRArray& records = directory.DirArray();
  for (int32_t i = 0; i < records.ItemCount(); ++i) {
    const TFileRec& rec = records.Item(i);
    if (rec.Deleted != 0 || (rec.Attributes & kFileAttributeDirectory) != 0) continue;
    const int64_t pages = Ceil(rec.FileSize, data);
    data_pages += pages;
    map_pages += pages > 0 ? Ceil(pages, map_entries) : (rec.FirstMapPageNo >= 0 ? 1 : 0);
    raw_bytes += rec.FileSize;
  }
  cost.map_bytes = map_pages * page;
  cost.page_header_bytes = data_pages * kPageHeaderSize;
  cost.stream_header_bytes = raw_bytes - stored_bytes;
  cost.slack_bytes = data_pages * data - raw_bytes;
  const int64_t used_pages =
      1 + h.DIRPageCount + h.PFSPageCount + 2 * int64_t{h.GAMPageCount} + map_pages + data_pages;
  cost.free_bytes = (int64_t{h.FilePageCount} - used_pages) * page;
  // Page 0 and whatever lies outside the pages: the volume header.
  cost.header_bytes = container_bytes - (int64_t{h.FilePageCount} - 1) * page;
  return cost;
}

std::string DescribeCost(const ContainerCost& cost) {
  const auto bytes = [](int64_t n) { return coffer::FormatBytes(static_cast<double>(n)); };
  const double share = cost.container_bytes > 0 ? 100.0 * static_cast<double>(cost.Overhead()) /
                                                      static_cast<double>(cost.container_bytes)
                                                : 0.0;
  char percent[16];
  std::snprintf(percent, sizeof percent, "%.1f%%", share);
  return "format overhead " + bytes(cost.Overhead()) + " (" + percent + " of the container, page " +
         std::to_string(cost.page_size) + "): directory " + bytes(cost.directory_bytes) +
         ", page maps " + bytes(cost.map_bytes) + ", allocation maps " +
         bytes(cost.allocation_bytes) + ", page headers " + bytes(cost.page_header_bytes) +
         ", block headers " + bytes(cost.stream_header_bytes) + ", last-page slack " +
         bytes(cost.slack_bytes) + ", free pages " + bytes(cost.free_bytes) + ", headers " +
         bytes(cost.header_bytes);
}

}  // namespace vor::vorpack
