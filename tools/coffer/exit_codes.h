// Exit codes of coffer (vorpack ends with the same ones) and the error that
// carries one.
#pragma once

#include <string>

#include "common/error.h"

namespace vor::coffer {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,        // the command could not do what was asked
  kExitUsage = 2,          // bad command line
  kExitWrongPassword = 3,  // a password is wrong or missing
  kExitDamaged = 4,        // the container is damaged
  kExitIoError = 5,        // a disk file could not be opened, read or written
};

// A failure of the tool itself, with the exit code it ends the program with.
class ECofferError : public EVorError {
 public:
  ECofferError(ExitCode code, const std::string& message)
      : EVorError(message, KindOfExitCode(code)), code_(code) {}
  ExitCode Code() const { return code_; }

 private:
  // The error kind that goes with an exit code (a usage error is a misuse).
  static ErrorKind KindOfExitCode(ExitCode code) {
    switch (code) {
      case kExitUsage:
        return ErrorKind::kMisuse;
      case kExitWrongPassword:
        return ErrorKind::kWrongPassword;
      case kExitDamaged:
        return ErrorKind::kDamaged;
      case kExitIoError:
        return ErrorKind::kIo;
      default:
        return ErrorKind::kGeneral;
    }
  }
  ExitCode code_;
};

// The exit code for an exception the engine or the platform raised.
ExitCode ExitCodeOf(const std::exception& error);

}  // namespace vor::coffer
