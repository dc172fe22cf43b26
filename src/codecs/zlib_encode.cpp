// The encoding side of the deflate adapter (zlib_codec.h).
#include <limits>

#include "codecs/codec_output.h"
#include "codecs/zlib_codec.h"
#include "codecs/zlib_stream.h"

namespace vor {

namespace {

using zlib_detail::kWindowBits;
using zlib_detail::kZlibVersion;
using zlib_detail::RoundUp256;
using zlib_detail::ZStream;

constexpr int kMemLevel = 8;
constexpr int32_t kCompressStep = 256;

}  // namespace

void ZCompressBuffer(const uint8_t* in, int32_t in_size, std::vector<uint8_t>* out, int32_t level) {
  std::vector<uint8_t>().swap(*out);
  if (in_size < 0 || (in_size > 0 && in == nullptr)) throw ECompressionError("error");

  const int64_t initial = RoundUp256(int64_t{in_size} + in_size / 10 + 12);
  CodecOutput output(initial, kCompressStep, std::numeric_limits<int32_t>::max());
  ZStream zs(deflateEnd);
  z_stream* s = zs.get();
  if (deflateInit2_(s, level, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY, kZlibVersion,
                    static_cast<int>(sizeof(z_stream))) < 0) {
    throw ECompressionError("error");
  }
  zs.MarkOpen();
  s->next_in = const_cast<Bytef*>(in);
  s->avail_in = static_cast<uInt>(in_size);
  for (;;) {
    output.NextRoom(s->total_out, &s->next_out, &s->avail_out);
    const int rc = deflate(s, Z_FINISH);
    if (rc == Z_STREAM_END) break;
    // Besides negative codes, an output that would pass 2 GiB fails.
    if (rc < 0 || output.OverCap(s->total_out)) throw ECompressionError("error");
  }
  const uLong total = s->total_out;
  if (zs.End() < 0) throw ECompressionError("error");
  *out = output.Take(total);
}

}  // namespace vor
