// The parts of the deflate adapter (zlib_codec.h) that its decoding side
// (zlib_codec.cpp) and its encoding side (zlib_encode.cpp) share. The two
// sides are separate library members so that a program that only inflates
// links none of zlib's compressor.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdlib>

namespace vor::zlib_detail {

// The initialisers take the version the caller was written against; zlib
// only checks its first digit.
inline constexpr char kZlibVersion[] = "1.1.3";
constexpr int kWindowBits = 15;  // zlib wrapper, 32 KiB window

inline voidpf ZeroFillingAlloc(voidpf, uInt items, uInt size) { return std::calloc(items, size); }
inline void Free(voidpf, voidpf address) { std::free(address); }

inline int32_t RoundUp256(int64_t n) { return static_cast<int32_t>((n + 255) & ~int64_t{255}); }

// Owns an initialised deflate or inflate stream and ends it exactly once
// with `end` (deflateEnd or inflateEnd: each side names only its own).
class ZStream {
 public:
  using EndFunction = int (*)(z_streamp);
  explicit ZStream(EndFunction end) : end_(end) {
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
    return end_(&stream_);
  }

 private:
  const EndFunction end_;
  bool open_ = false;
  z_stream stream_{};
};

}  // namespace vor::zlib_detail
