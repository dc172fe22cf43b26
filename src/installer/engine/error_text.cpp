// The text of the program's default error report.
#include "installer/engine/error_text.h"

namespace vor {

std::string DefaultErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
    return message + ".";
  }
  return message;
}

}  // namespace vor
