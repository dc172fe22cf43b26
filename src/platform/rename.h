// Putting a finished file in place of another in one step.
#pragma once

#include <string>

namespace vor::platform {

// Renames the file from to to, replacing a file to that exists, so that a
// reader of to sees either the old file or the new one. Both lie in the same
// folder (the same volume). False when the system refuses; the reason is
// left in LastOsError().
bool ReplaceFileWith(const std::string& from, const std::string& to);

}  // namespace vor::platform
