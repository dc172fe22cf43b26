// An ordered list of 8-bit text lines.
#include "installer/string_list.h"

#include "platform/locale.h"

namespace vor {

namespace {

constexpr const char* kProgramDirPlaceholder = "PDIR";

bool SameName(const std::string& a, const std::string& b) {
  return platform::CompareStringIgnoreCase(platform::GetUserDefaultLCID(), a, b) == 0;
}

}  // namespace

int StringList::Add(const std::string& line) {
  lines_.push_back(line);
  return Count() - 1;
}

void StringList::SetText(const std::string& text) {
  lines_.clear();
  const size_t end = text.find('\0');
  const size_t size = end == std::string::npos ? text.size() : end;
  size_t pos = 0;
  while (pos < size) {
    size_t stop = pos;
    while (stop < size && text[stop] != '\r' && text[stop] != '\n') ++stop;
    lines_.push_back(text.substr(pos, stop - pos));
    pos = stop;
    if (pos < size && text[pos] == '\r') ++pos;
    if (pos < size && text[pos] == '\n') ++pos;
  }
}

std::string StringList::Names(int index) const {
  const std::string& line = lines_.at(index);
  const size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

int StringList::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const size_t equals = lines_[i].find('=');
    if (equals != std::string::npos && SameName(lines_[i].substr(0, equals), name)) return i;
  }
  return -1;
}

std::string StringList::Values(const std::string& name) const {
  const int index = IndexOfName(name);
  if (index < 0) return std::string();
  const std::string& line = lines_[index];
  return line.substr(line.find('=') + 1);
}

std::string ReplaceProgramDir(const std::string& value, const std::string& folder) {
  const std::string placeholder = kProgramDirPlaceholder;
  std::string result;
  size_t pos = 0;
  for (;;) {
    const size_t found = value.find(placeholder, pos);
    if (found == std::string::npos) break;
    result.append(value, pos, found - pos);
    result += folder;
    pos = found + placeholder.size();
  }
  result.append(value, pos, std::string::npos);
  return result;
}

}  // namespace vor
