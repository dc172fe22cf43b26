// The writing half of TCFRAdvancedFileStream for a program that only reads
// stored files (the installer, which opens its own container read-only).
// Linked into such a program as an object of its own, these definitions
// come before the stream library's, so the library member with the real
// ones (block_stream_write.cpp), and with it the block packer, its threads
// and the encoders, is never linked. A write or size change raises the
// error a write to a read-only container raises, before anything moves.
//
// A program that links this object and also names another symbol of the
// real member fails to link (these would be defined twice), so the two can
// never be mixed silently.
#include <cstdint>

#include "common/error.h"
#include "container/stream/block_stream.h"

namespace vor {

int32_t TCFRAdvancedFileStream::Write(const void*, int32_t) {
  throw EVorError("TCFRAdvancedFileStream.Write - error writing to data stream.",
                  ErrorKind::kReadOnly);
}

void TCFRAdvancedFileStream::SetSize(int64_t) {
  throw EVorError("TCFRAdvancedFileStream.SetSize - error writing to data stream.",
                  ErrorKind::kReadOnly);
}

}  // namespace vor
