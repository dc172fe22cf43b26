// TFileRec: the directory's 512-byte file record.
//
// Its fields, byte by byte: docs/format.md, section 7.2.
//
// All integers are little-endian; Encode and Decode go field by field. The
// reserved bytes are carried through unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "crypto/password_record.h"

namespace vor {

constexpr int kFileRecSize = 512;
constexpr int kMaxFileNameLength = 259;
constexpr uint32_t kFileAttributeDirectory = 0x10;

struct TFileRec {
  int32_t FirstMapPageNo = 0;
  int64_t FileSize = 0;
  uint64_t CreationTime = 0;
  uint64_t LastWriteTime = 0;
  uint64_t LastAccessTime = 0;
  uint32_t Attributes = 0;
  int32_t ParentID = 0;
  std::array<uint8_t, 4> Reserved44{};
  TPasswordRecord PasswordRecord;
  uint8_t OpenBlocked = 0;
  uint8_t Deleted = 0;
  uint8_t OwnEncryption = 0;
  uint8_t Reserved223 = 0;
  std::string FileName;  // without the terminating zero
  std::array<uint8_t, 28> Reserved484{};

  // Writes the 512 record bytes to dst. A name longer than 259 characters
  // is stored cut to 259; the bytes behind the name are zero.
  void Encode(uint8_t* dst) const;
  // Fills every field from the 512 bytes at src. The name ends at its first
  // zero byte, or after 259 characters in a record that has none.
  void Decode(const uint8_t* src);
};

// The name as a record stores it: up to its first zero character, and cut
// to 259 characters.
std::string StoredFileName(const std::string& name);

}  // namespace vor
