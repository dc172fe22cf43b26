#include "container/store/container_header.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/coding.h"
#include "container/store/page.h"

namespace vor {
namespace {

TContainerHeader SampleHeader() {
  TContainerHeader h;
  h.SetSignature();
  h.HeaderChecksum = 0xA1B2C3D4;
  h.FormatVersion = kContainerFormatVersion;
  h.PageSize = 4096;
  h.ExtentPageCount = 8;
  h.FirstExtentPageNo = 1;
  h.GAMPageCount = 0x01020304;
  h.PFSPageCount = 5;
  h.DIRPageCount = 2;
  h.FirstDIRPageNo = 4;
  h.DIRItemCount = -3;
  h.FilePageCount = 201;
  for (int i = 0; i < kPasswordRecordSize; ++i) h.PasswordRecord.bytes[i] = static_cast<uint8_t>(i);
  h.Encrypted = 1;
  h.DefaultCompression = 5;
  h.Reserved[29] = 0xEE;
  return h;
}

TEST(ContainerHeaderTest, EncodesEveryFieldAtItsOffsetLittleEndian) {
  uint8_t b[kContainerHeaderSize];
  std::memset(b, 0x55, sizeof(b));
  SampleHeader().Encode(b);
  EXPECT_EQ(std::memcmp(b, "QZCFRSGN", 8), 0);
  const uint8_t checksum[4] = {0xD4, 0xC3, 0xB2, 0xA1};
  EXPECT_EQ(std::memcmp(b + 8, checksum, 4), 0);
  const uint8_t version[4] = {0x14, 0xAE, 0x07, 0x40};
  EXPECT_EQ(std::memcmp(b + 12, version, 4), 0);
  const std::pair<int, int32_t> fields[] = {{16, 4096},       {20, 8},  {24, 1},
                                            {28, 0x01020304}, {32, 5},  {36, 2},
                                            {40, 4},          {44, -3}, {48, 201}};
  for (const auto& [offset, value] : fields) EXPECT_EQ(DecodeFixedI32(b + offset), value) << offset;
  EXPECT_EQ(b[28], 0x04);  // least significant byte first
  EXPECT_EQ(b[52], 0);
  EXPECT_EQ(b[52 + 171], 171);
  EXPECT_EQ(b[224], 1);
  EXPECT_EQ(b[225], 5);
  EXPECT_EQ(b[226], 0);
  EXPECT_EQ(b[255], 0xEE);

  TContainerHeader back;
  back.Decode(b);
  uint8_t again[kContainerHeaderSize];
  back.Encode(again);
  EXPECT_EQ(std::memcmp(b, again, sizeof(b)), 0);
}

TEST(ContainerHeaderTest, ChecksumIsXorOfWordsFromOffset12) {
  TContainerHeader h = SampleHeader();
  uint8_t b[kContainerHeaderSize];
  h.Encode(b);
  uint32_t x = 0;
  for (int i = 12; i < kContainerHeaderSize; i += 4) x ^= DecodeFixed32(b + i);
  EXPECT_EQ(h.ComputeHeaderChecksum(), x);
  // Neither the signature nor the checksum field take part.
  h.Signature[0] = 'X';
  h.HeaderChecksum = 0;
  EXPECT_EQ(h.ComputeHeaderChecksum(), x);
}

TEST(PageHeaderTest, EncodesFieldsAtTheirOffsets) {
  TPageRecord page;
  page.NextPageNo = -1;
  page.Checksum = 0x11223344;
  page.PageType = PageTypeUFPM;
  page.EncryptionType = EncryptionRijndael;
  page.ChecksumKind = 2;
  page.Reserved[20] = 0x99;
  uint8_t b[kPageHeaderSize];
  page.EncodeHeader(b);
  const uint8_t expected[11] = {0xFF, 0xFF, 0xFF, 0xFF, 0x44, 0x33, 0x22, 0x11, 5, 1, 2};
  EXPECT_EQ(std::memcmp(b, expected, sizeof(expected)), 0);
  EXPECT_EQ(b[31], 0x99);
  TPageRecord back;
  back.DecodeHeader(b);
  EXPECT_EQ(back.NextPageNo, -1);
  EXPECT_EQ(back.Checksum, 0x11223344u);
  EXPECT_EQ(back.PageType, PageTypeUFPM);
  EXPECT_EQ(back.EncryptionType, EncryptionRijndael);
  EXPECT_EQ(back.ChecksumKind, 2);
  EXPECT_EQ(back.Reserved[20], 0x99);
}

TEST(PageHeaderTest, InitPageMakesZeroBufferAndKeepsTypeDonePageFreesIt) {
  TPageRecord page;
  page.PageType = PageTypeDIR;
  page.NextPageNo = 12;
  page.EncryptionType = 1;
  InitPage(page, 4064);
  EXPECT_EQ(page.NextPageNo, -1);
  EXPECT_EQ(page.EncryptionType, 0);
  EXPECT_EQ(page.PageType, PageTypeDIR);
  ASSERT_NE(page.pData, nullptr);
  EXPECT_EQ(page.Buffer.size(), 4064u);
  EXPECT_EQ(page.pData[4063], 0);
  DonePage(page);
  EXPECT_EQ(page.pData, nullptr);
}

}  // namespace
}  // namespace vor
