// Failures of the shell services. Each kind is its own class; the texts are
// the system's messages or the exact texts below.
#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace vor {

// The shortcut writer's own failures ("Unable to get ShellLink object",
// "SLGP_*** flag value is unknown", "Unknown SW_SHOW*** code returned by
// Windows Shell", a value too long for its buffer).
class ESxShellLink : public EVorError {
 public:
  ESxShellLink(const std::string& message, ErrorKind kind) : EVorError(message, kind) {}
};

// A call into the shell or a COM object returned a failure code; the text is
// the system's message for that code.
class EShellCallError : public EVorError {
 public:
  EShellCallError(int32_t code, const std::string& message)
      : EVorError(message, ErrorKind::kGeneral), code_(code) {}
  int32_t Code() const { return code_; }

 private:
  int32_t code_;
};

// Folder helpers and the folder lookup refusing their input ("Unable to
// create directory", an owner that is not a window).
class EShellMiscError : public EVorError {
 public:
  EShellMiscError(const std::string& message, ErrorKind kind) : EVorError(message, kind) {}
};

}  // namespace vor
