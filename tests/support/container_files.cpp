#include "support/container_files.h"

#include "container/store/open_mode.h"
#include "container/stream/file_stream.h"

namespace vor::testing {

void StoreFile(TCoffer& coffer, const std::string& path, const std::string& content,
               uint8_t compression) {
  TCFRFileStream stream(&coffer, path, kOpenModeCreate, "", "", "", compression);
  stream.WriteBuffer(content.data(), static_cast<int32_t>(content.size()));
}

std::string LoadFile(TCoffer& coffer, const std::string& path) {
  TCFRFileStream stream(&coffer, path, kOpenModeRead, "", "", "", 0);
  std::string content(static_cast<size_t>(stream.Size()), '\0');
  if (!content.empty()) stream.ReadBuffer(&content[0], static_cast<int32_t>(content.size()));
  return content;
}

}  // namespace vor::testing
