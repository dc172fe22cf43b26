// The checksum of a finished installer: the program's header checksum
// computed over the whole file, program and container (and what a signing
// tool checks).
#pragma once

#include <string>

namespace vor::vorpack {

// Sets the header checksum of the PE file at path to the checksum of all
// its bytes (a file that is no PE file is left alone). False when it cannot
// be read or written.
bool SetFileChecksum(const std::string& path);

}  // namespace vor::vorpack
