// Hexadecimal (upper and lower case) and MIME base 64 formats.

#include "crypto/string_format_hex.h"

namespace vor {

namespace {

// Value of a hexadecimal digit in either case, -1 for any other character.
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Value of a base-64 coding character, -1 for any other character.
int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool AllInAlphabet(const std::string& alphabet, const char* input, int32_t length) {
  for (int32_t i = 0; i < length; ++i) {
    if (alphabet.find(input[i]) == std::string::npos) return false;
  }
  return true;
}

}  // namespace

const TStringFormat_HEX* TStringFormat_HEX::Instance() {
  static const TStringFormat_HEX instance;
  return &instance;
}

const std::string& TStringFormat_HEX::Alphabet() const {
  static const std::string alphabet("0123456789ABCDEFX$ abcdefhHx()[]{},;:-_/\\*+\"'\t\n\r");
  return alphabet;
}

bool TStringFormat_HEX::Accepts(const char* input, int32_t length,
                                FormatDirection direction) const {
  if (direction == FormatDirection::kRender) return true;
  return AllInAlphabet(Alphabet(), input, length);
}

std::string TStringFormat_HEX::Render(const uint8_t* data, int32_t length) const {
  std::string text;
  if (data == nullptr || length <= 0) return text;
  const std::string& digits = Alphabet();
  text.reserve(static_cast<size_t>(length) * 2);
  for (int32_t i = 0; i < length; ++i) {
    text += digits[data[i] >> 4];
    text += digits[data[i] & 0x0F];
  }
  return text;
}

std::string TStringFormat_HEX::Parse(const char* text, int32_t length) const {
  std::string bytes;
  if (text == nullptr) return bytes;
  bool prefix_seen = false;
  int high = -1;  // the first half of a pair, while its partner is due
  for (int32_t i = 0; i < length; ++i) {
    const char c = text[i];
    const int value = HexValue(c);
    if (value >= 0) {
      if (high < 0) {
        high = value;
      } else {
        bytes += static_cast<char>((high << 4) | value);
        high = -1;
      }
    } else if ((c == 'X' || c == 'x' || c == '$') && !prefix_seen) {
      // "0x" and "$" prefixes: drop what came before the first mark.
      prefix_seen = true;
      bytes.clear();
      high = -1;
    }
  }
  return bytes;
}

const TStringFormat_HEXL* TStringFormat_HEXL::Instance() {
  static const TStringFormat_HEXL instance;
  return &instance;
}

const std::string& TStringFormat_HEXL::Alphabet() const {
  static const std::string alphabet("0123456789abcdefX$ ABCDEFhHx()[]{},;:-_/\\*+\"'\t\n\r");
  return alphabet;
}

const TStringFormat_MIME64* TStringFormat_MIME64::Instance() {
  static const TStringFormat_MIME64 instance;
  return &instance;
}

const std::string& TStringFormat_MIME64::Alphabet() const {
  static const std::string alphabet(
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="
      " $()[]{},;:-_\\*\"'\t\n\r");
  return alphabet;
}

std::string TStringFormat_MIME64::Render(const uint8_t* data, int32_t length) const {
  std::string text;
  if (data == nullptr || length <= 0) return text;
  const std::string& coding = Alphabet();
  text.reserve((static_cast<size_t>(length) + 2) / 3 * 4);
  for (int32_t i = 0; i < length; i += 3) {
    const int32_t n = length - i < 3 ? length - i : 3;
    uint32_t group = static_cast<uint32_t>(data[i]) << 16;
    if (n > 1) group |= static_cast<uint32_t>(data[i + 1]) << 8;
    if (n > 2) group |= data[i + 2];
    text += coding[(group >> 18) & 63];
    text += coding[(group >> 12) & 63];
    text += n > 1 ? coding[(group >> 6) & 63] : '=';
    text += n > 2 ? coding[group & 63] : '=';
  }
  return text;
}

std::string TStringFormat_MIME64::Parse(const char* text, int32_t length) const {
  // Separators are skipped without effect on the length. Each group of
  // four coding characters gives three bytes, less one per "=" in it; an
  // unfinished last group gives the whole bytes its characters hold.
  std::string bytes;
  if (text == nullptr) return bytes;
  uint32_t group = 0;
  int count = 0;
  int pads = 0;
  auto flush = [&](int chars) {
    const int whole = chars == 4 ? 3 : chars - 1;
    const int out = whole - pads;
    for (int k = 0; k < out; ++k) bytes += static_cast<char>(group >> (16 - 8 * k));
  };
  for (int32_t i = 0; i < length; ++i) {
    int value;
    if (text[i] == '=') {
      value = 0;
      ++pads;
    } else {
      value = Base64Value(text[i]);
      if (value < 0) continue;
    }
    group |= static_cast<uint32_t>(value) << (18 - 6 * count);
    if (++count == 4) {
      flush(4);
      group = 0;
      count = 0;
      pads = 0;
    }
  }
  if (count > 1) flush(count);
  return bytes;
}

}  // namespace vor
