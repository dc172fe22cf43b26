// GetVersionExA. Without a compatibility manifest Windows 8.1 and later
// report 6.2; callers treat every NT version above the ones they know alike,
// so the understated figure does no harm.
#include <windows.h>

#include <vector>

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
  return true;
}

std::string ProgramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace vor::platform
