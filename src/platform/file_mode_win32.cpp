#include <windows.h>

#include "platform/file_mode.h"

namespace vor::platform {

bool MakeExecutable(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace vor::platform
