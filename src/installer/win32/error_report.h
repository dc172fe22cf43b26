// The program's default error report: the message box shown for an
// exception that no handler caught.
#pragma once

#include <windows.h>

#include <string>

namespace vor::win32 {

// A modal message box with the error icon and one OK button, captioned with
// the application's title, showing message with a full stop appended under
// the rule of DefaultErrorReportText.
void ShowDefaultErrorReport(HWND owner, const std::string& message);

}  // namespace vor::win32
