// Files that cannot go now (a running program's own file) removed when the
// system next starts.
#pragma once

#include <string>
#include <vector>

namespace vor::platform {

// Asks the system to delete path (a file, or a folder that is empty by then)
// at its next start. False when the system refuses (the request needs the
// right to change the machine's settings) or keeps no such list; the reason
// is left in LastOsError().
bool DeleteAtRestart(const std::string& path);

// Withdraws the deletions at the next start that are pending for any of
// paths (compared without regard to case where the system's names are), so
// that a file written again after DeleteAtRestart is not lost then. True
// when none of them is pending any more (also when nothing was); false when
// the list cannot be read or changed, with the reason in LastOsError().
bool CancelDeleteAtRestart(const std::vector<std::string>& paths);

// Whether a deletion of path at the next start is pending (false where the
// system keeps no such list or it cannot be read).
bool DeleteAtRestartPending(const std::string& path);

}  // namespace vor::platform
