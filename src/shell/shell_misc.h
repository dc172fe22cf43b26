// TShellMisc: the shell's special folders and opening programs or documents,
// and the start-up seeding of the process-wide generator.
//
// Folder results carry no guaranteed trailing delimiter; callers add one. A
// failed lookup gives an empty path without a message.
#pragma once

#include <cstdint>
#include <string>

#include "platform/shell.h"
#include "platform/time.h"
#include "shell/os_version_class.h"

namespace vor {

class TShellMisc {
 public:
  // owner: the window the folder lookups are made for (0: none). version:
  // where the version record comes from (the system by default).
  explicit TShellMisc(platform::WindowId owner = 0, VersionSource version = platform::GetOSVersion);

  platform::WindowId Owner() const { return owner_; }
  void SetOwner(platform::WindowId owner) { owner_ = owner; }

  // Always "2.0.0.24"; writing it has no effect.
  std::string Version() const { return "2.0.0.24"; }
  void SetVersion(const std::string& /*value*/) {}

  // After a failed Launch the platform's result value; 0 after a successful one.
  int32_t LastLaunchResult() const { return last_launch_result_; }

  // The class of os_version_class.h for the current version record.
  int GetOSVersionClass() const;

  // The folder's path, or "" when the lookup fails. Raises EShellMiscError
  // when the owner is set but is not a window.
  std::string GetSpecialFolder(int32_t identifier) const;
  std::string GetProgramsFolder() const;
  std::string GetDesktopFolder() const;
  // The all-users folder on class 3 and above, else the current user's.
  std::string GetCommonProgramsFolder() const;
  std::string GetCommonDesktopFolder() const;
  // The application-data folder; the executable's folder when the lookup raises.
  std::string GetAppDataFolder() const;
  // The user's local (not roaming) application data folder; "" when the
  // system has none.
  std::string GetLocalAppDataFolder() const;
  // The running program's folder, up to and including the last delimiter
  // ("\", ":" on Windows, "/" on POSIX) of its path.
  static std::string GetExeFolder();

  // Opens file_name with parameters as a double-click would; true on
  // success. Never raises and never waits.
  bool Launch(const std::string& file_name, const std::string& parameters);

 private:
  platform::WindowId owner_;
  VersionSource version_;
  int32_t last_launch_result_ = 0;
};

// ((hour x 60 + minute) x 60 + second) x 1000 + millisecond.
uint32_t TimeOfDaySeed(const platform::SystemTime& time);
// Seeds the process-wide generator from the current UTC time of day.
void SeedRandomFromTimeOfDay();

}  // namespace vor
