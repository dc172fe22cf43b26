// Failures of the uninstaller and of the pieces the installer adds for it
// (the uninstaller's program file, the "Apps & features" entry): a kind
// beside the exact message, so that callers decide from the kind.
#pragma once

#include <string>

#include "common/error.h"

namespace vor {

enum class UninstallErrorKind {
  kNotAnInstallLog,  // install.log does not begin with "*" and the program's name
  kNoProgramImage,   // the installer file holds no program in front of a container
  kImageWrite,       // the uninstaller's program file cannot be written
  kRegistry,         // the "Apps & features" entry cannot be written
};

class EUninstallError : public EVorError {
 public:
  EUninstallError(UninstallErrorKind kind, const std::string& message)
      : EVorError(message, GeneralKind(kind)), kind_(kind) {}
  UninstallErrorKind Kind() const { return kind_; }

 private:
  // A log or installer file that is not what it should be is damaged; the
  // writes are disk failures.
  static ErrorKind GeneralKind(UninstallErrorKind kind) {
    return kind == UninstallErrorKind::kImageWrite || kind == UninstallErrorKind::kRegistry
               ? ErrorKind::kIo
               : ErrorKind::kDamaged;
  }
  UninstallErrorKind kind_;
};

}  // namespace vor
