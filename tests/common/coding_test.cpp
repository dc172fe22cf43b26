#include "common/coding.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

TEST(Coding, FixedWidthRoundTripIsLittleEndian) {
  uint8_t buf[8];
  EncodeFixed32(buf, 0x11223344u);
  EXPECT_EQ(buf[0], 0x44);
  EXPECT_EQ(buf[3], 0x11);
  EXPECT_EQ(DecodeFixed32(buf), 0x11223344u);
  EncodeFixedI64(buf, 0x7FFFFFFFFFFFFFFELL);
  EXPECT_EQ(buf[0], 0xFE);
  EXPECT_EQ(buf[7], 0x7F);
  EXPECT_EQ(DecodeFixedI64(buf), 0x7FFFFFFFFFFFFFFELL);
  EncodeFixedI32(buf, -1);
  EXPECT_EQ(DecodeFixedI32(buf), -1);
  EncodeFixed16(buf, 0xABCD);
  EXPECT_EQ(DecodeFixed16(buf), 0xABCD);
}

}  // namespace
}  // namespace vor
