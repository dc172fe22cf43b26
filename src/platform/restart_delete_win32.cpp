#include <windows.h>

#include "platform/restart_delete.h"

namespace vor::platform {

bool DeleteAtRestart(const std::string& path) {
  return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

}  // namespace vor::platform
