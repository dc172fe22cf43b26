// Names quoted for messages.
#pragma once

#include <string>

namespace vor {

// name in double quotes, inner double quotes doubled: a name that holds a
// quote still reads as one name in a message.
inline std::string DoubleQuoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

}  // namespace vor
