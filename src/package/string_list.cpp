// An ordered list of 8-bit text lines.
#include "package/string_list.h"

#include <algorithm>

#include "common/error.h"
#include "platform/locale.h"

namespace vor {

namespace {

// The locale's order without regard to case.
int CompareText(const std::string& a, const std::string& b) {
  return platform::CompareStringIgnoreCase(platform::GetUserDefaultLCID(), a, b);
}

bool SameName(const std::string& a, const std::string& b) { return CompareText(a, b) == 0; }

}  // namespace

int StringList::Add(const std::string& line) {
  if (!sorted_) {
    lines_.push_back(line);
    return Count() - 1;
  }
  // Lines often come in order: the installation's copy reports its files
  // in the container's name order, and each complete file twice. Under
  // Wine every comparison is a locale call; one or two comparisons with the
  // last lines settle such a line where the search would take a dozen.
  const size_t count = lines_.size();
  if (count > 0) {
    const int last = CompareText(lines_.back(), line);
    if (last < 0) {
      lines_.push_back(line);
      return Count() - 1;
    }
    // Equal to the last line, which is the first such line when the one
    // before it sorts lower: where the search would have stopped.
    if (last == 0 && ignore_duplicates_ &&
        (count == 1 || CompareText(lines_[count - 2], line) < 0)) {
      return Count() - 1;
    }
  }
  const auto at = std::lower_bound(
      lines_.begin(), lines_.end(), line,
      [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  if (ignore_duplicates_ && at != lines_.end() && CompareText(*at, line) == 0) {
    return static_cast<int>(at - lines_.begin());
  }
  // The index before the insertion: insert may move the lines, and the
  // operands of a subtraction may be taken in either order.
  const auto index = at - lines_.begin();
  lines_.insert(at, line);
  return static_cast<int>(index);
}

void StringList::Insert(int index, const std::string& line) {
  if (sorted_) throw EVorError("Operation not allowed on sorted list", ErrorKind::kMisuse);
  if (index < 0 || index > Count()) {
    throw EVorError("List index out of bounds (" + std::to_string(index) + ")", ErrorKind::kMisuse);
  }
  lines_.insert(lines_.begin() + index, line);
}

void StringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) {
    std::stable_sort(lines_.begin(), lines_.end(), [](const std::string& a, const std::string& b) {
      return CompareText(a, b) < 0;
    });
  }
  sorted_ = sorted;
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

}  // namespace vor
