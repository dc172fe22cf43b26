#include "shell/shell_misc.h"

#include "crypto/random.h"
#include "platform/com_result.h"
#include "platform/fs.h"
#include "shell/shell_errors.h"

namespace vor {

namespace {

constexpr int32_t kLaunchSucceededAbove = 32;

}  // namespace

TShellMisc::TShellMisc(platform::WindowId owner, VersionSource version)
    : owner_(owner), version_(std::move(version)) {}

int TShellMisc::GetOSVersionClass() const { return OSVersionClassFrom(version_); }

std::string TShellMisc::GetSpecialFolder(int32_t identifier) const {
  if (owner_ != 0 && !platform::IsWindowHandle(owner_)) {
    throw EShellMiscError("TShellMisc.GetSpecialFolder - owner is not a window",
                          ErrorKind::kMisuse);
  }
  std::string path;
  platform::GetSpecialFolderPath(owner_, identifier, &path);
  return path;
}

std::string TShellMisc::GetProgramsFolder() const {
  return GetSpecialFolder(platform::kFolderPrograms);
}

std::string TShellMisc::GetDesktopFolder() const {
  return GetSpecialFolder(platform::kFolderDesktopDirectory);
}

std::string TShellMisc::GetCommonProgramsFolder() const {
  return GetSpecialFolder(GetOSVersionClass() >= 3 ? platform::kFolderCommonPrograms
                                                   : platform::kFolderPrograms);
}

std::string TShellMisc::GetCommonDesktopFolder() const {
  return GetSpecialFolder(GetOSVersionClass() >= 3 ? platform::kFolderCommonDesktopDirectory
                                                   : platform::kFolderDesktopDirectory);
}

std::string TShellMisc::GetAppDataFolder() const {
  try {
    return GetSpecialFolder(platform::kFolderAppData);
  } catch (const EVorError&) {
    return GetExeFolder();
  }
}

std::string TShellMisc::GetLocalAppDataFolder() const {
  try {
    return GetSpecialFolder(platform::kFolderLocalAppData);
  } catch (const EVorError&) {
    return std::string();
  }
}

std::string TShellMisc::GetExeFolder() {
  return platform::ExtractFilePath(platform::ExecutablePath());
}

bool TShellMisc::Launch(const std::string& file_name, const std::string& parameters) {
  const int32_t result = platform::ShellOpen(file_name, parameters);
  if (result > kLaunchSucceededAbove) {
    last_launch_result_ = 0;
    return true;
  }
  last_launch_result_ = result;
  return false;
}

uint32_t TimeOfDaySeed(const platform::SystemTime& time) {
  return ((static_cast<uint32_t>(time.hour) * 60 + time.minute) * 60 + time.second) * 1000 +
         time.milliseconds;
}

void SeedRandomFromTimeOfDay() { SeedRandom(TimeOfDaySeed(platform::GetSystemTimeUtc())); }

}  // namespace vor
