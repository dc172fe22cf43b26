// The platform error: raised when an operating-system call that must succeed
// fails. It carries the system's error code and the system's message text;
// its kind (common/error.h) follows from the code: a full disk is kDiskFull,
// a sharing violation kInUse, anything else kIo.
#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace vor::platform {

// What an error code means for the caller.
enum class OsErrorClass {
  kOther,
  kNotFound,      // no such file or folder
  kInUse,         // another open of the file excludes this one
  kAccessDenied,  // no permission, or a read-only file or medium
  kDiskFull,      // no room left on the device (or over the quota)
};
OsErrorClass ClassifyOsError(uint32_t code);
// The error kind that goes with an operating-system error code.
ErrorKind KindOfOsError(uint32_t code);

class EPlatformError : public EVorError {
 public:
  EPlatformError(uint32_t code, const std::string& message)
      : EVorError(message, KindOfOsError(code)), code_(code) {}
  uint32_t Code() const { return code_; }

 private:
  uint32_t code_;
};

// The calling thread's last operating-system error code (GetLastError / errno).
uint32_t LastOsError();
// The system's message text for an error code, without trailing line breaks;
// empty when the system keeps none for it.
std::string OsErrorText(uint32_t code);
// OsErrorText, or "System error <code>" when the system keeps no text.
std::string OsErrorMessage(uint32_t code);
// Raises EPlatformError for LastOsError().
[[noreturn]] void RaiseLastOsError();

}  // namespace vor::platform
