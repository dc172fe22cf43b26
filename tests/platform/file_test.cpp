#include "platform/file.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/platform_error.h"
#include "platform/test_temp_dir.h"

namespace vor::platform {
namespace {

using vor::testing::TempDirTest;

class FileHandleTest : public TempDirTest {
 protected:
  std::unique_ptr<FileHandle> OpenFile(const std::string& path, FileAccess access, FileShare share,
                                       FileDisposition disposition) {
    return FileHandle::Open(path, access, share, disposition);
  }
};

TEST_F(FileHandleTest, ReadWriteSeekAndEndOfFile) {
  auto f = OpenFile(Path("a.bin"), FileAccess::kReadWrite, FileShare::kShared,
                    FileDisposition::kCreateAlways);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Write("hello world", 11), 11);
  EXPECT_EQ(f->Seek(0, kSeekCurrent), 11);
  EXPECT_EQ(f->Seek(-5, kSeekEnd), 6);
  char buf[16] = {0};
  EXPECT_EQ(f->Read(buf, 16), 5);  // short at the end of the file
  EXPECT_EQ(std::string(buf, 5), "world");
  EXPECT_EQ(f->Read(buf, 16), 0);
  // Extending with SetEndOfFile leaves zero bytes; truncating drops the tail.
  EXPECT_EQ(f->Seek(5000000000LL, kSeekBegin), 5000000000LL);  // beyond 32 bits
  EXPECT_EQ(f->Seek(20, kSeekBegin), 20);
  EXPECT_TRUE(f->SetEndOfFile());
  EXPECT_EQ(f->Seek(0, kSeekEnd), 20);
  EXPECT_EQ(f->Seek(5, kSeekBegin), 5);
  EXPECT_TRUE(f->SetEndOfFile());
  EXPECT_TRUE(f->Flush());
  f.reset();
  EXPECT_EQ(GetFileSize(Path("a.bin")), 5);
  EXPECT_EQ(ReadAll(Path("a.bin")), "hello");
}

TEST_F(FileHandleTest, NegativeSeekFails) {
  auto f = OpenFile(Path("a.bin"), FileAccess::kReadWrite, FileShare::kShared,
                    FileDisposition::kCreateAlways);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Seek(-1, kSeekBegin), -1);
}

TEST_F(FileHandleTest, OpenExistingFailsForMissingFileAndFolder) {
  EXPECT_EQ(OpenFile(Path("missing"), FileAccess::kReadOnly, FileShare::kShared,
                     FileDisposition::kOpenExisting),
            nullptr);
  EXPECT_NE(LastOsError(), 0u);
  ASSERT_TRUE(CreateDirectory(Path("sub")));
  EXPECT_EQ(OpenFile(Path("sub"), FileAccess::kReadOnly, FileShare::kShared,
                     FileDisposition::kOpenExisting),
            nullptr);
}

TEST_F(FileHandleTest, ReadOnlyHandleRefusesWrites) {
  ASSERT_TRUE(WriteAll(Path("a.bin"), "abc"));
  auto f = OpenFile(Path("a.bin"), FileAccess::kReadOnly, FileShare::kShared,
                    FileDisposition::kOpenExisting);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Write("x", 1), -1);
  EXPECT_EQ(ReadAll(Path("a.bin")), "abc");
}

// The attributes read through a handle are those the path shows (hidden
// aside, which POSIX takes from the name): a new file's, and a read-only
// file's.
TEST_F(FileHandleTest, AttributesThroughTheHandleMatchThePath) {
  auto f = OpenFile(Path("a.bin"), FileAccess::kReadWrite, FileShare::kShared,
                    FileDisposition::kCreateAlways);
  ASSERT_NE(f, nullptr);
  uint32_t attributes = 0;
  ASSERT_TRUE(f->GetAttributes(&attributes));
  EXPECT_EQ(attributes, GetFileAttributes(Path("a.bin")));
  EXPECT_EQ(attributes & kFileAttributeReadOnly, 0u);
  f.reset();
  ASSERT_TRUE(SetFileAttributes(Path("a.bin"), kFileAttributeReadOnly | kFileAttributeArchive));
  f = OpenFile(Path("a.bin"), FileAccess::kReadOnly, FileShare::kShared,
               FileDisposition::kOpenExisting);
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(f->GetAttributes(&attributes));
  EXPECT_EQ(attributes, GetFileAttributes(Path("a.bin")));
  EXPECT_NE(attributes & kFileAttributeReadOnly, 0u);
  f.reset();
  SetFileAttributes(Path("a.bin"), 0);
}

// Sharing: an exclusive open excludes every other open of the file, and is
// itself refused while another open exists.
TEST_F(FileHandleTest, ExclusiveSharingTable) {
  struct Case {
    FileShare first;
    FileShare second;
    bool second_opens;
  };
  const Case cases[] = {
      {FileShare::kShared, FileShare::kShared, true},
      {FileShare::kShared, FileShare::kExclusive, false},
      {FileShare::kExclusive, FileShare::kShared, false},
      {FileShare::kExclusive, FileShare::kExclusive, false},
  };
  ASSERT_TRUE(WriteAll(Path("a.bin"), "data"));
  for (const Case& c : cases) {
    auto first =
        OpenFile(Path("a.bin"), FileAccess::kReadWrite, c.first, FileDisposition::kOpenExisting);
    ASSERT_NE(first, nullptr);
    auto second =
        OpenFile(Path("a.bin"), FileAccess::kReadWrite, c.second, FileDisposition::kOpenExisting);
    EXPECT_EQ(second != nullptr, c.second_opens)
        << static_cast<int>(c.first) << "/" << static_cast<int>(c.second);
  }
  // After the holder closes, an exclusive open succeeds again.
  EXPECT_NE(OpenFile(Path("a.bin"), FileAccess::kReadWrite, FileShare::kExclusive,
                     FileDisposition::kOpenExisting),
            nullptr);
}

