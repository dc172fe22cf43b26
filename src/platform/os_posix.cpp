// POSIX systems identify themselves as the newest NT-class system, so that
// every rule keyed on the Windows version takes its most capable branch.
#include "platform/os.h"

namespace vor::platform {

bool GetOSVersion(OSVersionInfo* info) {
  info->major = 10;
  info->minor = 0;
  info->build = 0;
  info->platform_id = kPlatformWin32NT;
  info->service_pack.clear();
  return true;
}

}  // namespace vor::platform
