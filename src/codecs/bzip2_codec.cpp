// The decoding side of the bzip2 adapter (bzip2_codec.h), with libbzip2's
// error hook; the encoding side is in bzip2_encode.cpp.
#include "codecs/bzip2_codec.h"

#include <algorithm>
#include <string>

#include "codecs/bzip2_stream.h"
#include "codecs/codec_output.h"

extern "C" void bz_internal_error(int errcode) {
  // libbzip2 is compiled with unwind tables on every target, so the
  // exception passes through its frames to the adapter's caller.
  throw vor::EBZip2Error("Compression Error " + std::to_string(errcode), vor::ErrorKind::kGeneral);
}

namespace vor {

namespace {

using bzip2_detail::AsChars;
using bzip2_detail::BzStream;
using bzip2_detail::kVerbosity;
using bzip2_detail::RoundUp256;
using bzip2_detail::TotalIn;
using bzip2_detail::TotalOut;

constexpr int kSmall = 0;  // the fast, larger-memory decoder

[[noreturn]] void RaiseDecompression(int code) {
  throw EBZDecompressionError("error " + std::to_string(code));
}

}  // namespace

void BZDecompressBuffer(const uint8_t* in, int32_t in_size, int32_t estimate,
                        std::vector<uint8_t>* out, int32_t max_size) {
  std::vector<uint8_t>().swap(*out);
  if (in_size < 0 || (in_size > 0 && in == nullptr)) RaiseDecompression(BZ_PARAM_ERROR);

  const int32_t step = std::max(RoundUp256(in_size), 256);
  CodecOutput output(estimate > 0 ? estimate : step, step, max_size);
  BzStream bzs(BZ2_bzDecompressEnd);
  bz_stream* s = bzs.get();
  int rc = BZ2_bzDecompressInit(s, kVerbosity, kSmall);
  if (rc < 0) RaiseDecompression(rc);
  bzs.MarkOpen();
  s->next_in = const_cast<char*>(reinterpret_cast<const char*>(in));
  s->avail_in = static_cast<unsigned int>(in_size);
  for (;;) {
    uint8_t* next = nullptr;
    output.NextRoom(TotalOut(*s), &next, &s->avail_out);
    s->next_out = AsChars(next);
    const uint64_t in_before = TotalIn(*s);
    const uint64_t out_before = TotalOut(*s);
    rc = BZ2_bzDecompress(s);
    if (rc == BZ_STREAM_END) break;
    if (rc < 0) RaiseDecompression(rc);
    if (output.OverCap(TotalOut(*s))) RaiseDecompression(BZ_OUTBUFF_FULL);
    // A stream cut short of its end-of-stream mark makes the library report
    // plain progress forever once the input is used up: every call gets
    // output room, so a call that moves nothing means the stream is stuck.
    if (TotalIn(*s) == in_before && TotalOut(*s) == out_before) {
      RaiseDecompression(BZ_UNEXPECTED_EOF);
    }
  }
  const uint64_t total = TotalOut(*s);
  if (output.OverCap(total)) RaiseDecompression(BZ_OUTBUFF_FULL);
  rc = bzs.End();
  if (rc < 0) RaiseDecompression(rc);
  *out = output.Take(total);
}

}  // namespace vor
