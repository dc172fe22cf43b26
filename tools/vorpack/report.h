// What vorpack tells the user: warnings and errors on standard error, the
// summary of a build on standard output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package.h"

namespace vor::vorpack {

void Warn(const std::string& message);
void ReportError(const std::string& message);
// Prints the findings' warnings and errors; the number of errors.
size_t ReportFindings(const Findings& findings);

// The files stored with each compression type, from counts by type:
// "type 0: 2 files, type 5: 1 file", types without files left out.
std::string FilesByType(const std::vector<int>& counts);

// "3 files, 2 folders, 12.0 KiB" and the like.
std::string Totals(int files, int folders, int64_t bytes);

}  // namespace vor::vorpack
