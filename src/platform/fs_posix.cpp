// POSIX file and folder operations, with Windows results where the callers
// depend on them: attributes are mapped onto the Windows bits, a file
// without write permission counts as read-only (and, as on Windows, cannot be
// deleted until that attribute is cleared), and volume queries report the
// Windows file-system names (fs_types.h).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/fs.h"
#include "platform/fs_types.h"
#include "platform/platform_error.h"

namespace vor::platform {

namespace {

// FILETIME of the Unix epoch: seconds from 1601 to 1970, in 100 ns units.
constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

size_t LastDelimiter(const std::string& path) { return path.find_last_of('/'); }

bool StatPath(const std::string& path, struct stat* st) {
  return !path.empty() && ::stat(path.c_str(), st) == 0;
}

}  // namespace

char PathDelimiter() { return '/'; }

std::string ExtractFilePath(const std::string& path) {
  const size_t pos = LastDelimiter(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  const size_t pos = LastDelimiter(path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractRoot(const std::string& path) {
  const std::string folder = ExtractFilePath(path);
  return folder.empty() ? std::string(".") : folder;
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

bool FileExists(const std::string& path) {
  struct stat st;
  return StatPath(path, &st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return StatPath(path, &st) && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
    errno = EACCES;  // a read-only file, as Windows refuses to delete it
    return false;
  }
  return ::unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool FlushFolder(const std::string& path) {
  const std::string folder = path.empty() ? std::string(".") : path;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int rc;
  do {
    rc = ::fsync(fd);
  } while (rc != 0 && errno == EINTR);
  // Some file systems cannot fsync a folder (EINVAL); their entries are as
  // durable as they get.
  const bool ok = rc == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

bool CreateDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool RemoveDirectory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool RemoveDirectoryTree(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return false;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  bool ok = true;
  for (const std::string& name : names) ok = RemoveDirectoryTree(path + "/" + name) && ok;
  return ::rmdir(path.c_str()) == 0 && ok;
}

uint32_t GetFileAttributes(const std::string& path) {
  struct stat st;
  if (!StatPath(path, &st)) return kInvalidFileAttributes;
  uint32_t attributes = S_ISDIR(st.st_mode) ? kFileAttributeDirectory : kFileAttributeArchive;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kFileAttributeReadOnly;
  const std::string name = ExtractFileName(path);
  if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= kFileAttributeHidden;
  return attributes;
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
  struct stat st;
  if (!StatPath(path, &st)) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & kFileAttributeReadOnly) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR;
  }
  // Hidden, system and archive have no POSIX counterpart and are ignored.
  if (mode == (st.st_mode & 07777)) return true;  // nothing to change
  return ::chmod(path.c_str(), mode) == 0;
}

int64_t GetFileSize(const std::string& path) {
  struct stat st;
  if (!StatPath(path, &st) || S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

uint64_t GetFileLastWriteTime(const std::string& path) {
  struct stat st;
  if (!StatPath(path, &st)) return 0;
  const int64_t ticks =
      (static_cast<int64_t>(st.st_mtim.tv_sec) + kEpochDifferenceSeconds) * kTicksPerSecond +
      st.st_mtim.tv_nsec / 100;
  return ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
}

bool SetFileLastWriteTime(const std::string& path, uint64_t filetime) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  const int64_t ticks = static_cast<int64_t>(filetime);
  times[1].tv_sec = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifferenceSeconds);
  times[1].tv_nsec = static_cast<long>((ticks % kTicksPerSecond) * 100);
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::string GetCurrentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

bool SetCurrentDirectory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

bool GetVolumeFileSystemName(const std::string& root, std::string* name) {
  struct statfs st;
  if (root.empty() || ::statfs(root.c_str(), &st) != 0) return false;
  *name = WindowsFileSystemName(static_cast<uint64_t>(st.f_type) & 0xFFFFFFFFu);
  return true;
}

int64_t GetDiskFreeBytesAvailable(const std::string& root) {
  struct statvfs st;
  if (root.empty() || ::statvfs(root.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

std::string MakeTempDirectory(const std::string& prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string folder = (base != nullptr && *base != '\0') ? base : "/tmp";
  if (folder.back() != '/') folder += '/';
  std::string pattern = folder + prefix + "XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) RaiseLastOsError();
  return std::string(buffer.data());
}

}  // namespace vor::platform
