#include "container/volume/part_size.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

platform::OSVersionInfo Version(uint32_t major, uint32_t minor, uint32_t platform_id) {
  platform::OSVersionInfo v;
  v.major = major;
  v.minor = minor;
  v.platform_id = platform_id;
  return v;
}

constexpr uint32_t k9x = platform::kPlatformWin32Windows;
constexpr uint32_t kNT = platform::kPlatformWin32NT;

TEST(ClassifyOSVersionTest, KnownAndNewerVersions) {
  struct Case {
    uint32_t major, minor, platform_id;
    int os_class;
  };
  const Case cases[] = {
      {3, 51, kNT, 4},
      {4, 0, k9x, 1},
      {4, 0, kNT, 5},
      {4, 10, k9x, 2},
      {4, 90, k9x, 3},
      {5, 0, kNT, 6},
      {5, 1, kNT, 7},
      {5, 2, kNT, 8},
      // Every NT version after 5.2 is the newest class.
      {5, 3, kNT, 8},
      {6, 0, kNT, 8},
      {6, 1, kNT, 8},
      {6, 2, kNT, 8},
      {6, 3, kNT, 8},
      {10, 0, kNT, 8},
      {11, 0, kNT, 8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyOSVersion(Version(c.major, c.minor, c.platform_id)), c.os_class)
        << c.major << "." << c.minor << " platform " << c.platform_id;
  }
}

TEST(ClassifyOSVersionTest, UnknownVersionsRaise) {
  const platform::OSVersionInfo unknown[] = {
      Version(2, 0, kNT), Version(4, 5, k9x), Version(4, 3, kNT),
      Version(6, 0, k9x), Version(0, 0, 0),
  };
  for (const auto& v : unknown) {
    try {
      ClassifyOSVersion(v);
      ADD_FAILURE() << v.major << "." << v.minor;
    } catch (const EVorError& e) {
      EXPECT_STREQ(e.what(), "Can't Identify OS version");
    }
  }
}

TEST(PartSizeForFileSystemTest, Table) {
  struct Case {
    int os_class;
    const char* fs;
    const char* root;
    int64_t expected;
  };
  const Case cases[] = {
      {6, "FAT32", "C:\\", 4294967295LL},
      {8, "FAT32", "C:\\", 4294967295LL},
      {5, "FAT32", "C:\\", 2147483647LL},
      {1, "FAT32", "C:\\", 2147483647LL},
      {8, "NTFS", "C:\\", 0x7FFFFFFFFFFFFFFELL},
      {8, "FAT16", "C:\\", 2147483647LL},
      {8, "CDFS", "D:\\", 0},
      {8, "FS_UDF", "E:\\", 123456789LL},
      {8, "FAT", "A:\\", 1457664},
      {8, "FAT", "B:\\", 1457664},
      {8, "FAT", "C:\\", 2147483647LL},
      {8, "ntfs", "C:\\", 0},  // names compare with case
      {8, "exFAT", "C:\\", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PartSizeForFileSystem(c.os_class, c.fs, c.root, 123456789LL), c.expected)
        << c.os_class << " " << c.fs << " " << c.root;
  }
}

class GetMaxPartSizeTest : public vor::testing::TempDirTest {};

TEST_F(GetMaxPartSizeTest, AnswersForTheRunningSystem) {
  // The running system is NT-class (or reports itself so), and its temporary
  // folder lies on a file system the table knows or maps.
  const int64_t size = GetMaxPartSize(Path("vol.dat"));
  EXPECT_GE(size, 0);
  EXPECT_NE(size, 1457664);
}

}  // namespace
}  // namespace vor
