// An ordered list of 8-bit text lines.
#include "installer/string_list.h"

namespace vor {

int StringList::Add(const std::string& line) {
  lines_.push_back(line);
  return Count() - 1;
}

}  // namespace vor
