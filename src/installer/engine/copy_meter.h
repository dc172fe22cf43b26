// How far the copy of Programfiles has come, in bytes: the sizes of the
// files to copy, read from the container before the copy starts, and the
// meter that turns the copy's per-file percentages into bytes of the whole.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace vor {

class TCoffer;

// The files below the container's Programfiles folder and their unpacked
// sizes, by the names the copy reports them under (relative to that folder,
// "Sub\Data.bin").
struct ProgramFilesSizes {
  std::unordered_map<std::string, uint64_t> files;
  uint64_t total = 0;
};

// Reads the sizes from the container's directory and the files' stream
// headers; raises what opening a stored file raises.
ProgramFilesSizes MeasureProgramFiles(TCoffer& container);

// Bytes copied of the total, from the copy's reports (a file's name with
// the percent done of it, 0 before its first block, 100 when whole). The
// count never goes back, and never passes the total.
class CopyMeter {
 public:
  explicit CopyMeter(ProgramFilesSizes sizes) : sizes_(std::move(sizes)) {}

  // The bytes copied after this report.
  uint64_t Report(const std::string& file_name, double percent);
  uint64_t Done() const { return done_; }
  uint64_t Total() const { return sizes_.total; }

 private:
  uint64_t SizeOf(const std::string& file_name) const;

  ProgramFilesSizes sizes_;
  std::string current_;    // the file reported last
  uint64_t finished_ = 0;  // the bytes of the files before it
  uint64_t done_ = 0;
};

}  // namespace vor
