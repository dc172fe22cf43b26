// Folder operations built on the per-platform calls of fs.h.
#include "platform/fs.h"

namespace vor::platform {
namespace {

bool IsDelimiter(char c) { return c == '\\' || c == PathDelimiter(); }

// A path folder creation never has to make: a drive ("C:") or, with its
// trailing delimiter removed, a root ("").
bool IsDriveOrRoot(const std::string& path) {
  return path.empty() || (path.size() == 2 && path[1] == ':');
}

}  // namespace

bool IsPathDelimiter(char c) { return c == '/' || c == PathDelimiter(); }

std::string WithTrailingDelimiter(const std::string& path) {
  if (!path.empty() && IsPathDelimiter(path.back())) return path;
  return path + PathDelimiter();
}

std::string WithoutTrailingDelimiters(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && IsPathDelimiter(path[end - 1])) --end;
  return path.substr(0, end);
}

std::string JoinDiskPath(const std::string& base, const std::string& relative) {
  if (base.empty()) return relative;
  if (relative.empty()) return base;
  return WithTrailingDelimiter(base) + relative;
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string folder = path;
  while (!folder.empty() && IsDelimiter(folder.back())) folder.pop_back();
  if (IsDriveOrRoot(folder) || DirectoryExists(folder)) return true;
  const std::string parent = ExtractFilePath(folder);
  // A relative name without a folder part lives in the current folder.
  if (!parent.empty() && parent != folder && !ForceDirectories(parent)) return false;
  // Another program may make the folder between the check and the call.
  return CreateDirectory(folder) || DirectoryExists(folder);
}

std::string NearestExistingFolder(const std::string& path) {
  std::string folder = path;
  while (!folder.empty()) {
    if (DirectoryExists(folder)) return folder;
    // A root or drive with its delimiter ("C:\", "/") has no parent.
    const std::string parent = ExtractFilePath(WithoutTrailingDelimiters(folder));
    if (parent == folder) break;
    folder = parent;
  }
  return std::string();
}

}  // namespace vor::platform
