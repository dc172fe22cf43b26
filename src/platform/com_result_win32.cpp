// Result-code texts on Windows: the system's message table.
#include <windows.h>

#include "common/text_format.h"
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
    text = "Error 0x" + HexText(value, 8);
  }
  return text;
}

}  // namespace vor::platform
