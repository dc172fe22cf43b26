// Code page conversion through UTF-16; the local encoding is the process's
// ANSI code page, in which the command line and the file calls already are.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/codepage.h"

namespace vor::platform {

namespace {

// UTF-16 text. A vector, not std::wstring: the wide string's library
// instantiation would add tens of kilobytes to the installer program.
using WideText = std::vector<wchar_t>;

// text in code page cp to UTF-16; false for a byte without a character.
bool ToWide(const std::string& text, UINT cp, WideText* wide) {
  if (text.empty()) {
    wide->clear();
    return true;
  }
  const int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data(),
                                    static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return false;
  wide->assign(static_cast<size_t>(n), L'\0');
  return MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                             wide->data(), n) == n;
}

// UTF-16 to code page cp; false when a character has no exact form there.
bool FromWide(const WideText& wide, UINT cp, std::string* text) {
  if (wide.empty()) {
    text->clear();
    return true;
  }
  BOOL used_default = FALSE;
  const int n =
      WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          nullptr, 0, nullptr, &used_default);
  if (n <= 0 || used_default) return false;
  std::string result(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          &result[0], n, nullptr, &used_default) != n ||
      used_default) {
    return false;
  }
  *text = std::move(result);
  return true;
}

bool Convert(const std::string& in, UINT from, UINT to, std::string* out) {
  if (in.find('\0') != std::string::npos) return false;
  WideText wide;
  std::string result;
  if (!ToWide(in, from, &wide) || !FromWide(wide, to, &result)) return false;
  // Only an exact round trip counts as representable.
  WideText back;
  if (!ToWide(result, to, &back) || back != wide) return false;
  *out = std::move(result);
  return true;
}

}  // namespace

bool CodePageSupported(uint32_t cp) {
  if (cp == 0 || cp == CP_UTF7 || cp == CP_UTF8) return false;
  return IsValidCodePage(cp) != FALSE;
}

bool LocalToCodePage(const std::string& local, uint32_t cp, std::string* out) {
  if (cp == GetACP() && local.find('\0') == std::string::npos) {
    *out = local;
    return true;
  }
  return Convert(local, GetACP(), cp, out);
}

bool CodePageToLocal(const std::string& text, uint32_t cp, std::string* out) {
  if (cp == GetACP() && text.find('\0') == std::string::npos) {
    *out = text;
    return true;
  }
  return Convert(text, cp, GetACP(), out);
}

bool CodePageToUtf8(const std::string& text, uint32_t cp, std::string* out) {
  if (text.find('\0') != std::string::npos) return false;
  WideText wide;
  if (!ToWide(text, cp, &wide)) return false;
  if (wide.empty()) {
    out->clear();
    return true;
  }
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  if (n <= 0) return false;
  std::string result(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &result[0], n,
                      nullptr, nullptr);
  *out = std::move(result);
  return true;
}

bool Utf8ToCodePage(const std::string& utf8, uint32_t cp, std::string* out) {
  return Convert(utf8, CP_UTF8, cp, out);
}

}  // namespace vor::platform
