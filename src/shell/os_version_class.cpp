#include "shell/os_version_class.h"

namespace vor {

namespace {

constexpr int kNewestNtClass = 6;

}  // namespace

int ClassifyOSVersionClass(const platform::OSVersionInfo* version) {
  if (version == nullptr) return -1;
  const uint32_t major = version->major;
  const uint32_t minor = version->minor;
  if (version->platform_id == platform::kPlatformWin32Windows) {
    if (major == 4 && minor == 0) return 0;
    if (major == 4 && minor == 10) {
      const std::string& sp = version->service_pack;
      return sp.size() >= 2 && sp[1] == 'A' ? 2 : 1;
    }
    if (major == 4 && minor == 90) return 3;
    return -1;
  }
  if (version->platform_id == platform::kPlatformWin32NT) {
    if (major <= 4) return 4;
    if (major == 5 && minor == 0) return 5;
    // XP (5.1) and every NT release after it (Server 2003, Vista, 7, 8, 10,
    // 11, ...) have the all-users folders XP has, so they share its class.
    return kNewestNtClass;
  }
  return -1;
}

int OSVersionClassFrom(const VersionSource& source) {
  platform::OSVersionInfo version;
  if (!source || !source(&version)) return ClassifyOSVersionClass(nullptr);
  return ClassifyOSVersionClass(&version);
}

}  // namespace vor
