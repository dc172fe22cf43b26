// Deflate adapter: one zlib stream (two-byte header, deflate data, Adler-32
// trailer) per buffer, through zlib.
//
// The adapters raise on failure and leave their output empty; the codec
// entry points (compression.h) turn that into a false result.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "common/error.h"

namespace vor {

// Base of the zlib adapter's errors.
class EZlibError : public EVorError {
 public:
  using EVorError::EVorError;
};

// A zlib compression call failed; message "error". Kind kGeneral.
class ECompressionError : public EZlibError {
 public:
  explicit ECompressionError(const std::string& message)
      : EZlibError(message, ErrorKind::kGeneral) {}
};

// A zlib decompression call failed, or the stream ended early or would
// decode to more than the caller allows; message "error". Kind kDamaged:
// the stored stream is not what was compressed.
class EDecompressionError : public EZlibError {
 public:
  explicit EDecompressionError(const std::string& message)
      : EZlibError(message, ErrorKind::kDamaged) {}
};

// Compresses in[0..in_size) at `level` (1 to 9) into *out: deflate method,
// window bits 15, memory level 8, default strategy. *out starts at
// in_size + in_size / 10 + 12 rounded up to 256 bytes and grows by 256 bytes
// until the stream is finished; on return out->size() is the stream length.
// Raises ECompressionError; *out is empty after any exception.
void ZCompressBuffer(const uint8_t* in, int32_t in_size, std::vector<uint8_t>* out, int32_t level);

// Decodes the zlib stream in[0..in_size) into *out. The output starts at
// `estimate` bytes (or, for estimate <= 0, at in_size rounded up to 256) and
// grows by that rounded in_size; it never holds more than max_size bytes: a
// stream that would decode to more fails. Trailing bytes after the end of the
// stream are ignored. Raises EDecompressionError for damaged, truncated or
// oversized streams; *out is empty after any exception.
void ZDecompressBuffer(const uint8_t* in, int32_t in_size, int32_t estimate,
                       std::vector<uint8_t>* out,
                       int32_t max_size = std::numeric_limits<int32_t>::max());

}  // namespace vor
