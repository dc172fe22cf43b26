#include "entries/fuzz_support.h"

#include <memory>

#include "fuzz_entries.h"
#include "platform/file.h"
#include "platform/fs.h"

namespace vor::fuzz {

const char kContainerPassword[] = "fuzz";
const char kVolumeFileName[] = "vol.cfr";

namespace {

struct Scratch {
  Scratch() : folder(platform::MakeTempDirectory("vor-fuzz-")) {}
  ~Scratch() { platform::RemoveDirectoryTree(folder); }
  std::string folder;
};

}  // namespace

const std::string& ScratchFolder() {
  static Scratch scratch;
  return scratch.folder;
}

std::string ScratchPath(const std::string& name) {
  return ScratchFolder() + platform::PathDelimiter() + name;
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  auto file = platform::FileHandle::Open(path, platform::FileAccess::kReadWrite,
                                         platform::FileShare::kShared,
                                         platform::FileDisposition::kCreateAlways);
  if (file == nullptr) return false;
  if (size == 0) return true;
  return file->Write(data, static_cast<int32_t>(size)) == static_cast<int32_t>(size);
}

void ClearScratchFolder() {
  const std::string folder = ScratchFolder();
  platform::RemoveDirectoryTree(folder);
  platform::CreateDirectory(folder);
}

}  // namespace vor::fuzz
