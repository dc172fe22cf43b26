// System random bytes on POSIX: getrandom where the kernel has it, else
// /dev/urandom.

#include <errno.h>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include "platform/entropy.h"

namespace vor::platform {

namespace {

bool FromDevice(unsigned char* p, size_t size) {
  const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  while (size > 0) {
    const ssize_t n = ::read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  ::close(fd);
  return ok;
}

}  // namespace

bool SystemRandomBytes(void* buffer, size_t size) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::getrandom(p, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FromDevice(p, size);
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace vor::platform
