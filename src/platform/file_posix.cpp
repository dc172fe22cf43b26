// POSIX file handles.
//
// Sharing: Windows share modes are emulated with flock(2) advisory locks,
// taken on the open file description right after open(2). An exclusive open
// takes LOCK_EX, a shared open LOCK_SH, both non-blocking, so (as with the
// share modes) an exclusive open fails while any other open of the file
// exists, and any open fails while an exclusive one exists. flock rather than
// fcntl locks because flock locks belong to the open file description: two
// opens inside one process exclude each other exactly as two processes do,
// and closing one descriptor never drops the lock of another. The lock is
// advisory: it binds only programs that use this layer (or flock) too.
//
// Create-always opens without O_TRUNC and truncates only after the lock is
// held, so a refused open never destroys the other holder's data. Create-new
// (O_EXCL) makes a new, empty regular file: there is nothing to truncate and
// no folder to refuse.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file.h"

namespace vor::platform {

std::unique_ptr<FileHandle> FileHandle::Open(const std::string& path, FileAccess access,
                                             FileShare share, FileDisposition disposition,
                                             bool random_access) {
  int flags = (access == FileAccess::kReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  if (disposition == FileDisposition::kCreateAlways) flags |= O_CREAT;
  if (disposition == FileDisposition::kCreateNew) flags |= O_CREAT | O_EXCL;
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;

  // Folders are not files here, as on Windows.
  struct stat st;
  if (disposition != FileDisposition::kCreateNew &&
      (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
    const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
  const int lock = (share == FileShare::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  int rc;
  do {
    rc = ::flock(fd, lock);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    errno = EBUSY;  // the sharing violation
    return nullptr;
  }
  if (disposition == FileDisposition::kCreateAlways && ::ftruncate(fd, 0) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
#ifdef POSIX_FADV_RANDOM
  if (random_access) ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
#else
  (void)random_access;
#endif
  return std::unique_ptr<FileHandle>(new FileHandle(fd));
}

namespace {

// Moves count bytes with step (done) -> bytes moved by one call, repeating
// after a signal and after a partial transfer; stops at the end of the file
// (a call that moves nothing). Bytes moved, -1 on failure.
template <typename Step>
int32_t TransferAll(int32_t count, Step step) {
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = step(done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;  // end of file
    done += static_cast<int32_t>(n);
  }
  return done;
}

}  // namespace

FileHandle::~FileHandle() { ::close(static_cast<int>(native_)); }

int32_t FileHandle::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int fd = static_cast<int>(native_);
  char* p = static_cast<char*>(buffer);
  return TransferAll(
      count, [&](int32_t done) { return ::read(fd, p + done, static_cast<size_t>(count - done)); });
}

int32_t FileHandle::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int fd = static_cast<int>(native_);
  const char* p = static_cast<const char*>(buffer);
  return TransferAll(count, [&](int32_t done) {
    return ::write(fd, p + done, static_cast<size_t>(count - done));
  });
}

int64_t FileHandle::Seek(int64_t offset, SeekOrigin origin) {
  int whence;
  switch (origin) {
    case kSeekBegin:
      whence = SEEK_SET;
      break;
    case kSeekCurrent:
      whence = SEEK_CUR;
      break;
    case kSeekEnd:
      whence = SEEK_END;
      break;
    default:
      errno = EINVAL;
      return -1;
  }
  const off_t result = ::lseek(static_cast<int>(native_), static_cast<off_t>(offset), whence);
  return result < 0 ? -1 : static_cast<int64_t>(result);
}

bool FileHandle::SetEndOfFile() {
  const int fd = static_cast<int>(native_);
  const off_t position = ::lseek(fd, 0, SEEK_CUR);
  if (position < 0) return false;
  return ::ftruncate(fd, position) == 0;
}

bool FileHandle::Flush() { return ::fsync(static_cast<int>(native_)) == 0; }

int32_t FileHandle::ReadAt(int64_t offset, void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (offset < 0) {
    errno = EINVAL;
    return -1;
  }
  const int fd = static_cast<int>(native_);
  char* p = static_cast<char*>(buffer);
  return TransferAll(count, [&](int32_t done) {
    return ::pread(fd, p + done, static_cast<size_t>(count - done),
                   static_cast<off_t>(offset + done));
  });
}

int32_t FileHandle::WriteAt(int64_t offset, const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (offset < 0) {
    errno = EINVAL;
    return -1;
  }
  const int fd = static_cast<int>(native_);
  const char* p = static_cast<const char*>(buffer);
  return TransferAll(count, [&](int32_t done) {
    return ::pwrite(fd, p + done, static_cast<size_t>(count - done),
                    static_cast<off_t>(offset + done));
  });
}

bool FileHandle::Truncate(int64_t size) {
  if (size < 0) {
    errno = EINVAL;
    return false;
  }
  return ::ftruncate(static_cast<int>(native_), static_cast<off_t>(size)) == 0;
}

int64_t FileHandle::Size() {
  struct stat st;
  if (::fstat(static_cast<int>(native_), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool FileHandle::GetAttributes(uint32_t* attributes) {
  struct stat st;
  if (::fstat(static_cast<int>(native_), &st) != 0) return false;
  // The mapping of GetFileAttributes (fs_posix.cpp): 0x10 directory, 0x20
  // archive, 0x01 when the owner may not write.
  uint32_t bits = S_ISDIR(st.st_mode) ? 0x10u : 0x20u;
  if ((st.st_mode & S_IWUSR) == 0) bits |= 0x01u;
  *attributes = bits;
  return true;
}

}  // namespace vor::platform
