// Splitting and converting the job's text files.
#include "job_text.h"

#include <string>
#include <vector>

#include "exit_codes.h"
#include "platform/codepage.h"

namespace vor::vorpack {

using coffer::ECofferError;
using coffer::kExitFailure;

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

size_t Utf8SequenceLength(const std::string& text, size_t pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) return 1;
  size_t length;
  uint32_t code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(pos + i) & 0x3F);
  }
  if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) || code > 0x10FFFF ||
      (code >= 0xD800 && code <= 0xDFFF)) {
    return 0;
  }
  return length;
}

int LineAt(const std::string& text, size_t pos) {
  int line = 1;
  for (size_t i = 0; i < pos && i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
    }
  }
  return line;
}

JobText::JobText(const std::string& text) {
  const size_t end = std::min(text.find('\0'), text.size());
  size_t start = 0;
  int number = 0;
  while (start < end) {
    size_t stop = start;
    while (stop < end && text[stop] != '\r' && text[stop] != '\n') ++stop;
    JobLine line;
    line.number = ++number;
    line.text = text.substr(start, stop - start);
    const size_t equals = line.text.find('=');
    if (equals != std::string::npos) {
      line.has_value = true;
      line.name = line.text.substr(0, equals);
      line.value = line.text.substr(equals + 1);
    }
    lines_.push_back(line);
    if (stop < end && text[stop] == '\r' && stop + 1 < end && text[stop + 1] == '\n') ++stop;
    start = stop + 1;
  }
}

const JobLine* JobText::Find(const std::string& name) const {
  for (const JobLine& line : lines_) {
    if (line.has_value && SameKey(line.name, name)) return &line;
  }
  return nullptr;
}

std::string JobText::Value(const std::string& name) const {
  const JobLine* line = Find(name);
  return line != nullptr ? line->value : std::string();
}

bool SameKey(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

TextEncoding DetectEncoding(const std::string& bytes) {
  if (bytes.compare(0, 3, kUtf8Bom) == 0) return TextEncoding::kUtf8;
  if (bytes.size() >= 2 &&
      ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    return TextEncoding::kUtf16;
  }
  bool multi_byte = false;
  for (size_t pos = 0; pos < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, pos);
    if (length == 0) return TextEncoding::kCodePage;
    multi_byte = multi_byte || length > 1;
    pos += length;
  }
  return multi_byte ? TextEncoding::kUtf8 : TextEncoding::kCodePage;
}

std::string ToCodePageText(const std::string& bytes, uint32_t cp, const std::string& shown) {
  const auto fail = [&](size_t pos, const std::string& what) -> ECofferError {
    return ECofferError(kExitFailure,
                        shown + ":" + std::to_string(LineAt(bytes, pos)) + ": " + what);
  };
  const TextEncoding encoding = DetectEncoding(bytes);
  if (encoding == TextEncoding::kUtf16) {
    throw fail(0, "the file is UTF-16; save it as UTF-8 or in code page " + std::to_string(cp));
  }
  const size_t zero = bytes.find('\0');
  if (zero != std::string::npos) {
    throw fail(zero, "a zero byte: the installer stops reading the file there");
  }
  if (encoding == TextEncoding::kCodePage) return bytes;
  const size_t start = bytes.compare(0, 3, kUtf8Bom) == 0 ? 3 : 0;
  std::string converted;
  if (platform::Utf8ToCodePage(bytes.substr(start), cp, &converted)) return converted;
  // Find the first character that has no form, to name it and its line.
  for (size_t pos = start; pos < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, pos);
    const std::string one = bytes.substr(pos, length);
    std::string ignored;
    if (!platform::Utf8ToCodePage(one, cp, &ignored)) {
      throw fail(pos, "the character '" + one + "' cannot be represented in code page " +
                          std::to_string(cp));
    }
    pos += length;
  }
  throw fail(start, "the text cannot be converted to code page " + std::to_string(cp));
}

}  // namespace vor::vorpack
