// Choosing a file's compression type by trying several.
#include "container/stream/type_choice.h"

#include <utility>

#include "codecs/compression.h"
#include "container/stream/block_stream.h"

namespace vor {

const std::vector<uint8_t>& DefaultAutoTypes() {
  static const std::vector<uint8_t> types = {5, 9};
  return types;
}

bool IsAutoCompression(const std::string& text) { return text.compare(0, 4, "auto") == 0; }

std::string ParseAutoTypes(const std::string& text, std::vector<uint8_t>* types) {
  if (text == "auto") {
    *types = DefaultAutoTypes();
    return std::string();
  }
  const std::string prefix = "auto:";
  if (text.compare(0, prefix.size(), prefix) != 0) {
    return "'" + text + "' is not 'auto' or 'auto:' with a list of types";
  }
  std::vector<uint8_t> listed;
  size_t at = prefix.size();
  while (true) {
    const size_t comma = text.find(',', at);
    const std::string item = text.substr(at, comma == std::string::npos ? comma : comma - at);
    if (item.size() != 1 || item[0] < '1' || item[0] > '0' + kLastCompressionType) {
      return "'" + item + "' in '" + text + "' is not a compression type 1 to 9";
    }
    const auto type = static_cast<uint8_t>(item[0] - '0');
    for (uint8_t seen : listed) {
      if (seen == type) return "type " + item + " is listed twice in '" + text + "'";
    }
    listed.push_back(type);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  *types = std::move(listed);
  return std::string();
}

int64_t PackedStreamBytes(const std::vector<TPackedBlock>& blocks) {
  int64_t bytes = kStreamHeaderSize;
  for (const TPackedBlock& block : blocks) {
    bytes += kBlockHeaderSize + static_cast<int64_t>(block.packed.size());
  }
  return bytes;
}

TTypeChoice ChooseSmallestType(const uint8_t* data, int64_t size, const std::vector<uint8_t>& types,
                               int32_t threads) {
  TTypeChoice best;
  best.stored_bytes = size;
  for (size_t i = 0; i < types.size(); ++i) {
    std::vector<TPackedBlock> blocks;
    if (size > 0 && PackContent(data, size, types[i], &blocks, threads)) {
      const int64_t bytes = PackedStreamBytes(blocks);
      if (bytes < best.stored_bytes) {
        best.type = types[i];
        best.blocks = std::move(blocks);
        best.stored_bytes = bytes;
      }
    }
    // Content the first (fastest) type cannot shrink is not tried further.
    if (i == 0 && best.type == 0) break;
  }
  return best;
}

}  // namespace vor
