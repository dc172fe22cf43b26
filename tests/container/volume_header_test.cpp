#include "container/volume/volume_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vor {
namespace {

TEST(VolumeHeaderTest, LayoutIsLittleEndianWithZeroTerminatedName) {
  TCFRVolumeHeader h;
  h.Init(0x0102030405060708LL);
  ASSERT_TRUE(h.SetNextPartName("vol.dat1"));
  const uint8_t* b = h.Data();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 8), "QZMVHFSS");
  const uint8_t part_size[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  EXPECT_EQ(std::memcmp(b + 8, part_size, 8), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 16), 9), std::string("vol.dat1\0", 9));
  for (size_t i = 16 + 8; i < 277; ++i) ASSERT_EQ(b[i], 0) << i;
  EXPECT_TRUE(h.HasSignature());
  EXPECT_EQ(h.PartSize(), 0x0102030405060708LL);
  EXPECT_EQ(h.NextPartName(), "vol.dat1");
}

TEST(VolumeHeaderTest, InitClearsTheNameButKeepsThePadding) {
  TCFRVolumeHeader h;
  std::memset(h.Data(), 0xAB, kVolumeHeaderSize);
  h.Init(1000);
  EXPECT_EQ(h.NextPartName(), "");
  for (size_t i = 16; i < 277; ++i) ASSERT_EQ(h.Data()[i], 0) << i;
  for (size_t i = 277; i < 280; ++i) EXPECT_EQ(h.Data()[i], 0xAB) << i;
}

TEST(VolumeHeaderTest, NameLengthLimits) {
  TCFRVolumeHeader h;
  h.Init(1000);
  EXPECT_TRUE(h.SetNextPartName(std::string(260, 'n')));
  EXPECT_EQ(h.NextPartName(), std::string(260, 'n'));
  EXPECT_FALSE(h.SetNextPartName(std::string(261, 'm')));
  EXPECT_EQ(h.NextPartName(), std::string(260, 'n'));  // unchanged
  // A damaged header without a terminator yields at most 261 bytes.
  std::memset(h.Data() + 16, 'z', 264);
  EXPECT_EQ(h.NextPartName(), std::string(261, 'z'));
  h.Data()[0] = 'X';
  EXPECT_FALSE(h.HasSignature());
}

}  // namespace
}  // namespace vor
