// Choosing the page size of an installer's container from the package.
//
// Every stored file costs whole pages: its data rounded up to pages, and one
// page-map page per PageDataSize / 4 data pages. Small pages waste less on
// many small files; large pages carry fewer 32-byte page headers and suit a
// few large files. The estimate follows the engine's layout from the file
// sizes alone; the compressed size is guessed with one ratio that is the
// same for every candidate, so nothing is compressed twice.
#pragma once

#include <cstdint>
#include <vector>

namespace vor::vorpack {

// The page sizes vorpack chooses among when none is given: the smallest the
// format allows (one directory record per page), and those whose data part
// is 1, 2, 4, 8 or 16 KiB, which hold 2, 4, 8, 16 or 32 directory records of
// 512 bytes with nothing left over.
constexpr int32_t kPageSizeCandidates[] = {600, 1056, 2080, 4128, 8224, 16416};

// Estimated bytes of the container (volume data) holding files of these
// sizes and folder_count folders at the compression type and page size.
int64_t EstimateContainerBytes(const std::vector<int64_t>& file_sizes, int64_t folder_count,
                               uint8_t compression, int32_t page_size);

// The candidate with the smallest estimate; the larger page size when two
// estimates are equal (larger pages read faster).
int32_t ChoosePageSize(const std::vector<int64_t>& file_sizes, int64_t folder_count,
                       uint8_t compression);

}  // namespace vor::vorpack
