// Locale primitives outside Windows: a model of the Windows-1252 code page
// (code page 1254 for the Turkish locale).
//
// Characters sort by the code of their upper-case form, a lower-case letter
// just before its capital, and characters with the same upper-case form by
// code. The order is total, so every character has a rank of its own.
#include <cstdlib>
#include <cstring>

#include "platform/locale.h"

namespace vor::platform {
namespace {

// The locale the user chose for sorting, as the environment names it.
const char* CollateLocaleName() {
  for (const char* var : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(var);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return "";
}

bool IsTurkishName(const char* name) {
  if (std::strncmp(name, "tr", 2) != 0) return false;
  const char next = name[2];
  return next == '\0' || next == '_' || next == '.' || next == '@' || next == '-';
}

// Upper-case form of code c in code page 1252, or 1254 when turkish.
uint8_t UpperCode(uint8_t c, bool turkish) {
  if (c >= 'a' && c <= 'z') {
    if (turkish && c == 'i') return 0xDD;  // capital I with dot
    return static_cast<uint8_t>(c - 0x20);
  }
  if (turkish) {
    if ((c >= 0xE0 && c <= 0xF6) || (c >= 0xF9 && c <= 0xFC) || c == 0xFE) {
      return static_cast<uint8_t>(c - 0x20);
    }
    if (c == 0xFD) return 'I';  // dotless i
    return c;
  }
  if ((c >= 0xE0 && c <= 0xFE) && c != 0xF7) return static_cast<uint8_t>(c - 0x20);
  switch (c) {
    case 0x9A:
      return 0x8A;  // s with caron
    case 0x9C:
      return 0x8C;  // ligature oe
    case 0x9E:
      return 0x8E;  // z with caron
    case 0xFF:
      return 0x9F;  // y with diaeresis
    default:
      return c;
  }
}

// Sort weight of one character; distinct codes have distinct weights.
uint32_t Weight(uint8_t c, bool turkish) {
  const uint8_t upper = UpperCode(c, turkish);
  const uint32_t is_capital = (upper == c) ? 1 : 0;
  return (static_cast<uint32_t>(upper) << 9) | (is_capital << 8) | c;
}

int Sign(int64_t v) { return (v > 0) - (v < 0); }

}  // namespace

uint32_t GetUserDefaultLCID() {
  return IsTurkishName(CollateLocaleName()) ? kLocaleTurkish : kLocaleEnglishUS;
}

int CompareCharInLocale(uint32_t lcid, char a, char b) {
  const bool turkish = lcid == kLocaleTurkish;
  return Sign(static_cast<int64_t>(Weight(static_cast<uint8_t>(a), turkish)) -
              Weight(static_cast<uint8_t>(b), turkish));
}

int CompareStringIgnoreCase(uint32_t lcid, const std::string& a, const std::string& b) {
  const bool turkish = lcid == kLocaleTurkish;
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t ua = UpperCode(static_cast<uint8_t>(a[i]), turkish);
    const uint8_t ub = UpperCode(static_cast<uint8_t>(b[i]), turkish);
    if (ua != ub) return Sign(static_cast<int64_t>(Weight(ua, turkish)) - Weight(ub, turkish));
  }
  return Sign(static_cast<int64_t>(a.size()) - static_cast<int64_t>(b.size()));
}

char CharUpperInLocale(uint32_t lcid, char c) {
  return static_cast<char>(UpperCode(static_cast<uint8_t>(c), lcid == kLocaleTurkish));
}

}  // namespace vor::platform
