// The encoding entry point for a program that only reads compressed data
// (the installer). Linked into such a program as an object of its own, this
// definition of PrepareBuffer comes before the codec library's, so the
// library member with the real one (compression_encode.cpp), and with it
// every encoder and the compressor halves of zlib and libbzip2, is never
// linked. Should anything in the program still try to write a compressed
// block, it gets the codec failure every caller already handles ("compression
// error"), and nothing is coded.
//
// A program that links this object and also names another symbol of the
// real member fails to link (PrepareBuffer would be defined twice), so the
// two can never be mixed silently.
#include <cstdint>
#include <vector>

#include "codecs/bzip2_codec.h"
#include "codecs/compression.h"

namespace vor {

bool PrepareBuffer(const uint8_t*, int32_t, std::vector<uint8_t>* packed, uint8_t) {
  std::vector<uint8_t>().swap(*packed);
  return false;
}

}  // namespace vor

// libbzip2 keeps its compression and decompression entry points in one
// object, which names the block compressor; that name alone would link the
// compressor and the block sorter. This program never compresses (the only
// caller of the compression entry points is the encoder above, which is not
// linked), and should it ever, the library's error hook raises the codec
// error instead.
extern "C" void BZ2_compressBlock(void*, unsigned char) {
  constexpr int kCompressorNotLinked = 3001;
  bz_internal_error(kCompressorNotLinked);
}
