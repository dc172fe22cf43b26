// Messages and summaries.
#include "report.h"

#include <cstdio>
#include <string>

#include "progress.h"

namespace vor::vorpack {

void Warn(const std::string& message) {
  std::fprintf(stderr, "vorpack: warning: %s\n", message.c_str());
}

void ReportError(const std::string& message) {
  std::fprintf(stderr, "vorpack: error: %s\n", message.c_str());
}

size_t ReportFindings(const Findings& findings) {
  std::fflush(stdout);
  for (const std::string& w : findings.warnings) Warn(w);
  for (const std::string& e : findings.errors) ReportError(e);
  return findings.errors.size();
}

std::string Totals(int files, int folders, int64_t bytes) {
  return std::to_string(files) + (files == 1 ? " file, " : " files, ") + std::to_string(folders) +
         (folders == 1 ? " folder, " : " folders, ") +
         coffer::FormatBytes(static_cast<double>(bytes));
}

std::string FilesByType(const std::vector<int>& counts) {
  std::string text;
  for (size_t type = 0; type < counts.size(); ++type) {
    if (counts[type] == 0) continue;
    if (!text.empty()) text += ", ";
    text += "type " + std::to_string(type) + ": " + std::to_string(counts[type]) +
            (counts[type] == 1 ? " file" : " files");
  }
  return text;
}

}  // namespace vor::vorpack
