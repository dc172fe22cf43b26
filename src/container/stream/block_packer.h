// Packing blocks of a block stream, on several threads when there are
// several blocks.
//
// A block is packed exactly as TCFRAdvancedFileStream packs it on its own
// (CRC-16 of the uncompressed bytes, then PrepareBuffer of the compression
// type), and every block is coded independently of the others, so the bytes
// do not depend on the number of threads or on which thread packed a block.
#pragma once

#include <cstdint>
#include <vector>

#include "container/stream/block_stream.h"

namespace vor {

// One block to pack: the input (not owned) and, after PackBlockJobs, its
// header fields UncompressedSize, Checksum and CompressedSize, its stored
// bytes and whether the codec succeeded.
struct TBlockPackJob {
  const uint8_t* data = nullptr;
  int32_t size = 0;
  TCFRBlockHeader header;
  std::vector<uint8_t> packed;
  bool ok = false;
};

// Threads PackBlockJobs may use: 0 (the default) = one per processor.
void SetBlockPackingThreads(int32_t threads);
int32_t BlockPackingThreads();

// Packs every job with the codec of `compression`; the jobs are shared out
// among up to BlockPackingThreads() threads (one job runs on the calling
// thread), or among up to `threads` when that is above 0. Returns true when
// every job succeeded.
bool PackBlockJobs(std::vector<TBlockPackJob>& jobs, uint8_t compression, int32_t threads = 0);

// One block packed apart from any stream.
struct TPackedBlock {
  TCFRBlockHeader header;
  std::vector<uint8_t> packed;
};

// Cuts data[0..size) into blocks of GetBlockSize(compression) bytes (the last
// one shorter) and packs them as a stream of that type would. Touches no
// stream or container, so it may run on any thread; `threads` as for
// PackBlockJobs. False when a codec fails or compression is 0 (a
// pass-through stream has no blocks).
bool PackContent(const uint8_t* data, int64_t size, uint8_t compression,
                 std::vector<TPackedBlock>* blocks, int32_t threads = 0);

}  // namespace vor
