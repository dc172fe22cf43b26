// Locale-dependent comparison and case mapping of 8-bit characters.
//
// These are the primitives from which the container builds its name
// collation once at start-up. On Windows they are the system's own
// (GetUserDefaultLCID, CompareStringA, CharUpperBuffA); elsewhere they model
// the Windows-1252 code page, or code page 1254 when the user's locale is
// Turkish (LC_ALL, LC_COLLATE or LANG beginning with "tr").
#pragma once

#include <cstdint>
#include <string>

namespace vor::platform {

// Windows locale identifiers that the collation distinguishes.
constexpr uint32_t kLocaleEnglishUS = 1033;
constexpr uint32_t kLocaleTurkish = 1055;

// The user's default locale identifier.
uint32_t GetUserDefaultLCID();

// Case-sensitive comparison of the one-character strings a and b in locale
// lcid: negative when a sorts before b, 0 when they sort alike, positive
// after. Raises EPlatformError when the system refuses the comparison.
int CompareCharInLocale(uint32_t lcid, char a, char b);

// Case-insensitive comparison of two whole strings in locale lcid, with the
// same sign convention. Raises EPlatformError when the system refuses it.
int CompareStringIgnoreCase(uint32_t lcid, const std::string& a, const std::string& b);

// Upper-case form of one character. Windows upper-cases in the process's
// code page and ignores lcid; the POSIX model uses code page 1254 for the
// Turkish locale and 1252 for any other.
char CharUpperInLocale(uint32_t lcid, char c);

}  // namespace vor::platform
