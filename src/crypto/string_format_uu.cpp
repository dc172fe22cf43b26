// UU and XX coding.

#include "crypto/string_format_uu.h"

namespace vor {

namespace {

constexpr int kLineBytes = 45;

}  // namespace

const TStringFormat_UU* TStringFormat_UU::Instance() {
  static const TStringFormat_UU instance;
  return &instance;
}

const std::string& TStringFormat_UU::Alphabet() const {
  static const std::string alphabet = [] {
    std::string a = "`";
    for (char c = 33; c <= 95; ++c) a += c;
    a += " \t\n\r";
    return a;
  }();
  return alphabet;
}

std::string TStringFormat_UU::Render(const uint8_t* data, int32_t length) const {
  std::string text;
  if (data == nullptr || length <= 0) return text;
  const std::string& coding = Alphabet();
  for (int32_t line = 0; line < length; line += kLineBytes) {
    const int32_t n = length - line < kLineBytes ? length - line : kLineBytes;
    text += coding[static_cast<size_t>(n)];
    for (int32_t i = 0; i < n; i += 3) {
      const uint8_t* p = data + line + i;
      uint32_t group = static_cast<uint32_t>(p[0]) << 16;
      if (i + 1 < n) group |= static_cast<uint32_t>(p[1]) << 8;
      if (i + 2 < n) group |= p[2];
      for (int shift = 18; shift >= 0; shift -= 6) text += coding[(group >> shift) & 63];
    }
  }
  return text;
}

std::string TStringFormat_UU::Parse(const char* text, int32_t length) const {
  std::string bytes;
  if (text == nullptr) return bytes;
  const std::string& coding = Alphabet();
  int32_t pos = 0;
  while (pos < length) {
    const size_t n_index = coding.find(text[pos++]);
    if (n_index == std::string::npos || n_index > kLineBytes) {
      throw EStringFormat("Input is not an valid " + DisplayName() + " Format.",
                          ErrorKind::kDamaged);
    }
    int32_t due = static_cast<int32_t>(n_index);
    while (due > 0 && pos < length) {
      uint32_t group = 0;
      int count = 0;
      while (count < 4 && pos < length) {
        const size_t value = coding.find(text[pos++]);
        if (value == std::string::npos || value > 63) continue;  // separators
        group |= static_cast<uint32_t>(value) << (18 - 6 * count);
        ++count;
      }
      if (count == 0) break;
      for (int k = 0; k < 3 && due > 0; ++k, --due) {
        bytes += static_cast<char>(group >> (16 - 8 * k));
      }
    }
  }
  return bytes;
}

bool TStringFormat_UU::Accepts(const char* input, int32_t length, FormatDirection direction) const {
  if (direction == FormatDirection::kRender) return true;
  const std::string& coding = Alphabet();
  int32_t due = 0;  // coding characters still due in the current line
  bool in_line = false;
  for (int32_t i = 0; i < length; ++i) {
    const size_t index = coding.find(input[i]);
    if (index == std::string::npos) return false;
    if (!in_line) {
      if (index > kLineBytes) return false;
      due = 4 * ((static_cast<int32_t>(index) + 2) / 3);
      in_line = due > 0;
    } else if (index < 64) {
      if (--due == 0) in_line = false;
    }
  }
  return !in_line;
}

const TStringFormat_XX* TStringFormat_XX::Instance() {
  static const TStringFormat_XX instance;
  return &instance;
}

const std::string& TStringFormat_XX::Alphabet() const {
  static const std::string alphabet(
      "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
      " \"()[]'\t\n\r");
  return alphabet;
}

}  // namespace vor
