// TFileRec encoding.
#include "container/store/file_rec.h"

#include <cstring>

#include "common/coding.h"

namespace vor {
namespace {

constexpr int kFileNameOffset = 224;
constexpr int kFileNameField = 260;

}  // namespace

std::string StoredFileName(const std::string& name) {
  size_t len = name.find('\0');
  if (len == std::string::npos) len = name.size();
  return name.substr(0, len > kMaxFileNameLength ? kMaxFileNameLength : len);
}

void TFileRec::Encode(uint8_t* dst) const {
  std::memset(dst, 0, kFileRecSize);
  EncodeFixedI32(dst + 0, FirstMapPageNo);
  EncodeFixedI64(dst + 4, FileSize);
  EncodeFixed64(dst + 12, CreationTime);
  EncodeFixed64(dst + 20, LastWriteTime);
  EncodeFixed64(dst + 28, LastAccessTime);
  EncodeFixed32(dst + 36, Attributes);
  EncodeFixedI32(dst + 40, ParentID);
  std::memcpy(dst + 44, Reserved44.data(), Reserved44.size());
  std::memcpy(dst + 48, PasswordRecord.bytes, kPasswordRecordSize);
  dst[220] = OpenBlocked;
  dst[221] = Deleted;
  dst[222] = OwnEncryption;
  dst[223] = Reserved223;
  const std::string name = StoredFileName(FileName);
  std::memcpy(dst + kFileNameOffset, name.data(), name.size());
  std::memcpy(dst + kFileNameOffset + kFileNameField, Reserved484.data(), Reserved484.size());
}

void TFileRec::Decode(const uint8_t* src) {
  FirstMapPageNo = DecodeFixedI32(src + 0);
  FileSize = DecodeFixedI64(src + 4);
  CreationTime = DecodeFixed64(src + 12);
  LastWriteTime = DecodeFixed64(src + 20);
  LastAccessTime = DecodeFixed64(src + 28);
  Attributes = DecodeFixed32(src + 36);
  ParentID = DecodeFixedI32(src + 40);
  std::memcpy(Reserved44.data(), src + 44, Reserved44.size());
  std::memcpy(PasswordRecord.bytes, src + 48, kPasswordRecordSize);
  OpenBlocked = src[220];
  Deleted = src[221];
  OwnEncryption = src[222];
  Reserved223 = src[223];
  const uint8_t* name = src + kFileNameOffset;
  size_t len = 0;
  while (len < kMaxFileNameLength && name[len] != 0) ++len;
  FileName.assign(reinterpret_cast<const char*>(name), len);
  std::memcpy(Reserved484.data(), src + kFileNameOffset + kFileNameField, Reserved484.size());
}

}  // namespace vor
