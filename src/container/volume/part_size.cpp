#include "container/volume/part_size.h"

#include "common/error.h"
#include "platform/fs.h"

namespace vor {

namespace {

constexpr int64_t kMaxInt32 = 2147483647LL;
constexpr int64_t kMaxUInt32 = 4294967295LL;
constexpr int64_t kUnlimited = 0x7FFFFFFFFFFFFFFELL;
constexpr int64_t kFloppySize = 1457664;
constexpr int kNewestNtClass = 8;

bool IsFloppyRoot(const std::string& root) {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return false;
  return root[0] == 'A' || root[0] == 'a' || root[0] == 'B' || root[0] == 'b';
}

}  // namespace

int ClassifyOSVersion(const platform::OSVersionInfo& version) {
  const uint32_t major = version.major;
  const uint32_t minor = version.minor;
  if (major == 3) return 4;
  if (major == 4) {
    if (minor == 0) return version.platform_id == platform::kPlatformWin32Windows ? 1 : 5;
    if (minor == 10) return 2;
    if (minor == 90) return 3;
  }
  if (major == 5 && minor <= 2) return 6 + static_cast<int>(minor);
  // Every NT release after Server 2003 (Vista, 7, 8, 10, 11, ...) allows what
  // the newest known class allows.
  if (version.platform_id == platform::kPlatformWin32NT && major >= 5) {
    return kNewestNtClass;
  }
  throw EVorError("Can't Identify OS version", ErrorKind::kGeneral);
}

int64_t PartSizeForFileSystem(int os_class, const std::string& fs_name, const std::string& root,
                              int64_t udf_free_bytes) {
  if (fs_name == "FAT32") return os_class >= 6 && os_class <= 8 ? kMaxUInt32 : kMaxInt32;
  if (fs_name == "NTFS") return kUnlimited;
  if (fs_name == "FAT16") return kMaxInt32;
  if (fs_name == "CDFS") return 0;
  if (fs_name == "FS_UDF") return udf_free_bytes;
  if (fs_name == "FAT") return IsFloppyRoot(root) ? kFloppySize : kMaxInt32;
  return 0;
}

int64_t GetMaxPartSize(const std::string& path) {
  platform::OSVersionInfo version;
  if (!platform::GetOSVersion(&version))
    throw EVorError("Can't Identify OS version", ErrorKind::kGeneral);
  const int os_class = ClassifyOSVersion(version);
  const std::string root = platform::ExtractRoot(path);
  std::string fs_name;
  if (!platform::GetVolumeFileSystemName(root, &fs_name)) return 0;
  const int64_t free_bytes = fs_name == "FS_UDF" ? platform::GetDiskFreeBytesAvailable(root) : 0;
  return PartSizeForFileSystem(os_class, fs_name, root, free_bytes);
}

}  // namespace vor
