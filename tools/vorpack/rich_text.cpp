// Rewriting UTF-8 rich text as escapes of the code page.
#include "rich_text.h"

#include <string>

#include "job_text.h"
#include "platform/codepage.h"

namespace vor::vorpack {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kCodePageWord[] = "\\ansicpg";

// The code point of the valid UTF-8 sequence of length bytes at text[pos].
uint32_t CodePointAt(const std::string& text, size_t pos, size_t length) {
  static const unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  uint32_t code = static_cast<unsigned char>(text[pos]) & kLeadMask[length];
  for (size_t i = 1; i < length; ++i) {
    code = code << 6 | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  }
  return code;
}

void AppendByteEscape(unsigned char byte, std::string* out) {
  static const char kHex[] = "0123456789abcdef";
  *out += "\\'";
  *out += kHex[byte >> 4];
  *out += kHex[byte & 0x0F];
}

// \uN? for one UTF-16 unit: N is signed, as the control word's parameter is.
void AppendUnicodeEscape(uint32_t unit, std::string* out) {
  const int32_t value =
      unit >= 0x8000 ? static_cast<int32_t>(unit) - 0x10000 : static_cast<int32_t>(unit);
  *out += "\\u" + std::to_string(value) + "?";
}

}  // namespace

uint32_t DeclaredCodePage(const std::string& rtf) {
  const size_t at = rtf.find(kCodePageWord);
  if (at == std::string::npos) return 0;
  uint32_t cp = 0;
  size_t digits = 0;
  for (size_t i = at + sizeof(kCodePageWord) - 1; i < rtf.size() && digits < 6; ++i, ++digits) {
    if (rtf[i] < '0' || rtf[i] > '9') break;
    cp = cp * 10 + static_cast<uint32_t>(rtf[i] - '0');
  }
  return digits > 0 ? cp : 0;
}

std::string ToCodePageRichText(const std::string& bytes, uint32_t cp) {
  if (DetectEncoding(bytes) != TextEncoding::kUtf8) return bytes;
  const uint32_t declared = DeclaredCodePage(bytes);
  if (declared != 0 && platform::CodePageSupported(declared)) cp = declared;
  const size_t start = bytes.compare(0, 3, kUtf8Bom) == 0 ? 3 : 0;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (size_t pos = start; pos < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, pos);
    if (length <= 1) {  // ASCII (the whole text is valid UTF-8)
      out += bytes[pos++];
      continue;
    }
    std::string form;
    if (platform::Utf8ToCodePage(bytes.substr(pos, length), cp, &form) && !form.empty()) {
      for (char c : form) AppendByteEscape(static_cast<unsigned char>(c), &out);
    } else {
      const uint32_t code = CodePointAt(bytes, pos, length);
      if (code < 0x10000) {
        AppendUnicodeEscape(code, &out);
      } else {
        AppendUnicodeEscape(0xD800 + ((code - 0x10000) >> 10), &out);
        AppendUnicodeEscape(0xDC00 + ((code - 0x10000) & 0x3FF), &out);
      }
    }
    pos += length;
  }
  return out;
}

}  // namespace vor::vorpack
