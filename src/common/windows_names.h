// The one rule for the names Windows accepts as one component of a disk
// path. Every program that makes, stores, checks or removes a file by name
// (the container's export, coffer, vorpack, the uninstaller) asks here, so
// that a name one of them accepts is never refused by another.
//
// The cases, in the order they are checked (tests/common/windows_names_test.cpp
// holds one row for each):
//
//   ""                          kEmpty
//   "." ".."                    kDotName
//   more than 255 bytes         kTooLong (no disk takes a longer component)
//   a byte below 0x20           kControlCharacter
//   < > : " / \ | ? *           kReservedCharacter
//   "x." "x "                   kTrailingDotOrBlank (Windows strips them, so
//                               "x." would name "x")
//   CON PRN AUX NUL CONIN$      kDeviceName: the part before the first dot,
//   CONOUT$ COM1-9 LPT1-9       blanks at its end ignored, in any case
//                               ("con.txt", "Aux .h", "lpt1")
#pragma once

#include <cstddef>
#include <string>

namespace vor {

enum class WindowsNameFault {
  kNone,
  kEmpty,
  kDotName,
  kTooLong,
  kControlCharacter,
  kReservedCharacter,
  kTrailingDotOrBlank,
  kDeviceName,
};

// The longest name component a disk takes.
constexpr size_t kMaxWindowsNameLength = 255;

// The characters no Windows name may hold.
constexpr const char* kWindowsReservedCharacters = "<>:\"/\\|?*";

// Whether Windows keeps name for a device, whatever extension follows it.
inline bool IsWindowsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// The first reason Windows refuses name as one path component; kNone when
// it takes it.
inline WindowsNameFault CheckWindowsName(const std::string& name) {
  if (name.empty()) return WindowsNameFault::kEmpty;
  if (name == "." || name == "..") return WindowsNameFault::kDotName;
  if (name.size() > kMaxWindowsNameLength) return WindowsNameFault::kTooLong;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return WindowsNameFault::kControlCharacter;
  }
  if (name.find_first_of(kWindowsReservedCharacters) != std::string::npos) {
    return WindowsNameFault::kReservedCharacter;
  }
  if (name.back() == '.' || name.back() == ' ') return WindowsNameFault::kTrailingDotOrBlank;
  if (IsWindowsDeviceName(name)) return WindowsNameFault::kDeviceName;
  return WindowsNameFault::kNone;
}

}  // namespace vor
