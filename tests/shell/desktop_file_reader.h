// Reads a freedesktop launcher back for the tests: the keys of its
// [Desktop Entry] group with the string escapes undone, and Exec split into
// its arguments by the quoting rules of the Desktop Entry format.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace vor::testing {

inline std::string UnescapeDesktopValue(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char c = value[++i];
    out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
  }
  return out;
}

// group line -> keys; keys outside the group are ignored.
inline std::map<std::string, std::string> ReadDesktopEntry(const std::string& text,
                                                           std::string* first_line) {
  std::map<std::string, std::string> keys;
  std::istringstream in(text);
  std::string line;
  bool in_group = false;
  bool first = true;
  while (std::getline(in, line)) {
    if (first) *first_line = line;
    first = false;
    if (!line.empty() && line[0] == '[') {
      in_group = line == "[Desktop Entry]";
      continue;
    }
    const size_t eq = line.find('=');
    if (in_group && eq != std::string::npos) {
      keys[line.substr(0, eq)] = UnescapeDesktopValue(line.substr(eq + 1));
    }
  }
  return keys;
}

// Exec (already unescaped) into arguments: blanks separate, double quotes
// group with \" \` \$ \\ escapes inside, "%%" is a literal "%".
inline std::vector<std::string> SplitExec(const std::string& exec) {
  std::vector<std::string> args;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < exec.size()) {
        word += exec[++i];
      } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
        word += exec[++i];
      } else {
        word += c;
      }
    } else if (c == ' ') {
      if (in_word) args.push_back(word);
      word.clear();
      in_word = false;
    } else if (c == '"') {
      quoted = true;
      in_word = true;
    } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
      word += exec[++i];
      in_word = true;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) args.push_back(word);
  return args;
}

}  // namespace vor::testing
