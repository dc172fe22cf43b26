// The checks of a job package, made before anything is written: what the
// installer would read wrongly, lose, or not find. The file names, keys and
// the placeholder are the installer's own (package/job.h).
#pragma once

#include <cstdint>
#include <string>

#include "package.h"
#include "package/job.h"

namespace vor::vorpack {

// The bytes of a file of the package that the installer reads whole (a job
// text file, the icon). Raises (exit code 1) when it is larger than 16 MiB,
// (5) when it cannot be read.
std::string ReadWhole(const PackageEntry& entry);

// Converts the job's text files of package to the code page (their entries
// then carry the converted content) and checks the whole job. Errors and
// warnings go to findings. Raises (exit code 5) when a file cannot be read.
void CheckJob(Package& package, Findings* findings);

}  // namespace vor::vorpack
