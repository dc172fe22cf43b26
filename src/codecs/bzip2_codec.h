// Bzip2 adapter: one standard bzip2 stream ("BZh" header, blocks, stream
// trailer) per buffer, through libbzip2.
//
// libbzip2 is built without stdio, so its internal consistency checks call
// the application's bz_internal_error, defined here, which raises
// EBZip2Error. The adapters raise on failure and leave their output empty;
// the codec entry points (compression.h) turn that into a false result.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "common/error.h"

namespace vor {

// Base of the bzip2 adapter's errors; raised itself for an internal error
// of libbzip2 with message "Compression Error <number>".
class EBZip2Error : public EVorError {
 public:
  using EVorError::EVorError;
};

// A bzip2 compression call failed; message "error <code>". Kind kGeneral.
class EBZCompressionError : public EBZip2Error {
 public:
  explicit EBZCompressionError(const std::string& message)
      : EBZip2Error(message, ErrorKind::kGeneral) {}
};

// A bzip2 decompression call failed; message "error <code>". A stream that
// ends before its end-of-stream mark reports BZ_UNEXPECTED_EOF (-7), one
// that would decode to more than allowed BZ_OUTBUFF_FULL (-8).
// Kind kDamaged: the stored stream is not what was compressed.
class EBZDecompressionError : public EBZip2Error {
 public:
  explicit EBZDecompressionError(const std::string& message)
      : EBZip2Error(message, ErrorKind::kDamaged) {}
};

// Compresses in[0..in_size) with block size block_size_100k x 100,000 bytes
// (1 to 9), work factor 0 (the library default), into *out. Output sizing and
// growth as ZCompressBuffer. Raises EBZCompressionError (or EBZip2Error);
// *out is empty after any exception.
void BZCompressBuffer(const uint8_t* in, int32_t in_size, std::vector<uint8_t>* out,
                      int32_t block_size_100k);

// Decodes the bzip2 stream in[0..in_size) into *out, with the estimate, step
// and max_size rules of ZDecompressBuffer. Raises EBZDecompressionError (or
// EBZip2Error); *out is empty after any exception.
void BZDecompressBuffer(const uint8_t* in, int32_t in_size, int32_t estimate,
                        std::vector<uint8_t>* out,
                        int32_t max_size = std::numeric_limits<int32_t>::max());

}  // namespace vor

// libbzip2's internal-error hook: raises vor::EBZip2Error with
// "Compression Error <errcode>".
extern "C" void bz_internal_error(int errcode);
