// Disk paths as the installer builds them: joined with the platform's
// delimiter ("\" on Windows).
#pragma once

#include <string>

#include "platform/fs.h"

namespace vor {

// path with a trailing delimiter added when it has none ("" gives the
// delimiter alone).
inline std::string WithTrailingDelimiter(const std::string& path) {
  const char delimiter = platform::PathDelimiter();
  if (!path.empty() && path.back() == delimiter) return path;
  return path + delimiter;
}

// path without one trailing delimiter.
inline std::string WithoutTrailingDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == platform::PathDelimiter()) {
    return path.substr(0, path.size() - 1);
  }
  return path;
}

}  // namespace vor
