// Fuzz entry: opening a volume from arbitrary part files, which searches the
// first part for the volume header behind a prefix and follows the chain of
// part names, then reading it all and seeking about.
#include <algorithm>
#include <vector>

#include "common/coding.h"
#include "common/error.h"
#include "container/volume/multipart_volume.h"
#include "entries/fuzz_support.h"
#include "fuzz_entries.h"

namespace vor::fuzz {

std::string VolumeSearchEntry(const uint8_t* data, size_t size) {
  if (size < 1) return std::string();
  const uint8_t flags = data[0];
  const bool two_parts = (flags & 1) != 0;
  const bool force = (flags & 2) != 0;
  const bool in_memory = (flags & 4) != 0;
  size_t offset = 1;
  size_t first_length = size - 1;
  if (two_parts) {
    if (size < 5) return std::string();
    offset = 5;
    first_length = std::min<size_t>(DecodeFixed32(data + 1), size - 5);
  }

  ClearScratchFolder();
  const std::string name = ScratchPath(kVolumeFileName);
  if (!WriteWholeFile(name, data + offset, first_length)) return "cannot write the part file";
  if (two_parts &&
      !WriteWholeFile(name + "1", data + offset + first_length, size - offset - first_length)) {
    return "cannot write the second part file";
  }
  const int64_t stored = static_cast<int64_t>(size - offset);

  try {
    TCFRHugeFile volume(name, /*read_only=*/true, /*exclusive=*/false, in_memory, -1);
    if (!volume.Open(false, force)) return std::string();
    const int64_t volume_size = volume.GetSize();
    if (volume_size < 0) return "negative volume size";
    if (volume_size > stored) return "the volume is larger than its part files";
    if (volume.HeaderOffset() < 0) return "negative header offset";

    // The volume's data as the part files hold it: each part's bytes behind
    // its header (and, in the first part, behind the prefix).
    if (volume.PartCount() > (two_parts ? 2u : 1u)) return "more parts than files";
    std::vector<uint8_t> expected;
    const uint8_t* part_bytes[2] = {data + offset, data + offset + first_length};
    const size_t part_lengths[2] = {first_length, size - offset - first_length};
    for (size_t i = 0; i < volume.PartCount(); ++i) {
      const size_t start = static_cast<size_t>(i == 0 ? volume.HeaderOffset() : 0) + 280;
      if (start > part_lengths[i]) return "a part shorter than its header was opened";
      expected.insert(expected.end(), part_bytes[i] + start, part_bytes[i] + part_lengths[i]);
    }
    if (static_cast<int64_t>(expected.size()) != volume_size) {
      return "the volume size does not match its parts";
    }

    // Reading it all gives exactly those bytes.
    std::vector<uint8_t> buffer(65536);
    std::vector<uint8_t> content;
    volume.SetPosition(0);
    for (;;) {
      const int32_t n = volume.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
      if (n < 0 || n > static_cast<int32_t>(buffer.size())) return "a read count out of range";
      if (n == 0) break;
      content.insert(content.end(), buffer.begin(), buffer.begin() + n);
      if (static_cast<int64_t>(content.size()) > volume_size) return "read past the volume's end";
    }
    if (content != expected) return "the volume reads other bytes than its parts hold";

    // Positions picked by the input's own bytes, read through part ends.
    for (size_t i = offset; i + 4 <= size && i < offset + 64; i += 4) {
      const int64_t p = DecodeFixed32(data + i) % (volume_size + 1);
      volume.SetPosition(p);
      const int32_t n = volume.Read(buffer.data(), 1000);
      if (n != static_cast<int32_t>(std::min<int64_t>(1000, volume_size - p))) {
        return "a read inside the volume came out short";
      }
    }
    // A read-only volume on disk takes no write (one in memory may: its
    // changes never reach the files).
    if (!in_memory) {
      volume.SetPosition(0);
      if (volume.Write(buffer.data(), 10) != 0) return "a read-only volume took a write";
      if (volume.GetSize() != volume_size) return "a read-only volume changed size";
    }
  } catch (const EVorError&) {
    // An error is a fine answer.
  }
  return std::string();
}

}  // namespace vor::fuzz
