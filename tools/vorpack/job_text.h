// The job's text files as the installer reads them, and their encoding.
//
// JOB.INI, MENU.DAT, SCUTS.DAT and EXECS.DAT are 8-bit text in the code
// page of the installer's machine. A line ends at a carriage return, a line
// feed or the pair; a zero byte ends the text. A name-value line is a Name,
// "=", a Value (nothing trimmed); a lookup finds the first line whose Name
// equals the name without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vor::vorpack {

struct JobLine {
  int number = 0;  // 1-based
  std::string text;
  bool has_value = false;  // the line holds "="
  std::string name;        // before the first "="
  std::string value;       // after it
};

class JobText {
 public:
  // Splits text as the installer does (stops at a zero byte).
  explicit JobText(const std::string& text);

  const std::vector<JobLine>& Lines() const { return lines_; }
  // The first name-value line whose name equals name (ASCII case folded);
  // null when there is none.
  const JobLine* Find(const std::string& name) const;
  // The value of Find(name), "" when there is none.
  std::string Value(const std::string& name) const;

 private:
  std::vector<JobLine> lines_;
};

// Whether two key names are equal without regard to ASCII case.
bool SameKey(const std::string& a, const std::string& b);

// How a text file of the package is encoded.
enum class TextEncoding {
  kCodePage,  // plain 8-bit text, taken as already in the code page
  kUtf8,      // a UTF-8 byte order mark, or multi-byte sequences that are all valid
  kUtf16,     // a UTF-16 byte order mark: refused
};

TextEncoding DetectEncoding(const std::string& bytes);

// Length of the UTF-8 sequence at text[pos], 0 when it is not a valid one
// (overlong forms, surrogates and values above U+10FFFF included).
size_t Utf8SequenceLength(const std::string& text, size_t pos);

// The 1-based line of text[pos], counting line ends as the installer does.
int LineAt(const std::string& text, size_t pos);

// The text of a package file in code page cp: UTF-8 is converted (a byte
// order mark dropped), 8-bit text kept as it is. Raises (exit code 1) with
// "FILE:LINE: ..." for a character the code page lacks, for UTF-16 and for
// a zero byte (the installer would stop reading there). shown is the file's
// name in messages.
std::string ToCodePageText(const std::string& bytes, uint32_t cp, const std::string& shown);

}  // namespace vor::vorpack
