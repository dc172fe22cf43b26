#include <sys/stat.h>

#include "platform/file_mode.h"

namespace vor::platform {

bool MakeExecutable(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return ::chmod(path.c_str(), (st.st_mode | (0111 & ~mask)) & 07777) == 0;
}

}  // namespace vor::platform
