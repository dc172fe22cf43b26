#include "container/store/file_rec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/coding.h"

namespace vor {
namespace {

TEST(FileRecTest, FieldsLieAtTheirOffsets) {
  TFileRec rec;
  rec.FirstMapPageNo = -1;
  rec.FileSize = 0x0102030405060708LL;
  rec.CreationTime = 0x1111111122222222ULL;
  rec.LastWriteTime = 0x3333333344444444ULL;
  rec.LastAccessTime = 0x5555555566666666ULL;
  rec.Attributes = 0x10;
  rec.ParentID = 7;
  rec.PasswordRecord.bytes[0] = 0xA1;
  rec.PasswordRecord.bytes[171] = 0xA2;
  rec.OpenBlocked = 3;
  rec.Deleted = 1;
  rec.OwnEncryption = 1;
  rec.FileName = "Readme.rtf";
  std::vector<uint8_t> b(kFileRecSize, 0xEE);
  rec.Encode(b.data());
  EXPECT_EQ(DecodeFixedI32(&b[0]), -1);
  EXPECT_EQ(DecodeFixedI64(&b[4]), 0x0102030405060708LL);
  EXPECT_EQ(DecodeFixed64(&b[12]), 0x1111111122222222ULL);
  EXPECT_EQ(DecodeFixed64(&b[20]), 0x3333333344444444ULL);
  EXPECT_EQ(DecodeFixed64(&b[28]), 0x5555555566666666ULL);
  EXPECT_EQ(DecodeFixed32(&b[36]), 0x10u);
  EXPECT_EQ(DecodeFixedI32(&b[40]), 7);
  EXPECT_EQ(DecodeFixed32(&b[44]), 0u);
  EXPECT_EQ(b[48], 0xA1);
  EXPECT_EQ(b[219], 0xA2);
  EXPECT_EQ(b[220], 3);
  EXPECT_EQ(b[221], 1);
  EXPECT_EQ(b[222], 1);
  EXPECT_EQ(b[223], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[224])), "Readme.rtf");
  for (int i = 224 + 10; i < kFileRecSize; ++i) EXPECT_EQ(b[i], 0) << i;

  TFileRec back;
  back.Decode(b.data());
  std::vector<uint8_t> again(kFileRecSize);
  back.Encode(again.data());
  EXPECT_EQ(again, b);
}

TEST(FileRecTest, LongNamesAreCutTo259Characters) {
  TFileRec rec;
  rec.FileName = std::string(300, 'n');
  std::vector<uint8_t> b(kFileRecSize);
  rec.Encode(b.data());
  EXPECT_EQ(b[224 + 258], 'n');
  EXPECT_EQ(b[224 + 259], 0);
  TFileRec back;
  back.Decode(b.data());
  EXPECT_EQ(back.FileName, std::string(259, 'n'));
  EXPECT_EQ(StoredFileName(std::string(300, 'n')), std::string(259, 'n'));
  EXPECT_EQ(StoredFileName(std::string("ab\0cd", 5)), "ab");
}

TEST(FileRecTest, DamagedNameFieldWithoutTerminatorStaysInsideTheField) {
  std::vector<uint8_t> b(kFileRecSize, 'x');
  TFileRec rec;
  rec.Decode(b.data());
  EXPECT_EQ(rec.FileName, std::string(259, 'x'));
}

TEST(FileRecTest, ReservedBytesAreKept) {
  std::vector<uint8_t> b(kFileRecSize, 0);
  b[45] = 9;
  b[223] = 8;
  b[500] = 7;
  TFileRec rec;
  rec.Decode(b.data());
  std::vector<uint8_t> out(kFileRecSize);
  rec.Encode(out.data());
  EXPECT_EQ(out, b);
}

}  // namespace
}  // namespace vor
