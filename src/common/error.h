// The engine's general error type.
//
// Failures are exceptions that carry the exact message text the system
// defines ("TCFRHugeFile.Seek - Offset < 0 from file beginning." and the
// like). Subsystems derive their own classes (ECipherException, EZlibError,
// ...) from EVorError so that one handler can report any of them.
#pragma once

#include <stdexcept>
#include <string>

namespace vor {

class EVorError : public std::runtime_error {
 public:
  explicit EVorError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vor
