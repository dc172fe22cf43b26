// The shell services of the window model on Windows: the special folders,
// launching through the shell, folder operations, and (not yet in this
// program) the shortcut writer and server registration.
#pragma once

#include <windows.h>

#include <string>

#include "installer/form_services.h"

namespace vor::win32 {

// A shortcut writer that cannot save: every link fails with a message.
class UnavailableLinkWriter : public IInstallerLinkWriter {
 public:
  void NewLink() override { description_.clear(); }
  std::string GetDescription() override { return description_; }
  void SetDescription(const std::string& value) override { description_ = value; }
  void SetWorkingDirectory(const std::string&) override {}
  void SetIconLocationPath(const std::string&) override {}
  void SetIconLocationIndex(int) override {}
  void SetPath(const std::string&) override {}
  void SaveToFile(const std::string& file_name) override;

 private:
  std::string description_;
};

class ShellAdapter : public IInstallerShell {
 public:
  // owner: the window the folder lookups are made for.
  explicit ShellAdapter(HWND owner) : owner_(owner) {}
  IInstallerLinkWriter& Link() override { return link_; }
  std::string GetProgramsFolder() override;
  std::string GetDesktopFolder() override;
  std::string GetCommonProgramsFolder() override;
  std::string GetCommonDesktopFolder() override;
  std::string GetAppDataFolder() override;
  bool Launch(const std::string& file_name, const std::string& parameters) override;
  void RegisterServerLibrary(const std::string& dll_name) override;
  bool DiskFolderExists(const std::string& path) override;
  bool CreateFolderPath(const std::string& path) override;

 private:
  std::string SpecialFolder(int identifier);
  HWND owner_;
  UnavailableLinkWriter link_;
};

}  // namespace vor::win32
