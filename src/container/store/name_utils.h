// Helpers of the directory: name comparison, masks, paths, times and the
// search record that the folder search fills.
#pragma once

#include <cstdint>
#include <string>

namespace vor {

// Compares two names without regard to case under the process-wide
// collation: negative, 0 or positive. The arguments are not modified.
int CompareNames(const std::string& a, const std::string& b);

// Whether name matches mask: "*.*" matches everything, "*" any run of
// characters, "?" any one character; with ignore_case characters whose codes
// differ by exactly 32 match as well.
bool MatchesMask(const std::string& name, const std::string& mask, bool ignore_case);

// Splits path at its last backslash or slash, not counting one in the last
// position. False when there is none; otherwise folder is the part in front
// of the separator and name the part behind it without a trailing separator.
bool SplitPath(const std::string& path, std::string* folder, std::string* name);

// The current local time cut to the 2 seconds of a DOS date and time, as a
// UTC FILETIME.
uint64_t NowFileTime();

// The DOS date (high 16 bits) and time (low 16 bits) of a UTC FILETIME in
// local time; 0 when it has no DOS form.
int32_t FileTimeToLocalDosDateTime(uint64_t filetime);

// The find-data record of a folder search, as Windows lays it out.
struct TWin32FindData {
  uint32_t dwFileAttributes = 0;
  uint64_t ftCreationTime = 0;
  uint64_t ftLastAccessTime = 0;
  uint64_t ftLastWriteTime = 0;
  uint32_t nFileSizeHigh = 0;
  uint32_t nFileSizeLow = 0;
  std::string cFileName;
};

// The search record of FindFirst and FindNext.
struct TSearchRec {
  int32_t Time = 0;  // DOS date in the high, DOS time in the low 16 bits
  int32_t Size = 0;  // low 32 bits of the file size
  int32_t Attr = 0;
  std::string Name;
  int32_t ExcludeMask = 0;
  int32_t SearchHandle = -1;
  TWin32FindData FindData;
};

}  // namespace vor
