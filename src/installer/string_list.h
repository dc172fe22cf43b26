// An ordered list of 8-bit text lines, the window's container for the job
// files and the installation log.
//
// Plain and unsorted: lines keep the order in which they were added and
// duplicates are kept. The job files are name-value texts: SetText splits a
// text into lines, and a line "Name=Value" is found by its name.
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
};

// Every occurrence of the placeholder "PDIR" in value (case-sensitive, left
// to right; the inserted text is not searched again) replaced by folder.
std::string ReplaceProgramDir(const std::string& value, const std::string& folder);

}  // namespace vor
