// Result-code texts on Windows: the system's message table.
#include <windows.h>

#include <cstdio>

#include "platform/com_result.h"

namespace vor::platform {

namespace {

std::string SystemText(DWORD code) {
  char buffer[512] = {0};
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, buffer, sizeof(buffer), nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::string ResultMessage(int32_t code) {
  const DWORD value = static_cast<DWORD>(code);
  std::string text = SystemText(value);
  // Some systems keep no text for a wrapped Win32 error; the error's own text
  // says the same.
  if (text.empty() && HRESULT_FACILITY(value) == FACILITY_WIN32)
    text = SystemText(HRESULT_CODE(value));
  if (text.empty()) {
    char fallback[40];
    std::snprintf(fallback, sizeof(fallback), "Error 0x%08lX", static_cast<unsigned long>(value));
    text = fallback;
  }
  return text;
}

}  // namespace vor::platform
