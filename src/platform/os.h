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
  std::string service_pack;  // szCSDVersion: " A" on Windows 98 SE, "Service Pack 3", ...
};

// GetVersionExA on Windows; on POSIX the system reports itself as the newest
// NT-class system (platform 2, version 10.0). False when the query fails.
bool GetOSVersion(OSVersionInfo* info);

}  // namespace vor::platform
