// An ordered list of 8-bit text lines: the name-value text of the job files
// and the lines of the install record.
//
// Unsorted by default: lines keep the order in which they were added and
// duplicates are kept. A sorted list keeps its lines in the order of the
// user's locale without regard to case and can ignore duplicates (lines
// equal without regard to case); the installation log is collected that way
// during the copy. The job files are name-value texts: SetText splits a text
// into lines, and a line "Name=Value" is found by its name.
#pragma once

#include <string>
#include <vector>

namespace vor {

class StringList {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_.at(index); }
  // Appends line (a sorted list inserts it at its place); returns its index.
  // A sorted list that ignores duplicates returns the index of the equal
  // line it already has and adds nothing.
  int Add(const std::string& line);
  // Inserts line before index (0 ... Count); refused by a sorted list.
  void Insert(int index, const std::string& line);
  void Clear() { lines_.clear(); }

  bool Sorted() const { return sorted_; }
  // Making a list sorted sorts its lines; making it unsorted keeps them.
  void SetSorted(bool sorted);
  bool IgnoreDuplicates() const { return ignore_duplicates_; }
  void SetIgnoreDuplicates(bool ignore) { ignore_duplicates_ = ignore; }

  // Replaces the lines with those of text. A line ends at a carriage return,
  // a line feed, or a carriage return followed by a line feed; a zero byte
  // ends the text. A line ending after the last line adds no empty line.
  void SetText(const std::string& text);

  // The Name of line index: everything before its first "=", or "" when the
  // line has none. Nothing is trimmed.
  std::string Names(int index) const;
  // The index of the first line whose Name equals name without regard to
  // case (the user's locale decides); lines without "=" are never found.
  // -1 when no line matches.
  int IndexOfName(const std::string& name) const;
  // The Value (everything after the first "=") of the line IndexOfName finds;
  // "" when there is none.
  std::string Values(const std::string& name) const;

 private:
  std::vector<std::string> lines_;
  bool sorted_ = false;
  bool ignore_duplicates_ = false;
};

}  // namespace vor
