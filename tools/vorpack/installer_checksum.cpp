// The whole file's checksum, read in pieces.
#include "installer_checksum.h"

#include <memory>
#include <vector>

#include "common/coding.h"
#include "common/pe_checksum.h"
#include "platform/file.h"

namespace vor::vorpack {

namespace {

constexpr int32_t kChunk = 1 << 20;  // even: the words stay aligned
constexpr int32_t kHeaderBytes = 4096;

}  // namespace

bool SetFileChecksum(const std::string& path) {
  auto file = platform::FileHandle::Open(path, platform::FileAccess::kReadWrite,
                                         platform::FileShare::kExclusive,
                                         platform::FileDisposition::kOpenExisting,
                                         /*random_access=*/false);
  if (file == nullptr) return false;
  std::vector<uint8_t> buffer(kChunk);
  const int32_t header = file->Read(buffer.data(), kHeaderBytes);
  PeChecksumFields fields;
  if (header < 0) return false;
  if (!FindPeChecksumFields(buffer.data(), static_cast<size_t>(header), &fields)) return true;
  PeChecksumSum sum(fields.checksum);
  if (file->Seek(0, platform::kSeekBegin) != 0) return false;
  while (true) {
    const int32_t n = file->Read(buffer.data(), kChunk);
    if (n < 0) return false;
    if (n == 0) break;
    sum.Add(buffer.data(), static_cast<size_t>(n));
  }
  uint8_t value[4];
  EncodeFixed32(value, sum.Value());
  return file->Seek(static_cast<int64_t>(fields.checksum), platform::kSeekBegin) ==
             static_cast<int64_t>(fields.checksum) &&
         file->Write(value, 4) == 4 && file->Flush();
}

}  // namespace vor::vorpack
