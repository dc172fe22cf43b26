// The encoding side of the bzip2 adapter (bzip2_codec.h).
#include <limits>
#include <string>

#include "codecs/bzip2_codec.h"
#include "codecs/bzip2_stream.h"
#include "codecs/codec_output.h"

namespace vor {

namespace {

using bzip2_detail::AsChars;
using bzip2_detail::BzStream;
using bzip2_detail::kVerbosity;
using bzip2_detail::RoundUp256;
using bzip2_detail::TotalOut;

constexpr int kWorkFactor = 0;  // library default
constexpr int32_t kCompressStep = 256;

[[noreturn]] void RaiseCompression(int code) {
  throw EBZCompressionError("error " + std::to_string(code));
}

}  // namespace

void BZCompressBuffer(const uint8_t* in, int32_t in_size, std::vector<uint8_t>* out,
                      int32_t block_size_100k) {
  std::vector<uint8_t>().swap(*out);
  if (in_size < 0 || (in_size > 0 && in == nullptr)) RaiseCompression(BZ_PARAM_ERROR);

  const int64_t initial = RoundUp256(int64_t{in_size} + in_size / 10 + 12);
  CodecOutput output(initial, kCompressStep, std::numeric_limits<int32_t>::max());
  BzStream bzs(BZ2_bzCompressEnd);
  bz_stream* s = bzs.get();
  int rc = BZ2_bzCompressInit(s, block_size_100k, kVerbosity, kWorkFactor);
  if (rc < 0) RaiseCompression(rc);
  bzs.MarkOpen();
  s->next_in = const_cast<char*>(reinterpret_cast<const char*>(in));
  s->avail_in = static_cast<unsigned int>(in_size);
  for (;;) {
    uint8_t* next = nullptr;
    output.NextRoom(TotalOut(*s), &next, &s->avail_out);
    s->next_out = AsChars(next);
    rc = BZ2_bzCompress(s, BZ_FINISH);
    if (rc == BZ_STREAM_END) break;
    if (rc < 0) RaiseCompression(rc);
    if (output.OverCap(TotalOut(*s))) RaiseCompression(BZ_OUTBUFF_FULL);
  }
  const uint64_t total = TotalOut(*s);
  rc = bzs.End();
  if (rc < 0) RaiseCompression(rc);
  *out = output.Take(total);
}

}  // namespace vor
