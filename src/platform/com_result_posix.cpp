// Result-code texts on POSIX: wrapped errno values read through strerror,
// and the few generic codes the counterparts of the shell calls use.
#include <cstdio>

#include "platform/com_result.h"
#include "platform/platform_error.h"

namespace vor::platform {

std::string ResultMessage(int32_t code) {
  const uint32_t value = static_cast<uint32_t>(code);
  if ((value & 0xFFFF0000u) == 0x80070000u) return OsErrorMessage(value & 0xFFFFu);
  if (code == kResultFail) return "Unspecified error";
  if (code == kResultNotImplemented) return "Not implemented";
  if (!ResultFailed(code)) return "Success";
  char text[40];
  std::snprintf(text, sizeof(text), "Error 0x%08X", value);
  return text;
}

}  // namespace vor::platform
