// The installer program's exit codes: the unattended installation (/S) and
// the removal (/U, the uninstaller). The interactive wizard ends with 0.
#pragma once

namespace vor {

// The installation run with /S.
constexpr int kExitInstalled = 0;
constexpr int kExitUsage = 1;           // the command line was refused
constexpr int kExitContainerError = 2;  // the container cannot be opened
constexpr int kExitCopyError = 3;       // a copy error: installation incomplete
constexpr int kExitLogWriteError = 4;   // install.log or the /LOG file cannot be written

// The removal (/U).
constexpr int kUninstallRemoved = 0;                // everything listed is gone
constexpr int kUninstallUsage = 1;                  // the command line was refused
constexpr int kUninstallLogUnreadable = 2;          // install.log missing, unreadable or not a log
constexpr int kUninstallIncomplete = 3;             // something could not be removed (in use)
constexpr int kUninstallRefusedLines = 4;           // unsafe lines were left alone
constexpr int kUninstallServerNotUnregistered = 5;  // a server refused its unregistration

}  // namespace vor
