// Replacing a file on POSIX: rename(2) is atomic within a file system.
#include <stdio.h>

#include <string>

#include "platform/rename.h"

namespace vor::platform {

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace vor::platform
