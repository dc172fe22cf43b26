#include "platform/fs.h"

#include <gtest/gtest.h>

#include "platform/fs_types.h"
#include "platform/test_temp_dir.h"
#include "platform/time.h"

namespace vor::platform {
namespace {

using vor::testing::TempDirTest;

TEST(PathTest, SplitsAtTheLastDelimiter) {
  const std::string d(1, PathDelimiter());
  const std::string path = "top" + d + "sub" + d + "vol.dat";
  EXPECT_EQ(ExtractFilePath(path), "top" + d + "sub" + d);
  EXPECT_EQ(ExtractFileName(path), "vol.dat");
  EXPECT_EQ(ExtractFilePath("vol.dat"), "");
  EXPECT_EQ(ExtractFileName("vol.dat"), "vol.dat");
  EXPECT_EQ(ExtractFileName("top" + d), "");
}

TEST(PathTest, TrailingDelimitersAndTheJoinFollowOneRule) {
  const std::string d(1, PathDelimiter());
  struct Case {
    std::string path;
    std::string with;     // WithTrailingDelimiter
    std::string without;  // WithoutTrailingDelimiters
  };
  const Case cases[] = {
      {"", d, ""},
      {"a", "a" + d, "a"},
      {"a" + d, "a" + d, "a"},
      {"a" + d + d, "a" + d + d, "a"},
      {"a/", "a/", "a"},  // '/' is a delimiter on every platform
      {d, d, d},          // the root keeps its delimiter
      {"top" + d + "sub", "top" + d + "sub" + d, "top" + d + "sub"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(WithTrailingDelimiter(c.path), c.with);
    EXPECT_EQ(WithoutTrailingDelimiters(c.path), c.without);
  }
  EXPECT_TRUE(IsPathDelimiter('/'));
  EXPECT_TRUE(IsPathDelimiter(PathDelimiter()));
  EXPECT_FALSE(IsPathDelimiter('a'));

  EXPECT_EQ(JoinDiskPath("top", "f"), "top" + d + "f");
  EXPECT_EQ(JoinDiskPath("top" + d, "f"), "top" + d + "f");
  EXPECT_EQ(JoinDiskPath("top/", "f"), "top/f");
  EXPECT_EQ(JoinDiskPath("", "f"), "f");  // the current folder
  EXPECT_EQ(JoinDiskPath("top", ""), "top");
}

class FsTest : public TempDirTest {};

TEST_F(FsTest, FilesAndFolders) {
  EXPECT_TRUE(DirectoryExists(dir_));
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_FALSE(FileExists(Path("f")));
  EXPECT_EQ(GetFileAttributes(Path("f")), kInvalidFileAttributes);
  EXPECT_EQ(GetFileSize(Path("f")), -1);

  ASSERT_TRUE(WriteAll(Path("f"), "12345"));
  EXPECT_TRUE(FileExists(Path("f")));
  EXPECT_FALSE(DirectoryExists(Path("f")));
  EXPECT_EQ(GetFileSize(Path("f")), 5);
  EXPECT_EQ(GetFileAttributes(Path("f")) & kFileAttributeDirectory, 0u);

  ASSERT_TRUE(CreateDirectory(Path("sub")));
  EXPECT_FALSE(CreateDirectory(Path("sub")));  // exists already
  EXPECT_TRUE(DirectoryExists(Path("sub")));
  EXPECT_NE(GetFileAttributes(Path("sub")) & kFileAttributeDirectory, 0u);
  EXPECT_FALSE(DeleteFile(Path("sub")));  // a folder is not a file

  EXPECT_TRUE(DeleteFile(Path("f")));
  EXPECT_FALSE(FileExists(Path("f")));
  EXPECT_FALSE(DeleteFile(Path("f")));
  EXPECT_TRUE(RemoveDirectory(Path("sub")));
  EXPECT_FALSE(DirectoryExists(Path("sub")));
}

TEST_F(FsTest, ForceDirectoriesMakesEveryMissingParent) {
  const std::string d(1, PathDelimiter());
  ASSERT_TRUE(WriteAll(Path("file"), "x"));
  struct Case {
    std::string path;
    bool result;
    std::string exists;  // a folder that must exist afterwards ("" = none)
  };
  const Case cases[] = {
      {Path("a") + d + "b" + d + "c", true, Path("a") + d + "b" + d + "c"},
      {Path("a") + d + "b" + d + "c", true, ""},  // exists already
      {Path("x") + d + "y" + d + d, true, Path("x") + d + "y"},
      {Path("a") + "\\", true, ""},  // a trailing backslash on every platform
      {dir_, true, ""},
      {d, true, ""},  // the root
      {"", false, ""},
      {Path("file"), false, ""},  // a file stands in the way
      {Path("file") + d + "sub" + d + "deeper", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ForceDirectories(c.path), c.result);
    if (!c.exists.empty()) {
      EXPECT_TRUE(DirectoryExists(c.exists));
    }
  }
  EXPECT_FALSE(DirectoryExists(Path("file") + d + "sub"));
}

TEST_F(FsTest, ReadOnlyAttributeBlocksDeletionUntilCleared) {
  ASSERT_TRUE(WriteAll(Path("f"), "x"));
  ASSERT_TRUE(SetFileAttributes(Path("f"), kFileAttributeReadOnly));
  EXPECT_NE(GetFileAttributes(Path("f")) & kFileAttributeReadOnly, 0u);
  EXPECT_FALSE(DeleteFile(Path("f")));
  EXPECT_TRUE(FileExists(Path("f")));
  ASSERT_TRUE(SetFileAttributes(Path("f"), kFileAttributeNormal));
  EXPECT_EQ(GetFileAttributes(Path("f")) & kFileAttributeReadOnly, 0u);
  EXPECT_TRUE(DeleteFile(Path("f")));
}

TEST_F(FsTest, RemoveDirectoryTreeRemovesNestedContent) {
  ASSERT_TRUE(CreateDirectory(Path("a")));
  const std::string inner = Path("a") + PathDelimiter() + "b";
  ASSERT_TRUE(CreateDirectory(inner));
  ASSERT_TRUE(WriteAll(inner + PathDelimiter() + "f", "x"));
  ASSERT_TRUE(WriteAll(Path("a") + PathDelimiter() + "g", "y"));
  EXPECT_TRUE(RemoveDirectoryTree(Path("a")));
  EXPECT_FALSE(DirectoryExists(Path("a")));
}

TEST_F(FsTest, LastWriteTimeRoundTrips) {
  ASSERT_TRUE(WriteAll(Path("f"), "x"));
  SystemTime st;
  st.year = 2004;
  st.month = 7;
  st.day = 15;
  st.hour = 10;
  st.minute = 20;
  st.second = 30;
  uint64_t ft = 0;
  ASSERT_TRUE(SystemTimeToFileTime(st, &ft));
  ASSERT_TRUE(SetFileLastWriteTime(Path("f"), ft));
  EXPECT_EQ(GetFileLastWriteTime(Path("f")), ft);
  EXPECT_EQ(GetFileLastWriteTime(Path("missing")), 0u);
}

TEST_F(FsTest, CurrentDirectoryChanges) {
  const std::string saved = GetCurrentDirectory();
  ASSERT_FALSE(saved.empty());
  ASSERT_TRUE(SetCurrentDirectory(dir_));
  ASSERT_TRUE(WriteAll("relative.txt", "x"));
  const bool visible = FileExists(Path("relative.txt"));
  ASSERT_TRUE(SetCurrentDirectory(saved));
  EXPECT_TRUE(visible);
  EXPECT_EQ(GetCurrentDirectory(), saved);
  EXPECT_FALSE(SetCurrentDirectory(Path("missing")));
}

TEST_F(FsTest, VolumeQueriesAnswerForTheTempFolder) {
  const std::string root = ExtractRoot(Path("vol.dat"));
  std::string name;
  ASSERT_TRUE(GetVolumeFileSystemName(root, &name));
  EXPECT_FALSE(name.empty());
  EXPECT_GT(GetDiskFreeBytesAvailable(root), 0);
  EXPECT_FALSE(GetVolumeFileSystemName(Path("missing") + PathDelimiter(), &name));
}

TEST(FileSystemTypeTableTest, MapsTypesOntoWindowsNames) {
  struct Case {
    uint64_t magic;
    const char* expected;
  };
  const Case cases[] = {
      {0xEF53, "NTFS"},        // ext2/3/4
      {0x58465342, "NTFS"},    // xfs
      {0x9123683E, "NTFS"},    // btrfs
      {0x01021994, "NTFS"},    // tmpfs
      {0x794C7630, "NTFS"},    // overlayfs
      {0x6969, "NTFS"},        // nfs
      {0x4D44, "FAT32"},       // vfat
      {0x9660, "CDFS"},        // iso9660
      {0x15013346, "FS_UDF"},  // udf
      {0x12345678, "NTFS"},    // unknown
      {0, "NTFS"},             // unknown
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowsFileSystemName(c.magic), c.expected) << std::hex << c.magic;
  }
}

TEST(FileSystemTypeTableTest, RowsAreUniqueAndNamed) {
  size_t count = 0;
  const FileSystemTypeRow* rows = FileSystemTypeTable(&count);
  ASSERT_GT(count, 0u);
  for (size_t i = 0; i < count; ++i) {
    EXPECT_NE(std::string(rows[i].windows_name), "");
    EXPECT_EQ(WindowsFileSystemName(rows[i].magic), rows[i].windows_name) << rows[i].posix_name;
    for (size_t j = i + 1; j < count; ++j) EXPECT_NE(rows[i].magic, rows[j].magic);
  }
}

}  // namespace
}  // namespace vor::platform
