// Freedesktop launcher text.
#include "platform/desktop_entry.h"

#include <cstring>

namespace vor::platform {

std::string EscapeDesktopString(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  // A leading blank would be taken for padding around "=".
  if (!out.empty() && out[0] == ' ') out.replace(0, 1, "\\s");
  return out;
}

std::string QuoteExecArgument(const std::string& argument) {
  static const char kReserved[] = " \t\n\"'\\><~|&;$*?#()`";
  bool quote = argument.empty();
  for (const char c : argument) {
    if (c != '\0' && std::strchr(kReserved, c) != nullptr) quote = true;
  }
  std::string out;
  if (quote) out += '"';
  for (const char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  if (quote) out += '"';
  return out;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '\\') {
      size_t n = 0;
      while (i < line.size() && line[i] == '\\') {
        ++n;
        ++i;
      }
      in_word = true;
      if (i < line.size() && line[i] == '"') {
        word.append(n / 2, '\\');
        if (n % 2 == 1) {
          word += '"';
          ++i;
        }
      } else {
        word.append(n, '\\');
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
    ++i;
  }
  if (in_word) words.push_back(word);
  return words;
}

std::string FormatDesktopEntry(const DesktopEntry& entry) {
  std::string exec = QuoteExecArgument(entry.target);
  for (const std::string& argument : SplitCommandLine(entry.arguments)) {
    exec += ' ';
    exec += QuoteExecArgument(argument);
  }
  std::string text = "[Desktop Entry]\nType=Application\n";
  text += "Name=" + EscapeDesktopString(entry.name) + "\n";
  text += "Exec=" + EscapeDesktopString(exec) + "\n";
  if (!entry.working_directory.empty()) {
    text += "Path=" + EscapeDesktopString(entry.working_directory) + "\n";
  }
  if (!entry.icon.empty()) text += "Icon=" + EscapeDesktopString(entry.icon) + "\n";
  return text;
}

}  // namespace vor::platform
