// The text of the program's default error report.
#pragma once

#include <string>

namespace vor {

// The caption of the default error report and the application's title.
constexpr const char* kApplicationTitle = "VOR Installer";

// The text shown for an exception that no handler caught: its message, with a
// full stop appended when the last character sorts after "." (compared as an
// unsigned byte, so letters, digits and characters above 127 get one, while
// "!", ")" or a line break do not).
std::string DefaultErrorReportText(const std::string& message);

}  // namespace vor
