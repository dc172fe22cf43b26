// IShellServices: every shell service the installer uses, behind one
// interface, so that the installer's model runs against the real shell
// (ShellServices) or against a fake in tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/shell.h"
#include "shell/link_writer.h"
#include "shell/shell_misc.h"
#include "shell/sx_shell_link.h"

namespace vor {

class IShellServices {
 public:
  virtual ~IShellServices() = default;

  // The window the folder lookups are made for, once the installer has one.
  virtual void SetOwnerWindow(platform::WindowId /*owner*/) {}

  // The shortcut writer (TSxWinShellLink).
  virtual ILinkWriter& Link() = 0;

  // Folder lookups (TShellMisc): a path without a guaranteed trailing
  // delimiter, or "" when the lookup fails.
  virtual std::string GetProgramsFolder() = 0;
  virtual std::string GetDesktopFolder() = 0;
  virtual std::string GetCommonProgramsFolder() = 0;
  virtual std::string GetCommonDesktopFolder() = 0;
  virtual std::string GetAppDataFolder() = 0;
  // The local application data folder, below which a user's own programs
  // go ("<it>\Programs\<application>"); "" when unknown.
  virtual std::string GetLocalAppDataFolder() { return std::string(); }

  // Opens a program or document; true on success, never raises.
  virtual bool Launch(const std::string& file_name, const std::string& parameters) = 0;

  // server_registration.h
  virtual void RegisterServerLibrary(const std::string& dll_name) = 0;
  virtual bool DiskFolderExists(const std::string& path) = 0;
  virtual bool CreateFolderPath(const std::string& path) = 0;
};

// The real services: one TSxWinShellLink (with the installer's design-time
// settings applied) and one TShellMisc. The calling thread must have
// initialised COM (platform::ComApartment) before constructing it.
class ShellServices : public IShellServices {
 public:
  explicit ShellServices(platform::WindowId owner = 0);

  TSxWinShellLink& ShellLink() { return *link_; }
  TShellMisc& ShellMisc() { return misc_; }

  void SetOwnerWindow(platform::WindowId owner) override { misc_.SetOwner(owner); }
  ILinkWriter& Link() override { return *link_; }
  std::string GetProgramsFolder() override { return misc_.GetProgramsFolder(); }
  std::string GetDesktopFolder() override { return misc_.GetDesktopFolder(); }
  std::string GetCommonProgramsFolder() override { return misc_.GetCommonProgramsFolder(); }
  std::string GetCommonDesktopFolder() override { return misc_.GetCommonDesktopFolder(); }
  std::string GetAppDataFolder() override { return misc_.GetAppDataFolder(); }
  std::string GetLocalAppDataFolder() override { return misc_.GetLocalAppDataFolder(); }
  bool Launch(const std::string& file_name, const std::string& parameters) override {
    return misc_.Launch(file_name, parameters);
  }
  void RegisterServerLibrary(const std::string& dll_name) override;
  bool DiskFolderExists(const std::string& path) override;
  bool CreateFolderPath(const std::string& path) override;

 private:
  std::unique_ptr<TSxWinShellLink> link_;
  TShellMisc misc_;
};

}  // namespace vor
