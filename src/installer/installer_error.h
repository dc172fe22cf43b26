// The installer's own failures: an error kind beside the exact message, so
// that callers and tests decide from the kind, never from the wording.
#pragma once

#include <string>

#include "common/error.h"

namespace vor {

enum class InstallerErrorKind {
  kIconFormat,    // a job icon that is not in the Windows icon format
  kRichTextLoad,  // a viewer accepted the text neither as rich nor as plain text
  kProbeWrite,    // the all-users probe file could not be written
  kLogWrite,      // install.log could not be written (the file system's message)
};

class EInstallerError : public EVorError {
 public:
  EInstallerError(InstallerErrorKind kind, const std::string& message)
      : EVorError(message, GeneralKind(kind)), kind_(kind) {}
  InstallerErrorKind Kind() const { return kind_; }

 private:
  // A file that is not what it should be is damaged; the writes are disk
  // failures.
  static ErrorKind GeneralKind(InstallerErrorKind kind) {
    return kind == InstallerErrorKind::kProbeWrite || kind == InstallerErrorKind::kLogWrite
               ? ErrorKind::kIo
               : ErrorKind::kDamaged;
  }
  InstallerErrorKind kind_;
};

// The texts of these failures.
constexpr const char* kIconFormatMessage = "The icon is not in the Windows icon format";
constexpr const char* kRichTextLoadMessage = "Failed to Load Stream";

}  // namespace vor
