// Choosing a file's compression type by trying several.
//
// "auto" compresses each file with a list of candidate types and keeps the
// type that stores it in the fewest bytes, or stores it without compression
// (type 0) when none saves anything. The first candidate should be the
// fastest: a file it does not shrink is stored at once, without trying the
// slower ones, which bounds the time spent on content that does not
// compress. The blocks of the chosen type are exactly those a stream of that
// type writes, so a reader sees nothing but files of ordinary types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/stream/block_packer.h"

namespace vor {

// The candidates of a plain "auto": deflate level 9, then bzip2 level 9,
// which shrinks text and programs further and decodes a few times more
// slowly. PPM (type 4) stores smaller still but decodes far more slowly
// than both, which an installer pays for at every install, so it is tried
// only when listed ("auto:5,9,4").
const std::vector<uint8_t>& DefaultAutoTypes();

// Parses a compression option that starts with "auto": "auto" gives
// DefaultAutoTypes(); "auto:T,T,..." gives the listed types (1 to 9, each
// once, in the order given). Returns an empty string and sets *types on
// success, else the reason the text is not valid, and leaves *types as it
// was.
std::string ParseAutoTypes(const std::string& text, std::vector<uint8_t>* types);

// True when the text of a compression option names the automatic choice.
bool IsAutoCompression(const std::string& text);

// The bytes a block stream of `blocks` takes: its header, then each block's
// header and packed bytes.
int64_t PackedStreamBytes(const std::vector<TPackedBlock>& blocks);

struct TTypeChoice {
  uint8_t type = 0;                  // 0: store the content as it is
  std::vector<TPackedBlock> blocks;  // the blocks of `type` (none for 0)
  int64_t stored_bytes = 0;          // bytes the stored content takes
};

// Packs data[0..size) with types[0]; when that stores no fewer bytes than
// the content, the content is stored (type 0) and no other type is tried.
// Otherwise every further type is tried and the one storing the fewest bytes
// is kept (the earlier on a tie). A type whose codec fails is passed over.
// Touches no stream or container; `threads` as for PackBlockJobs.
TTypeChoice ChooseSmallestType(const uint8_t* data, int64_t size, const std::vector<uint8_t>& types,
                               int32_t threads = 1);

}  // namespace vor
