// Mapping of engine and platform exceptions onto exit codes, by their kind.
#include "exit_codes.h"

namespace vor::coffer {

ExitCode ExitCodeOf(const std::exception& error) {
  if (const auto* own = dynamic_cast<const ECofferError*>(&error)) return own->Code();
  const auto* engine = dynamic_cast<const EVorError*>(&error);
  if (engine == nullptr) return kExitFailure;
  switch (engine->Kind()) {
    case ErrorKind::kDamaged:
      return kExitDamaged;
    case ErrorKind::kWrongPassword:
      return kExitWrongPassword;
    case ErrorKind::kReadOnly:
    case ErrorKind::kDiskFull:
    case ErrorKind::kIo:
      return kExitIoError;
    // A missing stored file or a broken contract fails the command; a
    // missing container is told apart before the engine is asked.
    case ErrorKind::kNotFound:
    case ErrorKind::kMisuse:
    case ErrorKind::kInUse:
    case ErrorKind::kUnfinished:
    case ErrorKind::kGeneral:
      break;
  }
  return kExitFailure;
}

}  // namespace vor::coffer
