// What the installation and the removal have to tell: one note kind for
// both, beside the exact text. The wizard shows every note alike in its
// message box; an unattended run or a removal decides its exit code from the
// kind, never from the wording.
#pragma once

#include <string>

namespace vor {

enum class NoteKind {
  // The installation.
  kContainerNotOpened,  // the container on the program's own file cannot be opened
  kCopyError,           // the copy failed: the installation may be incomplete
  kShortcut,            // a desktop or Quick Launch shortcut could not be made
  kUninstaller,         // the uninstaller or its entry could not be written
  kDestination,         // the destination is not a full folder path
  // The removal.
  kLogUnreadable,          // install.log cannot be read, or is not a log
  kRefusedLine,            // a line left alone, with its reason
  kThroughLink,            // a path through a symbolic link or junction, left alone
  kServerNotUnregistered,  // the server's message follows
  kNotDeleted,             // a file or shortcut that stays (in use); the system's message follows
  kEntryNotRemoved,        // the "Apps & features" entry stays
};

struct Note {
  NoteKind kind;
  std::string text;  // the message to show or log
};

// The messages of the installation (lines broken by CR alone).
constexpr const char* kCopyErrorMessage =
    "There was an error in the file copy.  Installation may not be complete\r\r"
    "Reboot your system and try the installation again.";
// The destination is not a full folder path; the wizard stays on the
// Options page.
constexpr const char* kDestinationMessage =
    "Please enter the full path of the folder to install into, with its drive.";
constexpr const char* kDesktopIconError = "The desktop icon could not be created";
constexpr const char* kQuickLaunchIconError = "The Quick Launch icon could not be created";

// The container on the program's own file cannot be opened, whatever the
// reason (no container, a damaged header, another password, a read failure).
inline std::string ContainerNotOpenedMessage(const std::string& program_path) {
  return "Cannot open file '" + program_path + "'";
}

}  // namespace vor
