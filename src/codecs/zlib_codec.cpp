// The decoding side of the deflate adapter (zlib_codec.h); the encoding side
// is in zlib_encode.cpp.
#include "codecs/zlib_codec.h"

#include <algorithm>

#include "codecs/codec_output.h"
#include "codecs/zlib_stream.h"

namespace vor {

namespace {

using zlib_detail::kWindowBits;
using zlib_detail::kZlibVersion;
using zlib_detail::RoundUp256;
using zlib_detail::ZStream;

}  // namespace

void ZDecompressBuffer(const uint8_t* in, int32_t in_size, int32_t estimate,
                       std::vector<uint8_t>* out, int32_t max_size) {
  std::vector<uint8_t>().swap(*out);
  if (in_size < 0 || (in_size > 0 && in == nullptr)) throw EDecompressionError("error");

  // An empty input would make the step 0; the output still grows.
  const int32_t step = std::max(RoundUp256(in_size), 256);
  CodecOutput output(estimate > 0 ? estimate : step, step, max_size);
  ZStream zs(inflateEnd);
  z_stream* s = zs.get();
  if (inflateInit2_(s, kWindowBits, kZlibVersion, static_cast<int>(sizeof(z_stream))) < 0) {
    throw EDecompressionError("error");
  }
  zs.MarkOpen();
  s->next_in = const_cast<Bytef*>(in);
  s->avail_in = static_cast<uInt>(in_size);
  for (;;) {
    output.NextRoom(s->total_out, &s->next_out, &s->avail_out);
    const int rc = inflate(s, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) break;
    // A truncated stream ends in Z_BUF_ERROR once no progress is possible;
    // Z_NEED_DICT (a preset dictionary this format never uses) would repeat
    // forever, so anything but Z_OK fails.
    if (rc != Z_OK || output.OverCap(s->total_out)) throw EDecompressionError("error");
  }
  if (output.OverCap(s->total_out)) throw EDecompressionError("error");
  const uLong total = s->total_out;
  if (zs.End() < 0) throw EDecompressionError("error");
  *out = output.Take(total);
}

}  // namespace vor
