// The engine's general error type.
//
// Failures are exceptions that carry the exact message text the system
// defines ("TCFRHugeFile.Seek - Offset < 0 from file beginning." and the
// like) and a kind. Programs decide what to do (an exit code, a retry) from
// the kind, never from the wording. Every throw names its kind; subsystems
// derive their own classes (ECipherException, EZlibError, ...) from EVorError
// so that one handler can report any of them, and each of those carries a
// kind as well.
//
// The message is held in a std::string of its own rather than in
// std::runtime_error: that one keeps its text in the library's older
// reference-counted string type, and with it every program that throws would
// carry a second string implementation.
#pragma once

#include <exception>
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

class EVorError : public std::exception {
 public:
  EVorError(const std::string& message, ErrorKind kind) : message_(message), kind_(kind) {}
  const char* what() const noexcept override { return message_.c_str(); }
  ErrorKind Kind() const { return kind_; }

 private:
  std::string message_;
  ErrorKind kind_;
};

}  // namespace vor
