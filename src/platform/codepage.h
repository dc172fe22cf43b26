// Conversion of names between the local text encoding and a Windows code
// page.
//
// Container names are 8-bit strings in a Windows code page. The local
// encoding is what the command line, the terminal and disk names use: UTF-8
// on POSIX, the process's ANSI code page on Windows. A conversion fails, and
// reports it, when a character has no form on the other side; it never
// substitutes a character.
#pragma once

#include <cstdint>
#include <string>

namespace vor::platform {

// Windows-1252, the code page names are converted through by default.
constexpr uint32_t kDefaultNameCodePage = 1252;

// Whether names can be converted to and from code page cp on this system.
bool CodePageSupported(uint32_t cp);
// Local text to code page cp; false when a character cannot be represented
// (or the local text is not valid in the local encoding).
bool LocalToCodePage(const std::string& local, uint32_t cp, std::string* out);
// Text in code page cp to local text; false when a byte has no character.
bool CodePageToLocal(const std::string& text, uint32_t cp, std::string* out);
// Text in code page cp as UTF-8 (for JSON); false when a byte has no
// character.
bool CodePageToUtf8(const std::string& text, uint32_t cp, std::string* out);
// UTF-8 text to code page cp; false when it is not valid UTF-8 or a
// character has no exact form in cp.
bool Utf8ToCodePage(const std::string& utf8, uint32_t cp, std::string* out);

}  // namespace vor::platform
