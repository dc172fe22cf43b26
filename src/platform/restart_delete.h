// Files that cannot go now (a running program's own file) removed when the
// system next starts.
#pragma once

#include <string>

namespace vor::platform {

// Asks the system to delete path (a file, or a folder that is empty by then)
// at its next start. False when the system refuses (the request needs the
// right to change the machine's settings) or keeps no such list; the reason
// is left in LastOsError().
bool DeleteAtRestart(const std::string& path);

}  // namespace vor::platform
