// Whether a destination folder can take an installation, asked before the
// installation starts: its drive exists, the folder exists or can be made,
// a file can be written in it, and its drive has room for the application.
// Folders made for the check are removed again, so a refused or abandoned
// destination leaves nothing behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vor {

// What stands in the way; the wizard decides from this, never from the text.
enum class DestinationFault {
  kNone,
  kNoDrive,       // the drive (or root) of the folder does not exist
  kCannotCreate,  // the folder or one of its parents cannot be made
  kNotWritable,   // no file can be written in the folder
  kNoRoom,        // the drive has fewer free bytes than the files need
};

struct DestinationCheck {
  DestinationFault fault = DestinationFault::kNone;
  // "Cannot install into "<folder>"." and on its own line the reason; empty
  // when there is no fault.
  std::string message;
};

// Free bytes for the caller on the drive that holds folder, -1 when unknown.
using FreeBytesQuery = std::function<int64_t(const std::string& folder)>;

// Free bytes on the drive of folder, asked of its nearest existing folder;
// -1 when none exists or the system cannot tell.
int64_t FreeBytesAt(const std::string& folder);

// Checks folder (a full path) for an installation of needed bytes; free
// tells the room on its drive (an unknown room refuses nothing).
DestinationCheck CheckDestination(const std::string& folder, uint64_t needed,
                                  const FreeBytesQuery& free = FreeBytesAt);

// A byte count as people read it: "512 bytes", "1.2 KB", "35.4 GB" (units
// of 1024).
std::string ByteSizeText(uint64_t bytes);

// The line the Options page shows under the destination:
// "Space required: 1.2 MB    Space available: 35.4 GB", without the second
// part when available is unknown (negative).
std::string SpaceLine(uint64_t needed, int64_t available);

// The note on the Options page when the job's folder cannot be written and
// the user's own programs folder is proposed instead:
// "Not writable for you: <program_dir>".
std::string UserFolderLine(const std::string& program_dir);

}  // namespace vor
