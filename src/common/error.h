// The engine's general error type.
//
// Failures are exceptions that carry the exact message text the system
// defines ("TCFRHugeFile.Seek - Offset < 0 from file beginning." and the
// like) and a kind. Programs decide what to do (an exit code, a retry) from
// the kind, never from the wording. Every throw names its kind; subsystems
// derive their own classes (ECipherException, EZlibError, ...) from EVorError
// so that one handler can report any of them, and each of those carries a
// kind as well.
#pragma once

#include <stdexcept>
#include <string>

namespace vor {

enum class ErrorKind {
  kGeneral,        // anything the kinds below do not name
  kDamaged,        // stored data fails its checks
  kInUse,          // another program holds the file
  kReadOnly,       // the file cannot be written
  kDiskFull,       // the disk has no room left
  kIo,             // a disk file could not be opened, read, written or flushed
  kWrongPassword,  // a password does not open what it should
  kUnfinished,     // a change was cut short and must be rolled back first
  kNotFound,       // a named file, record or folder does not exist
  kMisuse,         // a caller broke a contract: a bad argument or mode, a missing
                   // object, a seek before the start, a handle that is not open
};

class EVorError : public std::runtime_error {
 public:
  EVorError(const std::string& message, ErrorKind kind)
      : std::runtime_error(message), kind_(kind) {}
  ErrorKind Kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

}  // namespace vor
