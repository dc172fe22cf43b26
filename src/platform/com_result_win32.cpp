// Result-code texts on Windows: the system's message table.
#include <windows.h>

#include <cstdio>

#include "platform/com_result.h"
#include "platform/platform_error.h"

namespace vor::platform {

std::string ResultMessage(int32_t code) {
  const DWORD value = static_cast<DWORD>(code);
  std::string text = OsErrorText(value);
  // Some systems keep no text for a wrapped Win32 error; the error's own text
  // says the same.
  if (text.empty() && HRESULT_FACILITY(value) == FACILITY_WIN32)
    text = OsErrorText(HRESULT_CODE(value));
  if (text.empty()) {
    char fallback[40];
    std::snprintf(fallback, sizeof(fallback), "Error 0x%08lX", static_cast<unsigned long>(value));
    text = fallback;
  }
  return text;
}

}  // namespace vor::platform
