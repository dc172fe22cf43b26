// Marking a file as a program that may be started.
#pragma once

#include <string>

namespace vor::platform {

// POSIX: adds the execute bits (less the process's umask) to the file's
// mode. Windows decides by the file's name and content: true when the file
// exists. False when the file cannot be changed.
bool MakeExecutable(const std::string& path);

}  // namespace vor::platform
