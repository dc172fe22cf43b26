// An in-memory disk, registry entry and library loader for tests of the
// removal. Every call that changes something is recorded in order.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/error.h"
#include "installer/engine/uninstaller.h"
#include "platform/fs.h"

namespace vor::testing {

// path written with "/" turned into the platform's delimiter.
inline std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = platform::PathDelimiter();
  }
  return path;
}

class FakeUninstallSystem : public IUninstallSystem {
 public:
  // A file (with its parent folders) holding bytes.
  void AddFile(const std::string& path, const std::string& bytes = "x") {
    AddParents(path);
    kinds_[path] = PathKind::kFile;
    contents_[path] = bytes;
  }
  void AddFolder(const std::string& path) {
    AddParents(path);
    kinds_[path] = PathKind::kFolder;
  }
  void AddSymbolicLink(const std::string& path) {
    AddParents(path);
    kinds_[path] = PathKind::kSymbolicLink;
  }
  bool Exists(const std::string& path) const { return kinds_.count(path) != 0; }
  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (const auto& entry : kinds_) paths.push_back(entry.first);
    return paths;
  }

  std::set<std::string> in_use;           // files that cannot be deleted
  std::set<std::string> failing_servers;  // libraries whose unregistration fails
  bool entry_present = true;
  bool entry_removable = true;
  std::vector<std::string> calls;  // "unregister P", "delete P", "rmdir P", "entry A|D"

  bool ReadFile(const std::string& path, std::string* bytes) override {
    const auto it = contents_.find(path);
    if (it == contents_.end()) return false;
    *bytes = it->second;
    return true;
  }
  PathKind GetPathKind(const std::string& path) override {
    const auto it = kinds_.find(path);
    return it == kinds_.end() ? PathKind::kNone : it->second;
  }
  bool DeleteFile(const std::string& path, std::string* error) override {
    if (in_use.count(path) != 0 || GetPathKind(path) == PathKind::kFolder ||
        GetPathKind(path) == PathKind::kNone) {
      *error = "The process cannot access the file because it is being used by another process";
      return false;
    }
    calls.push_back("delete " + path);
    kinds_.erase(path);
    contents_.erase(path);
    return true;
  }
  bool RemoveEmptyFolder(const std::string& path) override {
    if (GetPathKind(path) != PathKind::kFolder) return false;
    const std::string inside = path + platform::PathDelimiter();
    for (const auto& entry : kinds_) {
      if (entry.first.compare(0, inside.size(), inside) == 0) return false;
    }
    calls.push_back("rmdir " + path);
    kinds_.erase(path);
    return true;
  }
  bool ListFolder(const std::string& path, std::vector<std::string>* names) override {
    if (GetPathKind(path) != PathKind::kFolder) return false;
    names->clear();
    const std::string inside = path + platform::PathDelimiter();
    for (const auto& entry : kinds_) {
      const std::string& p = entry.first;
      if (p.compare(0, inside.size(), inside) == 0 &&
          p.find(platform::PathDelimiter(), inside.size()) == std::string::npos) {
        names->push_back(p.substr(inside.size()));
      }
    }
    return true;
  }
  void UnregisterServer(const std::string& library) override {
    calls.push_back("unregister " + library);
    if (GetPathKind(library) != PathKind::kFile)
      throw EVorError("The module was not found", ErrorKind::kNotFound);
    if (failing_servers.count(library) != 0)
      throw EVorError("Unspecified error", ErrorKind::kGeneral);
  }
  bool RemoveUninstallEntry(const std::string& app_name, const std::string& install_dir,
                            std::string* error) override {
    calls.push_back("entry " + app_name + "|" + install_dir);
    if (!entry_removable) {
      *error = "Access is denied";
      return false;
    }
    entry_present = false;
    return true;
  }

 private:
  void AddParents(const std::string& path) {
    const char d = platform::PathDelimiter();
    for (size_t i = path.find(d, 1); i != std::string::npos; i = path.find(d, i + 1)) {
      const std::string parent = path.substr(0, i);
      if (kinds_.count(parent) == 0) kinds_[parent] = PathKind::kFolder;
    }
  }

  std::map<std::string, PathKind> kinds_;
  std::map<std::string, std::string> contents_;
};

}  // namespace vor::testing
