#include <cerrno>

#include "platform/restart_delete.h"

namespace vor::platform {

// A running program's file can be deleted at once here; nothing keeps a
// list of deletions for the next start.
bool DeleteAtRestart(const std::string& /*path*/) {
  errno = ENOSYS;
  return false;
}

// Nothing can be pending here.
bool CancelDeleteAtRestart(const std::vector<std::string>& /*paths*/) { return true; }

bool DeleteAtRestartPending(const std::string& /*path*/) { return false; }

}  // namespace vor::platform
