// The parts of the bzip2 adapter (bzip2_codec.h) that its decoding side
// (bzip2_codec.cpp) and its encoding side (bzip2_encode.cpp) share. The two
// sides are separate library members so that a program that only decodes
// does not name libbzip2's compressor.
#pragma once

#include <bzlib.h>

#include <cstdint>

namespace vor::bzip2_detail {

constexpr int kVerbosity = 0;

inline int32_t RoundUp256(int64_t n) { return static_cast<int32_t>((n + 255) & ~int64_t{255}); }

inline uint64_t TotalOut(const bz_stream& s) {
  return (static_cast<uint64_t>(s.total_out_hi32) << 32) | s.total_out_lo32;
}
inline uint64_t TotalIn(const bz_stream& s) {
  return (static_cast<uint64_t>(s.total_in_hi32) << 32) | s.total_in_lo32;
}

// libbzip2 takes char pointers.
inline char* AsChars(uint8_t* p) { return reinterpret_cast<char*>(p); }

// Owns an initialised compression or decompression stream and ends it
// exactly once with `end` (BZ2_bzCompressEnd or BZ2_bzDecompressEnd: each
// side names only its own). Allocation is libbzip2's default (plain malloc).
class BzStream {
 public:
  // The calling convention is libbzip2's, which differs between targets.
  using EndFunction = decltype(&BZ2_bzDecompressEnd);
  explicit BzStream(EndFunction end) : end_(end) {}
  ~BzStream() {
    if (open_) End();
  }
  BzStream(const BzStream&) = delete;
  BzStream& operator=(const BzStream&) = delete;

  bz_stream* get() { return &stream_; }
  void MarkOpen() { open_ = true; }
  int End() {
    open_ = false;
    return end_(&stream_);
  }

 private:
  const EndFunction end_;
  bool open_ = false;
  bz_stream stream_{};
};

}  // namespace vor::bzip2_detail
