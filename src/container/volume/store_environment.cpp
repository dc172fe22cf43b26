#include "container/volume/store_environment.h"

#include "container/volume/disk_file.h"
#include "platform/fs.h"
#include "platform/rename.h"

namespace vor {

namespace {

TStoreEnvironment* installed = nullptr;

}  // namespace

TStoreEnvironment::~TStoreEnvironment() = default;

std::unique_ptr<TCFRAbstractFile> TStoreEnvironment::NewDiskStore(const std::string& path,
                                                                  bool read_only, bool exclusive) {
  return std::make_unique<TCFRDiskFile>(path, read_only, exclusive);
}

bool TStoreEnvironment::DeleteFile(const std::string& path) { return platform::DeleteFile(path); }

bool TStoreEnvironment::ReplaceFile(const std::string& from, const std::string& to) {
  return platform::ReplaceFileWith(from, to);
}

bool TStoreEnvironment::FlushFolderOf(const std::string& path) {
  return platform::FlushFolder(platform::ExtractFilePath(path));
}

TStoreEnvironment& StoreEnvironment() {
  static TStoreEnvironment disk;
  return installed != nullptr ? *installed : disk;
}

void SetStoreEnvironment(TStoreEnvironment* environment) { installed = environment; }

}  // namespace vor
