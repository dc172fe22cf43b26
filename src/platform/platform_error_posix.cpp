// POSIX error codes and texts: errno and strerror_r.
#include <cerrno>
#include <cstring>

#include "platform/platform_error.h"

namespace vor::platform {

namespace {

// strerror_r comes in two flavours (XSI returns int, GNU returns char*); the
// overloads take whichever the C library provides.
[[maybe_unused]] std::string FromStrerror(int result, const char* buffer) {
  return result == 0 ? std::string(buffer) : std::string();
}
[[maybe_unused]] std::string FromStrerror(const char* result, const char*) {
  return result != nullptr ? std::string(result) : std::string();
}

}  // namespace

uint32_t LastOsError() { return static_cast<uint32_t>(errno); }

OsErrorClass ClassifyOsError(uint32_t code) {
  switch (static_cast<int>(code)) {
    case ENOENT:
    case ENOTDIR:
      return OsErrorClass::kNotFound;
    case EBUSY:  // the file layer's sharing violation (file_posix.cpp)
    case EWOULDBLOCK:
    case ETXTBSY:
      return OsErrorClass::kInUse;
    case EACCES:
    case EPERM:
    case EROFS:
      return OsErrorClass::kAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return OsErrorClass::kDiskFull;
    default:
      return OsErrorClass::kOther;
  }
}

std::string OsErrorText(uint32_t code) {
  char buffer[256] = {0};
  std::string text =
      FromStrerror(strerror_r(static_cast<int>(code), buffer, sizeof(buffer)), buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
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
