// The checks of a job package, made before anything is written: what the
// installer would read wrongly, lose, or not find. The file names, keys and
// the placeholder are the installer's own (package/job.h).
#pragma once

#include <cstdint>
#include <string>

#include "package.h"
#include "package/job.h"

namespace vor::vorpack {

// Converts the job's text files of package to the code page (their entries
// then carry the converted content) and checks the whole job. Errors and
// warnings go to findings. Raises (exit code 5) when a file cannot be read.
void CheckJob(Package& package, Findings* findings);

}  // namespace vor::vorpack
