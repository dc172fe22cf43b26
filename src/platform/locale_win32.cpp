// Locale primitives on Windows: the system's own comparison and case mapping.
#include <windows.h>

#include "platform/locale.h"
#include "platform/platform_error.h"

namespace vor::platform {

uint32_t GetUserDefaultLCID() { return static_cast<uint32_t>(::GetUserDefaultLCID()); }

int CompareCharInLocale(uint32_t lcid, char a, char b) {
  // CompareStringA answers 1, 2 or 3 (less, equal, greater) and 0 on failure.
  const int r = ::CompareStringA(static_cast<LCID>(lcid), 0, &a, 1, &b, 1);
  if (r == 0) RaiseLastOsError();
  return r - 2;
}

int CompareStringIgnoreCase(uint32_t lcid, const std::string& a, const std::string& b) {
  const int r = ::CompareStringA(static_cast<LCID>(lcid), NORM_IGNORECASE, a.data(),
                                 static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
  if (r == 0) RaiseLastOsError();
  return r - 2;
}

char CharUpperInLocale(uint32_t /*lcid*/, char c) {
  char buf[1] = {c};
  ::CharUpperBuffA(buf, 1);
  return buf[0];
}

}  // namespace vor::platform
