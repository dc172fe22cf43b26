// Fixture for volume tests: a temporary folder, volume construction and
// direct looks at the part files' bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/coding.h"
#include "container/volume/multipart_volume.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"

namespace vor::testing {

class HugeFileTest : public TempDirTest {
 protected:
  std::unique_ptr<TCFRHugeFile> NewVolume(const std::string& name, int64_t part_size,
                                          bool read_only = false, bool exclusive = false,
                                          bool in_memory = false) {
    return std::make_unique<TCFRHugeFile>(Path(name), read_only, exclusive, in_memory, part_size);
  }

  // Bytes whose value depends on their index and a seed, and which never
  // contain "QZ" (so that no stray signature appears).
  static std::string Pattern(size_t n, int seed = 1) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
      s[i] = static_cast<char>('a' + (i * 31 + static_cast<size_t>(seed) * 7 + i / 97) % 26);
    }
    return s;
  }

  // A 280-byte volume header built independently of the engine's code.
  static std::string Header(int64_t part_size, const std::string& next = std::string()) {
    std::string h = "QZMVHFSS";
    uint8_t size[8];
    EncodeFixedI64(size, part_size);
    h.append(reinterpret_cast<const char*>(size), 8);
    h += next;
    h.resize(280, '\0');
    return h;
  }

  // The volume data of a container: its header signature first.
  static std::string ContainerData(size_t n, int seed = 1) {
    return "QZCFRSGN" + Pattern(n - 8, seed);
  }

  std::string NextPartName(const std::string& name, size_t header_offset = 0) const {
    const std::string bytes = ReadAll(Path(name));
    if (bytes.size() < header_offset + 280) return "<short>";
    const char* p = bytes.data() + header_offset + 16;
    const void* zero = std::memchr(p, 0, 261);
    return std::string(p, zero == nullptr ? 261 : static_cast<const char*>(zero) - p);
  }

  int64_t HeaderPartSize(const std::string& name, size_t header_offset = 0) const {
    const std::string bytes = ReadAll(Path(name));
    if (bytes.size() < header_offset + 280) return -1;
    return DecodeFixedI64(reinterpret_cast<const uint8_t*>(bytes.data()) + header_offset + 8);
  }

  int64_t FileSize(const std::string& name) const { return platform::GetFileSize(Path(name)); }
  bool Exists(const std::string& name) const { return platform::FileExists(Path(name)); }

  static std::string ReadVolume(TCFRHugeFile& v, int64_t position, int32_t count) {
    std::string out(static_cast<size_t>(count), '\0');
    v.Seek(position, 0);
    const int32_t n = v.Read(&out[0], count);
    out.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return out;
  }

  // Makes the 1,000-byte-part volume of 2,000 bytes: vol.dat, vol.dat1,
  // vol.dat2 (280 + 560 bytes).
  std::string MakeThreePartVolume() {
    const std::string data = ContainerData(2000);
    auto v = NewVolume("vol.dat", 1000);
    EXPECT_TRUE(v->Open(true, false));
    v->WriteBuffer(data.data(), 2000);
    return data;
  }
};

}  // namespace vor::testing
