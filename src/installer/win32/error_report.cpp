// The program's default error report.
#include "error_report.h"

#include "installer/engine/error_text.h"

namespace vor::win32 {

void ShowDefaultErrorReport(HWND owner, const std::string& message) {
  const std::string text = DefaultErrorReportText(message);
  MessageBoxA(owner, text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

}  // namespace vor::win32
