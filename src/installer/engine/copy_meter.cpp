// The sizes of the files to copy and the copy's byte meter.
#include "installer/engine/copy_meter.h"

#include <algorithm>

#include "common/rounding.h"
#include "container/coffer.h"
#include "container/store/file_rec.h"
#include "container/stream/file_stream.h"
#include "package/job.h"

namespace vor {

namespace {

// Every file of the tree below folder (a container path ending in "\"),
// named relative to root as the copy names it.
void MeasureFolder(TCoffer& container, const std::string& folder, const std::string& root,
                   ProgramFilesSizes& sizes) {
  std::vector<std::string> subfolders;
  TSearchRec rec;
  if (container.FindFirst(folder + "*.*", 63, &rec) == kResultOk) {
    do {
      if (rec.Name == "." || rec.Name == "..") continue;
      if ((rec.Attr & kFileAttributeDirectory) != 0) {
        subfolders.push_back(folder + rec.Name + "\\");
        continue;
      }
      const std::string path = folder + rec.Name;
      TCFRFileStream stream(&container, path, 0, container.Password(), "", "", 0);
      const int64_t size = stream.Size();
      const uint64_t bytes = size > 0 ? static_cast<uint64_t>(size) : 0;
      sizes.files[path.substr(root.size())] = bytes;
      sizes.total += bytes;
    } while (container.FindNext(&rec) == 0);
  }
  container.FindClose(&rec);
  for (const std::string& sub : subfolders) MeasureFolder(container, sub, root, sizes);
}

}  // namespace

ProgramFilesSizes MeasureProgramFiles(TCoffer& container) {
  ProgramFilesSizes sizes;
  const std::string root = JobFilePath(kProgramFilesFolder) + "\\";
  if (container.FolderExists(root)) MeasureFolder(container, root, root, sizes);
  return sizes;
}

uint64_t CopyMeter::SizeOf(const std::string& file_name) const {
  const auto found = sizes_.files.find(file_name);
  return found == sizes_.files.end() ? 0 : found->second;
}

uint64_t CopyMeter::Report(const std::string& file_name, double percent) {
  if (file_name != current_) {
    // A new file: the one before it is done, whatever it reported last.
    if (!current_.empty()) finished_ += SizeOf(current_);
    current_ = file_name;
  }
  const double part = std::clamp(percent, 0.0, 100.0) / 100.0;
  const uint64_t within = RoundHalfUp(part * static_cast<double>(SizeOf(current_)));
  done_ = std::min(std::max(done_, finished_ + within), sizes_.total);
  return done_;
}

}  // namespace vor
