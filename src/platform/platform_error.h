// The platform error: raised when an operating-system call that must succeed
// fails. It carries the system's error code and the system's message text.
#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace vor::platform {

class EPlatformError : public EVorError {
 public:
  EPlatformError(uint32_t code, const std::string& message) : EVorError(message), code_(code) {}
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
