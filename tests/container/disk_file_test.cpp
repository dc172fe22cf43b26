#include "container/volume/disk_file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/error.h"
#include "container/volume/memory_file.h"
#include "platform/platform_error.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

using vor::testing::TempDirTest;

class DiskFileTest : public TempDirTest {};

TEST_F(DiskFileTest, OpenCreateReadWriteSize) {
  TCFRDiskFile f(Path("a.bin"), false, false);
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(f.Open(false));  // does not exist yet
  ASSERT_TRUE(f.Open(true));
  f.WriteBuffer("0123456789", 10);
  EXPECT_EQ(f.GetSize(), 10);
  EXPECT_EQ(f.GetPosition(), 10);  // GetSize keeps the position
  f.SetPosition(3);
  char buf[4];
  f.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "3456");
  // SetSize moves the position to the new end.
  f.SetSize(6);
  EXPECT_EQ(f.GetPosition(), 6);
  EXPECT_EQ(f.GetSize(), 6);
  f.Close();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(ReadAll(Path("a.bin")), "012345");
  // Create = true truncates an existing store.
  ASSERT_TRUE(f.Open(true));
  EXPECT_EQ(f.GetSize(), 0);
}

TEST_F(DiskFileTest, BufferCallsRaiseOnShortTransfers) {
  TCFRDiskFile f(Path("a.bin"), false, false);
  ASSERT_TRUE(f.Open(true));
  f.WriteBuffer("abc", 3);
  f.SetPosition(1);
  char buf[8];
  f.ReadBuffer(buf, 0);  // nothing asked, nothing raised
  try {
    f.ReadBuffer(buf, 8);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TCFRAbstractFile.ReadBuffer - Stream read error");
  }
  TCFRDiskFile ro(Path("a.bin"), true, false);
  ASSERT_TRUE(ro.Open(false));
  try {
    ro.WriteBuffer("x", 1);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TCFRAbstractFile.WriteBuffer - Stream write error");
  }
}

TEST_F(DiskFileTest, SetSizeFailureRaisesThePlatformError) {
  TCFRDiskFile f(Path("a.bin"), false, false);
  ASSERT_TRUE(f.Open(true));
  EXPECT_THROW(f.SetSize(-1), platform::EPlatformError);
}

TEST_F(DiskFileTest, ModeChangesReopenAndKeepThePosition) {
  TCFRDiskFile f(Path("a.bin"), false, false);
  ASSERT_TRUE(f.Open(true));
  f.WriteBuffer("abcdef", 6);
  f.SetPosition(2);
  f.SetReadOnly(true);
  EXPECT_TRUE(f.IsOpen());
  EXPECT_EQ(f.GetPosition(), 2);
  EXPECT_EQ(f.Write("x", 1), -1);  // the read-only mode took effect at once
  f.SetExclusive(true);
  TCFRDiskFile other(Path("a.bin"), true, false);
  EXPECT_FALSE(other.Open(false));
  f.SetExclusive(false);
  EXPECT_TRUE(other.Open(false));
  EXPECT_EQ(f.GetPosition(), 2);
}

// The store keeps its own position: seeks are checked as the system checks
// them, a write beyond the end leaves zero bytes, and what another open of
// the file writes (or how long it makes it) is seen at once.
TEST_F(DiskFileTest, OwnPositionFollowsTheFileAndOtherOpens) {
  TCFRDiskFile f(Path("a.bin"), false, false);
  ASSERT_TRUE(f.Open(true));
  f.WriteBuffer("abcdef", 6);
  struct Case {
    int64_t offset;
    uint16_t origin;
    int64_t result;  // -1: refused, the position stays
    int64_t position;
  };
  const Case cases[] = {{2, 0, 2, 2},   {3, 1, 5, 5},   {-1, 2, 5, 5},   {-7, 2, -1, 5},
                        {-6, 1, -1, 5}, {-1, 0, -1, 5}, {10, 2, 16, 16}, {0, 3, -1, 16}};
  for (const Case& c : cases) {
    EXPECT_EQ(f.Seek(c.offset, c.origin), c.result) << c.offset << " from " << c.origin;
    EXPECT_EQ(f.GetPosition(), c.position) << c.offset << " from " << c.origin;
  }
  f.WriteBuffer("z", 1);
  EXPECT_EQ(f.GetSize(), 17);
  EXPECT_EQ(f.GetPosition(), 17);
  EXPECT_EQ(ReadAll(Path("a.bin")), "abcdef" + std::string(10, '\0') + "z");

  TCFRDiskFile other(Path("a.bin"), false, false);
  ASSERT_TRUE(other.Open(false));
  other.SetPosition(1);
  other.WriteBuffer("XY", 2);
  other.SetSize(20);
  f.SetPosition(0);
  char buf[4];
  f.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "aXYd");
  EXPECT_EQ(f.GetSize(), 20);
  EXPECT_EQ(f.Seek(0, 2), 20);
  EXPECT_EQ(f.Read(buf, 4), 0);
  // Reopening starts at the beginning again.
  f.Close();
  ASSERT_TRUE(f.Open(false));
  EXPECT_EQ(f.GetPosition(), 0);
}

TEST_F(DiskFileTest, CopyFromWholeSourceAndFromPosition) {
  // More than two passes of the 61,440-byte copy buffer.
  std::string data(150000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  ASSERT_TRUE(WriteAll(Path("src.bin"), data));
  TCFRDiskFile source(Path("src.bin"), true, false);
  ASSERT_TRUE(source.Open(false));
  source.SetPosition(1234);  // Count 0 starts from the beginning regardless

  TCFRMemoryFile target("", false, false);
  ASSERT_TRUE(target.Open(true));
  EXPECT_EQ(target.CopyFrom(source, 0), 150000);
  EXPECT_EQ(target.GetSize(), 150000);
  target.SetPosition(0);
  std::string copy(150000, '\0');
  target.ReadBuffer(&copy[0], 150000);
  EXPECT_EQ(copy, data);

  // A count copies from the source's position to the target's position.
  TCFRDiskFile partial(Path("part.bin"), false, false);
  ASSERT_TRUE(partial.Open(true));
  partial.WriteBuffer("##", 2);
  source.SetPosition(100000);
  EXPECT_EQ(partial.CopyFrom(source, 30000), 30000);
  partial.Close();
  EXPECT_EQ(ReadAll(Path("part.bin")), "##" + data.substr(100000, 30000));

  // A short source raises the read error.
  source.SetPosition(149990);
  TCFRMemoryFile sink("", false, false);
  ASSERT_TRUE(sink.Open(true));
  EXPECT_THROW(sink.CopyFrom(source, 100), EVorError);
}

}  // namespace
}  // namespace vor
