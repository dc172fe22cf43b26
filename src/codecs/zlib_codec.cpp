#include "codecs/zlib_codec.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "codecs/codec_output.h"

namespace vor {

namespace {

// The initialisers take the version the caller was written against; zlib
// only checks its first digit.
constexpr char kZlibVersion[] = "1.1.3";
constexpr int kWindowBits = 15;  // zlib wrapper, 32 KiB window
constexpr int kMemLevel = 8;
constexpr int32_t kCompressStep = 256;

voidpf ZeroFillingAlloc(voidpf, uInt items, uInt size) { return std::calloc(items, size); }
void Free(voidpf, voidpf address) { std::free(address); }

int32_t RoundUp256(int64_t n) { return static_cast<int32_t>((n + 255) & ~int64_t{255}); }

// Owns an initialised deflate or inflate stream and ends it exactly once.
class ZStream {
 public:
  explicit ZStream(bool inflating) : inflating_(inflating) {
    stream_.zalloc = ZeroFillingAlloc;
    stream_.zfree = Free;
    stream_.opaque = nullptr;
  }
  ~ZStream() {
    if (open_) End();
  }
  ZStream(const ZStream&) = delete;
  ZStream& operator=(const ZStream&) = delete;

  z_stream* get() { return &stream_; }
  void MarkOpen() { open_ = true; }
  int End() {
    open_ = false;
    return inflating_ ? inflateEnd(&stream_) : deflateEnd(&stream_);
  }

 private:
  const bool inflating_;
  bool open_ = false;
  z_stream stream_{};
};

}  // namespace

void ZCompressBuffer(const uint8_t* in, int32_t in_size, std::vector<uint8_t>* out, int32_t level) {
  std::vector<uint8_t>().swap(*out);
  if (in_size < 0 || (in_size > 0 && in == nullptr)) throw ECompressionError("error");

  const int64_t initial = RoundUp256(int64_t{in_size} + in_size / 10 + 12);
  CodecOutput output(initial, kCompressStep, std::numeric_limits<int32_t>::max());
  ZStream zs(false);
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

void ZDecompressBuffer(const uint8_t* in, int32_t in_size, int32_t estimate,
                       std::vector<uint8_t>* out, int32_t max_size) {
  std::vector<uint8_t>().swap(*out);
  if (in_size < 0 || (in_size > 0 && in == nullptr)) throw EDecompressionError("error");

  // An empty input would make the step 0; the output still grows.
  const int32_t step = std::max(RoundUp256(in_size), 256);
  CodecOutput output(estimate > 0 ? estimate : step, step, max_size);
  ZStream zs(true);
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
