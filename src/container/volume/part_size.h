// The automatic part size of a volume: the largest file the operating system
// and the file system of the volume's drive allow.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os.h"

namespace vor {

// Windows classes: 1 = 95, 2 = 98, 3 = Me, 4 = NT 3.x, 5 = NT 4.0, 6 = 2000,
// 7 = XP, 8 = Server 2003 and every later NT version. Raises
// "Can't Identify OS version" for a version it does not know.
int ClassifyOSVersion(const platform::OSVersionInfo& version);

// The part size for a file-system name ("NTFS", "FAT32", ...) under an OS
// class; root is the volume's root ("A:\" matters for "FAT") and
// udf_free_bytes the free space on it (used for "FS_UDF" only). 0 means
// "no limit known".
int64_t PartSizeForFileSystem(int os_class, const std::string& fs_name, const std::string& root,
                              int64_t udf_free_bytes);

// Classifies the running system, then asks for the file system at the root
// of path; 0 when that query fails.
int64_t GetMaxPartSize(const std::string& path);

}  // namespace vor
