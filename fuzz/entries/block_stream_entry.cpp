// Fuzz entry: a block stream over arbitrary raw content: read it all, seek
// about, and (on request) write into it, checking that what was written
// reads back, also through a second stream over the raw bytes.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/coding.h"
#include "common/error.h"
#include "container/stream/block_stream.h"
#include "container/stream/stream.h"
#include "entries/fuzz_support.h"
#include "fuzz_entries.h"

namespace vor::fuzz {

namespace {

constexpr int64_t kMaxRead = 8 << 20;

// Reads from the stream's position until it gives nothing, at most kMaxRead.
int64_t Drain(TStream& stream) {
  std::vector<uint8_t> buffer(65536);
  int64_t total = 0;
  while (total < kMaxRead) {
    const int32_t n = stream.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
    if (n <= 0) break;
    total += n;
  }
  return total;
}

// Reads count bytes at position; false when they cannot all be read.
bool ReadAt(TStream& stream, int64_t position, int32_t count, std::vector<uint8_t>* out) {
  out->assign(static_cast<size_t>(count), 0);
  stream.Seek(position, 0);
  int32_t done = 0;
  while (done < count) {
    const int32_t n = stream.Read(out->data() + done, count - done);
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

}  // namespace

std::string BlockStreamEntry(const uint8_t* data, size_t size) {
  if (size < 1) return std::string();
  const uint8_t mode = data[0];
  TMemoryStream raw(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  std::unique_ptr<TCFRAdvancedFileStream> stream;
  try {
    stream =
        std::make_unique<TCFRAdvancedFileStream>(std::make_unique<ForwardingStream>(raw), 0, false);
  } catch (const EVorError&) {
    return std::string();
  }

  int64_t size_seen = 0;
  try {
    size_seen = stream->Size();
    if (size_seen < 0) return "negative stream size";
    stream->Seek(0, 0);
    Drain(*stream);
    for (int64_t p : {size_seen - 1, size_seen / 3, size_seen + 5}) {
      if (p < 0) continue;
      std::vector<uint8_t> bytes;
      ReadAt(*stream, p, 64, &bytes);
    }
  } catch (const EVorError&) {
  }
  if ((mode & 4) == 0) return std::string();

  // Writes: a patch of the input's own bytes at a position the input picks,
  // within or just behind the content.
  const size_t patch_length = std::min<size_t>(size - 1, 3000);
  const std::vector<uint8_t> patch(data + 1, data + 1 + patch_length);
  int64_t position = 0;
  if (size >= 5) position = DecodeFixed32(data + 1) % (std::min<int64_t>(size_seen, 1 << 22) + 2);
  try {
    stream->Seek(position, 0);
    stream->WriteBuffer(patch.data(), static_cast<int32_t>(patch.size()));
  } catch (const EVorError&) {
    return std::string();  // damaged content may refuse the write
  }
  std::vector<uint8_t> back;
  try {
    if (!ReadAt(*stream, position, static_cast<int32_t>(patch.size()), &back)) {
      return "a write that succeeded does not read back";
    }
  } catch (const EVorError& e) {
    return std::string("a write that succeeded raises on reading back: ") + e.what();
  }
  if (back != patch) return "a write that succeeded reads back different bytes";

  // A second stream over the raw bytes as the first left them sees the same
  // (a pass-through stream may have been given bytes that now read as a
  // stream header).
  const bool pass_through = stream->PassThrough();
  stream.reset();
  if (pass_through) return std::string();
  const std::string written = raw.Bytes();
  try {
    TCFRAdvancedFileStream again(std::make_unique<TMemoryStream>(written), 0, false);
    if (!ReadAt(again, position, static_cast<int32_t>(patch.size()), &back)) {
      return "written bytes are gone after reopening";
    }
    if (back != patch) return "written bytes changed after reopening";
  } catch (const EVorError& e) {
    return std::string("the written stream does not reopen: ") + e.what();
  }
  return std::string();
}

}  // namespace vor::fuzz
