// GetVersionExA. Without a compatibility manifest Windows 8.1 and later
// report 6.2; callers treat every NT version above the ones they know alike,
// so the understated figure does no harm.
#include <windows.h>

#include "platform/os.h"

namespace vor::platform {

bool GetOSVersion(OSVersionInfo* info) {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof(version));
  version.dwOSVersionInfoSize = sizeof(version);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  const BOOL ok = ::GetVersionExA(&version);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  if (!ok) return false;
  info->major = version.dwMajorVersion;
  info->minor = version.dwMinorVersion;
  info->build = version.dwBuildNumber;
  info->platform_id = version.dwPlatformId;
  info->service_pack = version.szCSDVersion;
  return true;
}

}  // namespace vor::platform
