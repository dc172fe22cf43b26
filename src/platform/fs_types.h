// The file-system types of POSIX systems mapped onto the names Windows
// reports for its volumes ("NTFS", "FAT32", "CDFS", "FS_UDF", ...).
//
// The container chooses its part size from the file-system name, so every
// type maps onto the Windows name of the file system that behaves alike as
// far as the largest file goes: journalling and memory file systems with
// 64-bit file sizes like "NTFS", FAT like "FAT32", ISO 9660 like "CDFS",
// UDF like "FS_UDF". A type that is not in the table counts as "NTFS".
//
// The table is plain data (statfs f_type magic numbers), so it is built and
// tested on every target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vor::platform {

struct FileSystemTypeRow {
  uint64_t magic;            // statfs f_type
  const char* posix_name;    // the type's own name, for readers of the table
  const char* windows_name;  // what GetVolumeFileSystemName reports
};

// The table's rows; *count receives their number.
const FileSystemTypeRow* FileSystemTypeTable(size_t* count);

// The Windows name for a statfs f_type ("NTFS" for unknown types).
std::string WindowsFileSystemName(uint64_t magic);

}  // namespace vor::platform
