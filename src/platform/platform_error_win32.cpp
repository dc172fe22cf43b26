// Win32 error codes and texts: GetLastError and FormatMessageA.
#include <windows.h>

#include "platform/platform_error.h"

namespace vor::platform {

uint32_t LastOsError() { return static_cast<uint32_t>(::GetLastError()); }

OsErrorClass ClassifyOsError(uint32_t code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return OsErrorClass::kNotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return OsErrorClass::kInUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return OsErrorClass::kAccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return OsErrorClass::kDiskFull;
    default:
      return OsErrorClass::kOther;
  }
}

std::string OsErrorText(uint32_t code) {
  char buffer[512] = {0};
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, buffer, sizeof(buffer), nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

std::string OsErrorMessage(uint32_t code) {
  std::string text = OsErrorText(code);
  if (text.empty()) text = "System error " + std::to_string(code);
  return text;
}

void RaiseLastOsError() {
  const uint32_t code = LastOsError();
  throw EPlatformError(code, OsErrorMessage(code));
}

}  // namespace vor::platform
