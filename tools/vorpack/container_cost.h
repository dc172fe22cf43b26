// What the container format itself costs in an installer: every byte of the
// container that is not a file's stored (compressed) bytes, by cause.
#pragma once

#include <cstdint>
#include <string>

namespace vor::vorpack {

struct ContainerCost {
  int32_t page_size = 0;
  int64_t container_bytes = 0;      // the volume behind the program, all of it
  int64_t stored_bytes = 0;         // the files' compressed bytes (as given)
  int64_t header_bytes = 0;         // volume header and the container's header page
  int64_t directory_bytes = 0;      // directory pages (512-byte records)
  int64_t map_bytes = 0;            // the files' page map pages
  int64_t allocation_bytes = 0;     // allocation map pages (PFS, GAM, SGAM)
  int64_t page_header_bytes = 0;    // the 32-byte header of every data page
  int64_t stream_header_bytes = 0;  // stream and block headers of compressed files
  int64_t slack_bytes = 0;          // unused bytes of each file's last data page
  int64_t free_bytes = 0;           // free pages of the last extents

  int64_t Overhead() const { return container_bytes - stored_bytes; }
};

// Measures the container of the installer at path (opened with password):
// container_bytes behind the program, of which stored_bytes are the files'
// compressed bytes as the build counted them. Raises the engine's error
// when the container cannot be read.
ContainerCost MeasureContainer(const std::string& path, const std::string& password,
                               int64_t stored_bytes, int64_t container_bytes);

// One line for the build summary: the overhead and its parts.
std::string DescribeCost(const ContainerCost& cost);

}  // namespace vor::vorpack
