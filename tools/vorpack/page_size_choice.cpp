// The container size estimate behind vorpack's choice of page size.
#include "page_size_choice.h"

#include <cmath>

#include "codecs/compression.h"
#include "container/store/file_rec.h"
#include "container/store/page.h"
#include "container/stream/block_stream.h"

namespace vor::vorpack {

namespace {

constexpr int32_t kExtentPages = 8;
// Stored bytes per input byte guessed for every compressing type. The same
// guess serves every candidate, so it moves all estimates alike.
constexpr double kCompressedShare = 0.5;

int64_t CeilDiv(int64_t value, int64_t by) { return (value + by - 1) / by; }

// Bytes of the raw stream a file of size bytes becomes: the block stream's
// header, one header per block and the packed bytes, or the bytes as they
// are for type 0.
int64_t StoredBytes(int64_t size, uint8_t compression) {
  if (compression == 0) return size;
  const int64_t blocks = CeilDiv(size, GetBlockSize(compression));
  return kStreamHeaderSize + blocks * kBlockHeaderSize +
         static_cast<int64_t>(static_cast<double>(size) * kCompressedShare);
}

}  // namespace

int64_t EstimateContainerBytes(const std::vector<int64_t>& file_sizes, int64_t folder_count,
                               uint8_t compression, int32_t page_size) {
  const int64_t data_size = page_size - kPageHeaderSize;
  const int64_t map_entries = data_size / 4;
  // Stored as they are, files take exactly their sizes rounded up to pages.
  // Packed, their stored sizes are a guess, and the last page of a file
  // longer than one page is half used on average.
  double file_pages = 0;
  for (int64_t size : file_sizes) {
    const int64_t stored = StoredBytes(size, compression);
    const int64_t whole_pages = CeilDiv(stored, data_size);
    double data_pages = static_cast<double>(whole_pages);
    if (compression != 0 && whole_pages > 1) {
      data_pages = static_cast<double>(stored) / static_cast<double>(data_size) + 0.5;
    }
    // A file without data pages has no page map either.
    file_pages += data_pages + static_cast<double>(CeilDiv(whole_pages, map_entries));
  }
  int64_t pages = static_cast<int64_t>(std::ceil(file_pages));
  const int64_t records = static_cast<int64_t>(file_sizes.size()) + folder_count;
  const int64_t records_per_page = data_size / kFileRecSize > 0 ? data_size / kFileRecSize : 1;
  pages += CeilDiv(records, records_per_page);
  // The allocation maps: the first extent holds a PFS, a GAM and an SGAM
  // page; further PFS pages every data_size extents, GAM/SGAM pairs every
  // 8 * data_size. The area grows by whole extents behind header page 0.
  int64_t extents = CeilDiv(pages + 3, kExtentPages);
  extents = CeilDiv(pages + CeilDiv(extents, data_size) + 2 * CeilDiv(extents, 8 * data_size),
                    kExtentPages);
  return (1 + extents * kExtentPages) * page_size;
}

int32_t ChoosePageSize(const std::vector<int64_t>& file_sizes, int64_t folder_count,
                       uint8_t compression) {
  int32_t best = 0;
  int64_t best_bytes = 0;
  for (int32_t candidate : kPageSizeCandidates) {
    const int64_t bytes = EstimateContainerBytes(file_sizes, folder_count, compression, candidate);
    if (best == 0 || bytes <= best_bytes) {
      best = candidate;
      best_bytes = bytes;
    }
  }
  return best;
}

}  // namespace vor::vorpack
