#include "container/volume/memory_file.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace vor {
namespace {

TEST(MemoryFileTest, OnlyCreationOpens) {
  TCFRMemoryFile f("mem", false, false);
  try {
    f.Open(false);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(),
                 "TCFRMemoryFile.Open - File cannot be open, only creation is available.");
  }
  EXPECT_TRUE(f.Open(true));
  EXPECT_TRUE(f.IsOpen());
  f.Close();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(f.Read(nullptr, 0), -1);
}

TEST(MemoryFileTest, ReadWriteSeekAndSize) {
  TCFRMemoryFile f("mem", false, false);
  ASSERT_TRUE(f.Open(true));
  f.WriteBuffer("hello", 5);
  EXPECT_EQ(f.Seek(-2, 2), 3);
  char buf[8];
  EXPECT_EQ(f.Read(buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(f.Read(buf, 8), 0);
  // Writing beyond the end fills the gap with zero bytes.
  f.SetPosition(8);
  f.WriteBuffer("!", 1);
  EXPECT_EQ(f.GetSize(), 9);
  f.SetPosition(4);
  f.ReadBuffer(buf, 5);
  EXPECT_EQ(std::string(buf, 5), std::string("o\0\0\0!", 5));
  // Shrinking pulls a position beyond the new end back to it.
  f.SetSize(3);
  EXPECT_EQ(f.GetPosition(), 3);
  f.SetSize(6);
  f.SetPosition(0);
  f.ReadBuffer(buf, 6);
  EXPECT_EQ(std::string(buf, 6), std::string("hel\0\0\0", 6));
}

TEST(MemoryFileTest, PositionsAreThirtyTwoBit) {
  TCFRMemoryFile f("mem", false, false);
  ASSERT_TRUE(f.Open(true));
  // The low 32 bits of the offset count, and the result is sign-extended.
  EXPECT_EQ(f.Seek(0x100000005LL, 0), 5);
  EXPECT_EQ(f.Seek(0xFFFFFFFFLL, 0), -1);
  char c = 0;
  EXPECT_EQ(f.Read(&c, 1), 0);    // a negative position reads nothing
  EXPECT_EQ(f.Write("x", 1), 0);  // and writes nothing
  EXPECT_EQ(f.GetSize(), 0);
  EXPECT_THROW(f.SetSize(0x80000000LL), EVorError);
  EXPECT_THROW(f.SetSize(-1), EVorError);
  f.SetPosition(0x7FFFFFFF);
  EXPECT_EQ(f.Write("x", 1), -1);  // beyond what a memory store can address
}

}  // namespace
}  // namespace vor
