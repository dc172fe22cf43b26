// The shell's folder lookup, opening files as a double-click would, and the
// running program's own path.
//
// POSIX counterparts of the folders (XDG base and user directories):
//   current user's Programs        $XDG_DATA_HOME/applications (~/.local/share/applications)
//   current user's desktop         what xdg-user-dir DESKTOP reports, read from the
//                                  same places without starting it: XDG_DESKTOP_DIR of
//                                  $XDG_CONFIG_HOME/user-dirs.dirs, else of the
//                                  environment, else ~/Desktop
//   all users' Programs            /usr/share/applications
//   all users' desktop             the current user's desktop (there is no shared one)
//   current user's application data $XDG_CONFIG_HOME (~/.config)
// XDG variables holding relative paths are ignored, as the XDG rules ask.
// Opening goes through xdg-open, started without waiting for it.
#pragma once

#include <cstdint>
#include <string>

namespace vor::platform {

// Folder identifiers (CSIDL values).
constexpr int32_t kFolderPrograms = 2;                 // CSIDL_PROGRAMS
constexpr int32_t kFolderDesktopDirectory = 16;        // CSIDL_DESKTOPDIRECTORY
constexpr int32_t kFolderCommonPrograms = 23;          // CSIDL_COMMON_PROGRAMS
constexpr int32_t kFolderCommonDesktopDirectory = 25;  // CSIDL_COMMON_DESKTOPDIRECTORY
constexpr int32_t kFolderAppData = 26;                 // CSIDL_APPDATA
constexpr int32_t kFolderLocalAppData = 28;            // CSIDL_LOCAL_APPDATA

// A window handle as a number; 0 is no window.
using WindowId = uintptr_t;

// True when window names an existing window. POSIX has no windows: false.
bool IsWindowHandle(WindowId window);

// SHGetFolderPathA (owner, folder, no token, flags 0) into a buffer of 260
// bytes. When the call succeeds and delivers a path, *path is that path up
// to its first zero byte and the result kResultOk; otherwise *path is left
// as it was and the result is the failure code.
int32_t GetSpecialFolderPath(WindowId owner, int32_t folder, std::string* path);

// ShellExecuteA (the desktop window, "Open", file, parameters, no working
// folder, SW_SHOWNORMAL): above 32 is success, 32 or below the failure value.
// Never waits for the opened program.
//
// On POSIX: a file that does not exist (and is not a URL) gives 2 (file not
// found); empty parameters start "xdg-open file"; otherwise the file itself
// is started with the parameters split as a Windows command line. A program
// that cannot be started gives 31 (no association); success is 33.
int32_t ShellOpen(const std::string& file, const std::string& parameters);

// The full path of the running program (argument 0 as the system resolves
// it); empty when it cannot be found.
std::string ExecutablePath();

}  // namespace vor::platform
