// The installer's own failures, installing and removing alike: an error kind
// beside the exact message, so that callers and tests decide from the kind,
// never from the wording.
#pragma once

#include <string>

#include "common/error.h"

namespace vor {

enum class InstallErrorKind {
  kIconFormat,       // a job icon that is not in the Windows icon format
  kRichTextLoad,     // a viewer accepted the text neither as rich nor as plain text
  kProbeWrite,       // the all-users probe file could not be written
  kLogWrite,         // install.log could not be written (the file system's message)
  kNotAnInstallLog,  // install.log does not begin with "*" and the program's name
  kNoProgramImage,   // the installer file holds no program in front of a container
  kImageWrite,       // the uninstaller's program file cannot be written
  kRegistry,         // the "Apps & features" entry cannot be written
};

class EInstallError : public EVorError {
 public:
  EInstallError(InstallErrorKind kind, const std::string& message)
      : EVorError(message, GeneralKind(kind)), kind_(kind) {}
  InstallErrorKind Kind() const { return kind_; }

 private:
  // A file that is not what it should be is damaged; the writes are disk
  // failures.
  static ErrorKind GeneralKind(InstallErrorKind kind) {
    switch (kind) {
      case InstallErrorKind::kProbeWrite:
      case InstallErrorKind::kLogWrite:
      case InstallErrorKind::kImageWrite:
      case InstallErrorKind::kRegistry:
        return ErrorKind::kIo;
      case InstallErrorKind::kIconFormat:
      case InstallErrorKind::kRichTextLoad:
      case InstallErrorKind::kNotAnInstallLog:
      case InstallErrorKind::kNoProgramImage:
        break;
    }
    return ErrorKind::kDamaged;
  }
  InstallErrorKind kind_;
};

// The texts of these failures.
constexpr const char* kIconFormatMessage = "The icon is not in the Windows icon format";
constexpr const char* kRichTextLoadMessage = "Failed to Load Stream";

}  // namespace vor
