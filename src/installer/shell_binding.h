// The installer's shell services bound to the shell subsystem: the model's
// narrow interfaces forwarded to IShellServices and its shortcut writer.
#pragma once

#include <string>

#include "installer/form_services.h"
#include "shell/shell_services.h"

namespace vor {

class LinkWriterBinding : public IInstallerLinkWriter {
 public:
  explicit LinkWriterBinding(IShellServices& shell) : shell_(shell) {}
  void NewLink() override { shell_.Link().NewLink(); }
  std::string GetDescription() override { return shell_.Link().GetDescription(); }
  void SetDescription(const std::string& value) override { shell_.Link().SetDescription(value); }
  void SetWorkingDirectory(const std::string& value) override {
    shell_.Link().SetWorkingDirectory(value);
  }
  void SetIconLocationPath(const std::string& value) override {
    shell_.Link().SetIconLocationPath(value);
  }
  void SetIconLocationIndex(int value) override { shell_.Link().SetIconLocationIndex(value); }
  void SetPath(const std::string& value) override { shell_.Link().SetPath(value); }
  void SaveToFile(const std::string& file_name) override { shell_.Link().SaveToFile(file_name); }

 private:
  IShellServices& shell_;
};

class ShellBinding : public IInstallerShell {
 public:
  explicit ShellBinding(IShellServices& shell) : shell_(shell), link_(shell) {}
  IInstallerLinkWriter& Link() override { return link_; }
  std::string GetProgramsFolder() override { return shell_.GetProgramsFolder(); }
  std::string GetDesktopFolder() override { return shell_.GetDesktopFolder(); }
  std::string GetCommonProgramsFolder() override { return shell_.GetCommonProgramsFolder(); }
  std::string GetCommonDesktopFolder() override { return shell_.GetCommonDesktopFolder(); }
  std::string GetAppDataFolder() override { return shell_.GetAppDataFolder(); }
  bool Launch(const std::string& file_name, const std::string& parameters) override {
    return shell_.Launch(file_name, parameters);
  }
  void RegisterServerLibrary(const std::string& dll_name) override {
    shell_.RegisterServerLibrary(dll_name);
  }
  bool DiskFolderExists(const std::string& path) override { return shell_.DiskFolderExists(path); }
  bool CreateFolderPath(const std::string& path) override { return shell_.CreateFolderPath(path); }

 private:
  IShellServices& shell_;
  LinkWriterBinding link_;
};

}  // namespace vor
