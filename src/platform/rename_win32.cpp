// Replacing a file on Windows.
#include <windows.h>

#include <string>

#include "platform/rename.h"

namespace vor::platform {

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace vor::platform
