// An ordered list of 8-bit text lines, the window's container for the job
// files and the installation log.
//
// Plain and unsorted: lines keep the order in which they were added and
// duplicates are kept. Reading the job files' text format and the name-value
// lookup build on this list.
#pragma once

#include <string>
#include <vector>

namespace vor {

class StringList {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_.at(index); }
  // Appends line; returns its index.
  int Add(const std::string& line);
  void Clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
};

}  // namespace vor