TEST_F(FileHandleTest, RefusedCreateAlwaysKeepsTheHoldersData) {
  ASSERT_TRUE(WriteAll(Path("a.bin"), "precious"));
  auto holder = OpenFile(Path("a.bin"), FileAccess::kReadWrite, FileShare::kExclusive,
                         FileDisposition::kOpenExisting);
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(OpenFile(Path("a.bin"), FileAccess::kReadWrite, FileShare::kShared,
                     FileDisposition::kCreateAlways),
            nullptr);
  holder.reset();
  EXPECT_EQ(ReadAll(Path("a.bin")), "precious");
}

TEST_F(FileHandleTest, CreateAlwaysTruncates) {
  ASSERT_TRUE(WriteAll(Path("a.bin"), "old contents"));
  auto f = OpenFile(Path("a.bin"), FileAccess::kReadWrite, FileShare::kShared,
                    FileDisposition::kCreateAlways);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Seek(0, kSeekEnd), 0);
}

// Create-new makes only a file that is not there yet: an existing file (kept
// as it was) and a folder of that name refuse it.
TEST_F(FileHandleTest, CreateNewRefusesEveryTakenName) {
  auto made = OpenFile(Path("new.bin"), FileAccess::kReadWrite, FileShare::kExclusive,
                       FileDisposition::kCreateNew);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Size(), 0);
  EXPECT_EQ(made->Write("fresh", 5), 5);
  made.reset();
  ASSERT_TRUE(WriteAll(Path("old.bin"), "old contents"));
  ASSERT_TRUE(CreateDirectory(Path("folder")));
  for (const char* name : {"new.bin", "old.bin", "folder"}) {
    EXPECT_EQ(OpenFile(Path(name), FileAccess::kReadWrite, FileShare::kExclusive,
                       FileDisposition::kCreateNew),
              nullptr)
        << name;
  }
  EXPECT_EQ(ReadAll(Path("new.bin")), "fresh");
  EXPECT_EQ(ReadAll(Path("old.bin")), "old contents");
}

// Positioned transfers: at any offset, short at the end, zero bytes in a
// gap; Truncate and Size work without a position.
TEST_F(FileHandleTest, PositionedReadsWritesAndSize) {
  auto f = OpenFile(Path("a.bin"), FileAccess::kReadWrite, FileShare::kShared,
                    FileDisposition::kCreateAlways);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->WriteAt(0, "0123456789", 10), 10);
  EXPECT_EQ(f->WriteAt(4, "ab", 2), 2);
  EXPECT_EQ(f->WriteAt(14, "end", 3), 3);  // beyond the end: a gap of zeros
  EXPECT_EQ(f->Size(), 17);
  char buf[32] = {};
  EXPECT_EQ(f->ReadAt(0, buf, 32), 17);
  EXPECT_EQ(std::string(buf, 17), std::string("0123ab6789\0\0\0\0end", 17));
  EXPECT_EQ(f->ReadAt(15, buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "nd");
  EXPECT_EQ(f->ReadAt(17, buf, 8), 0);
  EXPECT_EQ(f->ReadAt(100, buf, 8), 0);
  EXPECT_EQ(f->ReadAt(-1, buf, 8), -1);
  EXPECT_EQ(f->WriteAt(-1, "x", 1), -1);
  EXPECT_TRUE(f->Truncate(3));
  EXPECT_EQ(f->Size(), 3);
  EXPECT_TRUE(f->Truncate(5000000000LL));  // beyond 32 bits
  EXPECT_EQ(f->Size(), 5000000000LL);
  EXPECT_EQ(f->ReadAt(4999999999LL, buf, 8), 1);
  EXPECT_EQ(buf[0], 0);
  EXPECT_TRUE(f->Truncate(0));
  EXPECT_FALSE(f->Truncate(-1));
  EXPECT_EQ(f->Size(), 0);
}

TEST(PlatformErrorTest, RaiseCarriesCodeAndSystemText) {
  // Provoke a real failure so that the last error is set.
  EXPECT_EQ(
      FileHandle::Open(std::string("no-such-folder-vor") + PathDelimiter() + "x",
                       FileAccess::kReadOnly, FileShare::kShared, FileDisposition::kOpenExisting),
      nullptr);
  const uint32_t code = LastOsError();
  ASSERT_NE(code, 0u);
  try {
    RaiseLastOsError();
    FAIL() << "no exception";
  } catch (const EPlatformError& e) {
    EXPECT_EQ(e.Code(), code);
    EXPECT_EQ(std::string(e.what()), OsErrorMessage(code));
    EXPECT_FALSE(std::string(e.what()).empty());
    const char last = std::string(e.what()).back();
    EXPECT_NE(last, '\n');
    EXPECT_NE(last, '\r');
  }
}

}  // namespace
}  // namespace vor::platform
