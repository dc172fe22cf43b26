// Names quoted for messages.
#pragma once

#include <string>

namespace vor {

// name between two quote characters, inner ones doubled: a name that holds
// the quote still reads as one name in a message.
inline std::string QuotedWith(char quote, const std::string& name) {
  std::string quoted(1, quote);
  for (char c : name) {
    quoted += c;
    if (c == quote) quoted += quote;
  }
  return quoted + quote;
}

// "name"
inline std::string DoubleQuoted(const std::string& name) { return QuotedWith('"', name); }

// 'name'
inline std::string SingleQuoted(const std::string& name) { return QuotedWith('\'', name); }

}  // namespace vor
