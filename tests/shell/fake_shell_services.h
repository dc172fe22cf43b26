// The one stand-in for the shell services in tests of code that uses them
// (the installation, the wizard, the unattended run): folders, files and
// servers live in memory, shortcuts and launches are recorded. It follows
// the real services' contract (see shell_services_test.cpp): the same
// results, the same kinds of exception.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/com_result.h"
#include "platform/fs.h"
#include "platform/platform_error.h"
#include "shell/shell_errors.h"
#include "shell/shell_services.h"

namespace vor::testing {

struct FakeShortcut {
  std::string file;
  std::string description;
  std::string working_directory;
  std::string icon_path;
  int32_t icon_index = 0;
  std::string path;
};

class FakeShellServices;

class FakeLinkWriter : public ILinkWriter {
 public:
  // The services whose folders a save needs; set again by every Link() so
  // that a copied set of services keeps its own writer.
  void Bind(FakeShellServices* services) { services_ = services; }

  void NewLink() override { current_ = FakeShortcut(); }
  std::string GetDescription() override { return current_.description; }
  void SetDescription(const std::string& value) override {
    if (value.size() > 1023)
      throw ESxShellLink("TSxWinShellLink.Description - value longer than 1023 characters",
                         ErrorKind::kMisuse);
    current_.description = value;
  }
  void SetWorkingDirectory(const std::string& value) override {
    current_.working_directory = value;
  }
  void SetIconLocationPath(const std::string& value) override { current_.icon_path = value; }
  void SetIconLocationIndex(int32_t value) override { current_.icon_index = value; }
  void SetPath(const std::string& value) override { current_.path = value; }
  void SaveToFile(const std::string& file_name) override;

  // Every shortcut saved, in order.
  std::vector<FakeShortcut> saved;
  // A save whose file name contains this text fails as a save into a
  // folder without write access does ("" for none).
  std::string fail_when_named;

 private:
  FakeShellServices* services_ = nullptr;
  FakeShortcut current_;
};

class FakeShellServices : public IShellServices {
 public:
  // Folder lookups answer these.
  std::string programs, desktop, common_programs, common_desktop, app_data, local_app_data;

  // Existing folders, without a trailing delimiter; shortcuts can only be
  // saved into these. CreateFolderPath adds to them.
  std::set<std::string> folders;
  // Files Launch can open; opened files are recorded.
  std::set<std::string> files;
  std::vector<std::pair<std::string, std::string>> launched;  // (file, parameters)
  int32_t last_launch_result = 0;
  // Libraries that exist, with what their registration returns; registered
  // ones are recorded.
  std::map<std::string, int32_t> servers;
  std::vector<std::string> registered;
  // Folders CreateFolderPath refuses to create (a full disk, no rights).
  std::set<std::string> unwritable;
  // Every CreateFolderPath call's path, in order.
  std::vector<std::string> created_folders;
  // CreateFolderPath raises, as it does for a path it cannot even try.
  bool create_folder_raises = false;

  FakeLinkWriter& FakeLink() {
    link_.Bind(this);
    return link_;
  }

  ILinkWriter& Link() override { return FakeLink(); }
  std::string GetProgramsFolder() override { return programs; }
  std::string GetDesktopFolder() override { return desktop; }
  std::string GetCommonProgramsFolder() override { return common_programs; }
  std::string GetCommonDesktopFolder() override { return common_desktop; }
  std::string GetAppDataFolder() override { return app_data; }
  std::string GetLocalAppDataFolder() override { return local_app_data; }

  bool Launch(const std::string& file_name, const std::string& parameters) override {
    launched.emplace_back(file_name, parameters);
    const bool found = files.count(file_name) != 0;
    last_launch_result = found ? 0 : 2;  // 2: file not found
    return found;
  }

  void RegisterServerLibrary(const std::string& dll_name) override {
    const auto it = servers.find(dll_name);
    if (it == servers.end()) {
      throw platform::EPlatformError(2, "The system cannot find the file specified.: " + dll_name);
    }
    if (platform::ResultFailed(it->second)) {
      throw EShellCallError(it->second, platform::ResultMessage(it->second));
    }
    registered.push_back(dll_name);
  }

  bool DiskFolderExists(const std::string& path) override {
    return folders.count(Strip(path)) != 0;
  }

  bool CreateFolderPath(const std::string& path) override {
    created_folders.push_back(path);
    if (create_folder_raises) throw EShellMiscError("Unable to create directory", ErrorKind::kIo);
    return MakeFolderPath(path);
  }

  static std::string Strip(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == platform::PathDelimiter())) {
      path.pop_back();
    }
    return path;
  }

 private:
  bool MakeFolderPath(const std::string& path) {
    if (path.empty()) throw EShellMiscError("Unable to create directory", ErrorKind::kIo);
    const std::string folder = Strip(path);
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) return true;
    if (folders.count(folder) != 0) return true;
    const std::string parent = platform::ExtractFilePath(folder);
    if (!parent.empty() && !MakeFolderPath(parent)) return false;
    if (unwritable.count(folder) != 0) return false;
    folders.insert(folder);
    return true;
  }

  FakeLinkWriter link_;
};

inline void FakeLinkWriter::SaveToFile(const std::string& file_name) {
  if (!fail_when_named.empty() && file_name.find(fail_when_named) != std::string::npos) {
    const int32_t code = platform::ResultFromOsError(5);  // access denied
    throw EShellCallError(code, "Access denied to " + file_name);
  }
  const std::string folder = FakeShellServices::Strip(platform::ExtractFilePath(file_name));
  if (services_->folders.count(folder) == 0) {
    const int32_t code = platform::ResultFromOsError(3);  // path not found
    throw EShellCallError(code, "The system cannot find the path specified.");
  }
  FakeShortcut shortcut = current_;
  shortcut.file = file_name;
  saved.push_back(shortcut);
}

}  // namespace vor::testing
