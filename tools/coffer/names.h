// Names between the local encoding and the container's code page.
//
// Stored names are 8-bit strings in a Windows code page; stored paths are
// absolute, "\" separated ("\docs\a.txt", "\" for the root). Local names are
// in the local encoding (platform/codepage.h) and are shown with the
// platform's path delimiter, without the leading one.
#pragma once

#include <cstdint>
#include <string>

#include "common/windows_names.h"

namespace vor::coffer {

class NameCodec {
 public:
  explicit NameCodec(uint32_t code_page);

  uint32_t CodePage() const { return code_page_; }

  // One local name component as stored. Raises (kExitFailure) when it has
  // no form in the code page or cannot be a stored name.
  std::string ToStored(const std::string& local) const;
  // A stored name in the local encoding; false when a byte has no character.
  bool ToLocal(const std::string& stored, std::string* local) const;
  // A stored name for showing: bytes without a character appear as \xNN.
  std::string Display(const std::string& stored) const;

  // A path the user typed ("docs/a.txt", "\docs", "" for the root) as an
  // absolute stored path. With allow_mask the last component may hold the
  // wildcards * and ?.
  std::string ToStoredPath(const std::string& local_path, bool allow_mask = false) const;
  // A stored absolute path for showing ("docs/a.txt" on POSIX).
  std::string DisplayPath(const std::string& stored_path) const;

 private:
  uint32_t code_page_;
};

// Longest name component a disk takes.
constexpr size_t kMaxDiskNameLength = kMaxWindowsNameLength;

// Whether name can be one component of a stored name: a name Windows takes
// (common/windows_names.h: not empty, not "." or "..", at most 255 bytes, no
// control character, none of < > : " / \ | ? *, no trailing dot or blank,
// no device name), so that every stored file can be made on disk. why
// receives the reason when not.
bool IsValidStoredName(const std::string& name, std::string* why);

// The stored path of child in folder ("\" + child for the root).
std::string JoinStored(const std::string& folder, const std::string& child);
// The last component of a stored path.
std::string StoredBaseName(const std::string& stored_path);

}  // namespace vor::coffer
