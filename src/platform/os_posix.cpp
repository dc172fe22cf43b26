// POSIX systems identify themselves as the newest NT-class system, so that
// every rule keyed on the Windows version takes its most capable branch.
#include <unistd.h>

#include <vector>

#include "platform/os.h"

namespace vor::platform {

bool GetOSVersion(OSVersionInfo* info) {
  info->major = 10;
  info->minor = 0;
  info->build = 0;
  info->platform_id = kPlatformWin32NT;
  return true;
}

std::string ProgramPath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace vor::platform
