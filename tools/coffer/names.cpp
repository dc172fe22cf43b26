// Name conversion and validation.
#include "names.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/quoting.h"
#include "common/windows_names.h"
#include "container/store/file_rec.h"
#include "exit_codes.h"
#include "platform/codepage.h"
#include "platform/fs.h"

namespace vor::coffer {

namespace {

std::vector<std::string> SplitComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '/' || c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

}  // namespace

bool IsValidStoredName(const std::string& name, std::string* why) {
  auto fail = [why](const std::string& reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  // The container keeps up to 259 bytes, but no disk takes a name of more
  // than 255: such a file could never be extracted.
  switch (CheckWindowsName(name)) {
    case WindowsNameFault::kNone:
      return true;
    case WindowsNameFault::kEmpty:
      return fail("it is empty");
    case WindowsNameFault::kDotName:
      return fail("it is not a name");
    case WindowsNameFault::kTooLong:
      return fail("it is longer than " + std::to_string(kMaxDiskNameLength) + " bytes");
    case WindowsNameFault::kControlCharacter:
      return fail("it holds a control character");
    case WindowsNameFault::kReservedCharacter:
      return fail(std::string("it holds the character ") +
                  name[name.find_first_of(kWindowsReservedCharacters)]);
    case WindowsNameFault::kTrailingDotOrBlank:
      return fail("it ends with a dot or a blank");
    case WindowsNameFault::kDeviceName:
      return fail("Windows keeps the name for a device");
  }
  return fail("it is not a name");
}

NameCodec::NameCodec(uint32_t code_page) : code_page_(code_page) {}

std::string NameCodec::ToStored(const std::string& local) const {
  std::string stored;
  if (!platform::LocalToCodePage(local, code_page_, &stored)) {
    throw ECofferError(kExitFailure, "the name " + SingleQuoted(local) +
                                         " cannot be represented in code page " +
                                         std::to_string(code_page_));
  }
  std::string why;
  if (!IsValidStoredName(stored, &why)) {
    throw ECofferError(kExitFailure,
                       "the name " + SingleQuoted(local) + " cannot be stored: " + why);
  }
  return stored;
}

bool NameCodec::ToLocal(const std::string& stored, std::string* local) const {
  return platform::CodePageToLocal(stored, code_page_, local);
}

std::string NameCodec::Display(const std::string& stored) const {
  // Control characters are never sent to the terminal as they are.
  auto control = [](unsigned char c) { return c < 0x20 || c == 0x7F; };
  std::string local;
  if (ToLocal(stored, &local) &&
      std::none_of(local.begin(), local.end(), [&](char c) { return control(c); })) {
    return local;
  }
  std::string shown;
  for (unsigned char c : stored) {
    std::string one(1, static_cast<char>(c));
    std::string converted;
    if (c < 0x80 && !control(c)) {
      shown += one;
    } else if (c >= 0x80 && ToLocal(one, &converted)) {
      shown += converted;
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      shown += buf;
    }
  }
  return shown;
}

std::string NameCodec::ToStoredPath(const std::string& local_path, bool allow_mask) const {
  const std::vector<std::string> parts = SplitComponents(local_path);
  std::string stored;
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    if (allow_mask && last && parts[i].find_first_of("*?") != std::string::npos) {
      std::string masked;
      if (!platform::LocalToCodePage(parts[i], code_page_, &masked)) {
        throw ECofferError(kExitFailure, "the mask " + SingleQuoted(parts[i]) +
                                             " cannot be represented in code page " +
                                             std::to_string(code_page_));
      }
      stored += "\\" + masked;
    } else {
      stored += "\\" + ToStored(parts[i]);
    }
  }
  return stored.empty() ? "\\" : stored;
}

std::string NameCodec::DisplayPath(const std::string& stored_path) const {
  std::string shown;
  for (const std::string& part : SplitComponents(stored_path)) {
    if (!shown.empty()) shown += platform::PathDelimiter();
    shown += Display(part);
  }
  return shown;
}

std::string JoinStored(const std::string& folder, const std::string& child) {
  if (folder.empty() || folder == "\\") return "\\" + child;
  return folder + "\\" + child;
}

std::string StoredBaseName(const std::string& stored_path) {
  const size_t cut = stored_path.find_last_of('\\');
  return cut == std::string::npos ? stored_path : stored_path.substr(cut + 1);
}

}  // namespace vor::coffer
