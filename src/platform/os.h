// Operating-system identification.
#pragma once

#include <cstdint>
#include <string>

namespace vor::platform {

// Platform identifiers as Windows reports them.
constexpr uint32_t kPlatformWin32Windows = 1;  // the Windows 9x line
constexpr uint32_t kPlatformWin32NT = 2;

struct OSVersionInfo {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platform_id = 0;
};

// GetVersionExA on Windows; on POSIX the system reports itself as the newest
// NT-class system (platform 2, version 10.0). False when the query fails.
bool GetOSVersion(OSVersionInfo* info);

// The running program's own file, full path, as the system reports it for
// argument 0 (GetModuleFileNameA on Windows, /proc/self/exe on POSIX); ""
// when the system does not tell.
std::string ProgramPath();

}  // namespace vor::platform
