#include "shell/os_version_class.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

constexpr uint32_t k9x = platform::kPlatformWin32Windows;
constexpr uint32_t kNT = platform::kPlatformWin32NT;

TEST(OSVersionClassTest, EveryRowOfTheTable) {
  struct Case {
    uint32_t platform_id, major, minor;
    const char* service_pack;
    int os_class;
  };
  const Case cases[] = {
      {k9x, 4, 0, "", 0},      // Windows 95
      {k9x, 4, 0, " C", 0},    // Windows 95 OSR2
      {k9x, 4, 10, "", 1},     // Windows 98
      {k9x, 4, 10, " B", 1},   //
      {k9x, 4, 10, "A", 1},    // the second character counts, not the first
      {k9x, 4, 10, " A", 2},   // Windows 98 SE
      {k9x, 4, 10, " A ", 2},  //
      {k9x, 4, 90, "", 3},     // Windows Me
      {kNT, 3, 51, "", 4},     // NT 3.51
      {kNT, 4, 0, "Service Pack 6", 4},
      {kNT, 5, 0, "", 5},                // 2000
      {kNT, 5, 1, "Service Pack 3", 6},  // XP
      // Every later NT release has XP's all-users folders.
      {kNT, 5, 2, "", 6},   // Server 2003, XP x64
      {kNT, 6, 0, "", 6},   // Vista
      {kNT, 6, 1, "", 6},   // 7
      {kNT, 6, 2, "", 6},   // 8 (and later ones without a manifest)
      {kNT, 6, 3, "", 6},   // 8.1
      {kNT, 10, 0, "", 6},  // 10 and 11
      // What the table cannot place.
      {k9x, 4, 3, "", -1},
      {k9x, 5, 0, "", -1},
      {k9x, 3, 10, "", -1},
      {0, 3, 10, "", -1},  // Win32s
      {3, 4, 0, "", -1},   // CE
  };
  for (const Case& c : cases) {
    platform::OSVersionInfo v;
    v.platform_id = c.platform_id;
    v.major = c.major;
    v.minor = c.minor;
    v.service_pack = c.service_pack;
    EXPECT_EQ(ClassifyOSVersionClass(&v), c.os_class)
        << "platform " << c.platform_id << " " << c.major << "." << c.minor << " '"
        << c.service_pack << "'";
    const VersionSource source = [&v](platform::OSVersionInfo* out) {
      *out = v;
      return true;
    };
    EXPECT_EQ(OSVersionClassFrom(source), c.os_class);
  }
}

TEST(OSVersionClassTest, NoVersionRecordIsMinusOne) {
  EXPECT_EQ(ClassifyOSVersionClass(nullptr), -1);
  EXPECT_EQ(OSVersionClassFrom([](platform::OSVersionInfo*) { return false; }), -1);
  EXPECT_EQ(OSVersionClassFrom(VersionSource()), -1);
}

}  // namespace
}  // namespace vor
