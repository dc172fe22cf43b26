// Compression types and the block codec entry points.
//
// A one-byte compression type names the codec, its parameter and the block
// size of a compressed file:
//
//   type  codec    parameter                      block size
//   0     store    -                              1,048,576
//   1     deflate  level 1                          524,288
//   2     deflate  level 5                        1,048,576
//   3     PPM      25 MiB model, maximum order 5  1,048,576
//   4     PPM      50 MiB model, maximum order 13 1,572,864
//   5     deflate  level 9                        1,572,864
//   6     PPM      10 MiB model, maximum order 3    524,288
//   7     bzip2    block size parameter 2           524,288
//   8     bzip2    block size parameter 6         1,048,576
//   9     bzip2    block size parameter 9         1,572,864
//   10-255 refused                                1,048,576
//
// Decoding depends only on the family: every deflate type decodes any deflate
// block, likewise bzip2 and PPM (a PPM stream carries its own parameters).
//
// PrepareBuffer and UnpackBuffer never raise: every codec failure (library
// error, internal error, failed allocation, PPM model memory not available,
// a stream damaged, cut short or larger than expected) gives false, with no
// buffer handed out. The store, deflate and bzip2 types keep all their state
// on the call and may run on several threads at once; for the PPM types see
// ppm.h.
#pragma once

#include <cstdint>
#include <vector>

namespace vor {

// Highest compression type in use; types above it are refused.
constexpr uint8_t kLastCompressionType = 9;

// The block size of `type`: the uncompressed bytes of every block of a
// stream but the last.
int32_t GetBlockSize(uint8_t type);

// Compresses data[0..size) with the codec of `type` into *packed. Returns
// true when the block was coded; packed->size() is then the block's
// compressed size (greater than 0). Returns false, with *packed empty, for
// size <= 0, for types above kLastCompressionType and for any codec failure.
bool PrepareBuffer(const uint8_t* data, int32_t size, std::vector<uint8_t>* packed, uint8_t type);

// Decompresses packed[0..packed_size) with the codec family of `type` into
// *data. *size enters as the expected uncompressed size: the decoded block
// may not be larger (a stream decoding to more fails) and buffers are sized
// for it. On success *size leaves as the actual size, which equals
// data->size() and may be smaller than expected (the caller checks it); type
// 0 copies packed_size bytes whatever was expected. Returns false, with
// *data empty and *size unchanged, for an expected size <= 0 (without
// looking at `packed`), for types above kLastCompressionType and for any
// codec failure.
bool UnpackBuffer(const uint8_t* packed, int32_t packed_size, std::vector<uint8_t>* data,
                  uint8_t type, int32_t* size);

}  // namespace vor
