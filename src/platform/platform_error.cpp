// Error kinds of operating-system error codes (shared by both platforms).
#include "platform/platform_error.h"

namespace vor::platform {

ErrorKind KindOfOsError(uint32_t code) {
  switch (ClassifyOsError(code)) {
    case OsErrorClass::kInUse:
      return ErrorKind::kInUse;
    case OsErrorClass::kDiskFull:
      return ErrorKind::kDiskFull;
    default:
      return ErrorKind::kIo;
  }
}

}  // namespace vor::platform
