#include "codecs/bzip2_codec.h"

#include <bzlib.h>

#include <algorithm>
#include <string>
#include <utility>

#include "codecs/codec_output.h"

extern "C" void bz_internal_error(int errcode) {
  // libbzip2 is compiled with unwind tables on every target, so the
  // exception passes through its frames to the adapter's caller.
  throw vor::EBZip2Error("Compression Error " + std::to_string(errcode), vor::ErrorKind::kGeneral);
}

namespace vor {

namespace {

constexpr int kVerbosity = 0;
constexpr int kWorkFactor = 0;  // library default
constexpr int kSmall = 0;       // the fast, larger-memory decoder
constexpr int32_t kCompressStep = 256;

int32_t RoundUp256(int64_t n) { return static_cast<int32_t>((n + 255) & ~int64_t{255}); }

uint64_t TotalOut(const bz_stream& s) {
  return (static_cast<uint64_t>(s.total_out_hi32) << 32) | s.total_out_lo32;
}
uint64_t TotalIn(const bz_stream& s) {
  return (static_cast<uint64_t>(s.total_in_hi32) << 32) | s.total_in_lo32;
}

[[noreturn]] void RaiseCompression(int code) {
  throw EBZCompressionError("error " + std::to_string(code));
}
[[noreturn]] void RaiseDecompression(int code) {
  throw EBZDecompressionError("error " + std::to_string(code));
}

// Owns an initialised compression or decompression stream and ends it
// exactly once. Allocation is libbzip2's default (plain malloc).
class BzStream {
 public:
  explicit BzStream(bool decompressing) : decompressing_(decompressing) {}
  ~BzStream() {
    if (open_) End();
  }
  BzStream(const BzStream&) = delete;
  BzStream& operator=(const BzStream&) = delete;

  bz_stream* get() { return &stream_; }
  void MarkOpen() { open_ = true; }
  int End() {
    open_ = false;
    return decompressing_ ? BZ2_bzDecompressEnd(&stream_) : BZ2_bzCompressEnd(&stream_);
  }

 private:
  const bool decompressing_;
  bool open_ = false;
  bz_stream stream_{};
};

// libbzip2 takes char pointers.
char* AsChars(uint8_t* p) { return reinterpret_cast<char*>(p); }

}  // namespace

void BZCompressBuffer(const uint8_t* in, int32_t in_size, std::vector<uint8_t>* out,
                      int32_t block_size_100k) {
  std::vector<uint8_t>().swap(*out);
  if (in_size < 0 || (in_size > 0 && in == nullptr)) RaiseCompression(BZ_PARAM_ERROR);

  const int64_t initial = RoundUp256(int64_t{in_size} + in_size / 10 + 12);
  CodecOutput output(initial, kCompressStep, std::numeric_limits<int32_t>::max());
  BzStream bzs(false);
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

void BZDecompressBuffer(const uint8_t* in, int32_t in_size, int32_t estimate,
                        std::vector<uint8_t>* out, int32_t max_size) {
  std::vector<uint8_t>().swap(*out);
  if (in_size < 0 || (in_size > 0 && in == nullptr)) RaiseDecompression(BZ_PARAM_ERROR);

  const int32_t step = std::max(RoundUp256(in_size), 256);
  CodecOutput output(estimate > 0 ? estimate : step, step, max_size);
  BzStream bzs(true);
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
