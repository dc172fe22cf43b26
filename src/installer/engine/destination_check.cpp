// The destination check before an installation.
#include "installer/engine/destination_check.h"

#include <string>
#include <vector>

#include "common/text_format.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/platform_error.h"

namespace vor {

namespace {

// The probe's name in the folder; a number is added while a file or folder
// of that name is there already, so that nothing of the user's is touched.
constexpr const char* kProbeStem = "vorprobe";
constexpr int kProbeNames = 100;

DestinationCheck Refuse(DestinationFault fault, const std::string& folder,
                        const std::string& reason) {
  return {fault, "Cannot install into \"" + folder + "\".\r" + reason};
}

// The system's reason for the last failed call, as a sentence.
std::string SystemReason() {
  std::string text = platform::OsErrorMessage(platform::LastOsError());
  if (!text.empty() && text.back() != '.') text += '.';
  return text;
}

// Removes the folders made for the check, the deepest first.
class MadeFolders {
 public:
  ~MadeFolders() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) platform::RemoveDirectory(*it);
  }
  void Add(const std::string& folder) { made_.push_back(folder); }

 private:
  std::vector<std::string> made_;
};

// Writes and deletes a small file in folder; "" when that worked, else the
// reason.
std::string ProbeWrite(const std::string& folder) {
  const std::string base = platform::WithTrailingDelimiter(folder);
  for (int i = 0; i < kProbeNames; ++i) {
    const std::string path =
        base + kProbeStem + (i == 0 ? std::string() : std::to_string(i)) + ".tmp";
    if (platform::GetFileAttributes(path) != platform::kInvalidFileAttributes) continue;
    auto file = platform::FileHandle::Open(path, platform::FileAccess::kReadWrite,
                                           platform::FileShare::kExclusive,
                                           platform::FileDisposition::kCreateNew, false);
    if (file == nullptr) return "No file can be written there: " + SystemReason();
    const char byte = 'v';
    const bool written = file->Write(&byte, 1) == 1;
    const std::string reason = written ? std::string() : SystemReason();
    file.reset();
    platform::DeleteFile(path);
    if (!written) return "No file can be written there: " + reason;
    return std::string();
  }
  return "No file can be written there: every probe name is taken.";
}

}  // namespace

int64_t FreeBytesAt(const std::string& folder) {
  const std::string nearest = platform::NearestExistingFolder(folder);
  if (nearest.empty()) return -1;
  return platform::GetDiskFreeBytesAvailable(platform::WithTrailingDelimiter(nearest));
}

DestinationCheck CheckDestination(const std::string& folder, uint64_t needed,
                                  const FreeBytesQuery& free) {
  const std::string dest = platform::WithoutTrailingDelimiters(folder);
  const std::string nearest = platform::NearestExistingFolder(dest);
  if (nearest.empty()) {
    return Refuse(DestinationFault::kNoDrive, dest,
                  "The drive " + platform::ExtractRoot(dest) + " does not exist.");
  }

  // The parts of the path below the nearest existing folder, made from the
  // top down; they go again when the check ends.
  MadeFolders made;
  {
    std::vector<std::string> missing;
    for (std::string part = dest; !part.empty() && platform::WithoutTrailingDelimiters(part) !=
                                                       platform::WithoutTrailingDelimiters(nearest);
         part = platform::WithoutTrailingDelimiters(platform::ExtractFilePath(part))) {
      missing.push_back(part);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      if (platform::FileExists(*it)) {
        return Refuse(DestinationFault::kCannotCreate, dest,
                      "The folder cannot be created: " + *it + " is a file.");
      }
      if (!platform::CreateDirectory(*it)) {
        const std::string reason = SystemReason();
        return Refuse(DestinationFault::kCannotCreate, dest,
                      "The folder cannot be created: " + reason);
      }
      made.Add(*it);
    }
  }

  const std::string refused = ProbeWrite(dest);
  if (!refused.empty()) return Refuse(DestinationFault::kNotWritable, dest, refused);

  const int64_t available = free ? free(dest) : -1;
  if (available >= 0 && needed > static_cast<uint64_t>(available)) {
    return Refuse(DestinationFault::kNoRoom, dest,
                  "There is not enough space on its drive: " + ByteSizeText(needed) +
                      " required, " + ByteSizeText(static_cast<uint64_t>(available)) +
                      " available.");
  }
  return {};
}

std::string ByteSizeText(uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  // bytes / 1024^(unit + 1), the largest unit that leaves at least 1, with
  // one decimal.
  unsigned shift = 10;
  int unit = 0;
  while ((bytes >> shift) >= 1024 && unit < 3) {
    shift += 10;
    ++unit;
  }
  return BinaryFractionText(bytes, shift, 1) + " " + kUnits[unit];
}

std::string SpaceLine(uint64_t needed, int64_t available) {
  std::string line = "Space required: " + ByteSizeText(needed);
  if (available >= 0) {
    line += "    Space available: " + ByteSizeText(static_cast<uint64_t>(available));
  }
  return line;
}

std::string UserFolderLine(const std::string& program_dir) {
  return "Not writable for you: " + program_dir;
}

}  // namespace vor
