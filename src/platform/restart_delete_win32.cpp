#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/restart_delete.h"

namespace vor::platform {

namespace {

constexpr char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingValue[] = "PendingFileRenameOperations";
// The list is a few names long; a larger value is not read.
constexpr DWORD kMaxPendingBytes = 16u << 20;

class KeyHandle {
 public:
  explicit KeyHandle(HKEY key) : key_(key) {}
  ~KeyHandle() { RegCloseKey(key_); }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_;
};

// A pending entry names its file as "\??\C:\...", sometimes with a leading
// "!" (replace-existing); the path itself follows.
std::string EntryPath(std::string name) {
  if (!name.empty() && name[0] == '!') name.erase(0, 1);
  if (name.compare(0, 4, "\\??\\") == 0) name.erase(0, 4);
  return name;
}

bool SamePath(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                        b.c_str(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

// Reads the pending list into names (pairs: the file, then its new name,
// empty to delete it); an absent list is empty. False (with the reason set
// as the last error) when it cannot be read.
bool ReadPending(HKEY key, std::vector<std::string>* names) {
  DWORD type = 0;
  DWORD size = 0;
  LONG result = RegQueryValueExA(key, kPendingValue, nullptr, &type, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) return true;  // nothing pending at all
  if (result != ERROR_SUCCESS || type != REG_MULTI_SZ || size > kMaxPendingBytes) {
    SetLastError(result != ERROR_SUCCESS ? static_cast<DWORD>(result) : ERROR_INVALID_DATA);
    return false;
  }
  std::vector<char> data(static_cast<size_t>(size) + 2, '\0');
  result = RegQueryValueExA(key, kPendingValue, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &size);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    return false;
  }
  for (size_t at = 0; at < size && data[at] != '\0';) {
    std::string name(data.data() + at);
    at += name.size() + 1;
    names->push_back(std::move(name));
    if (at < size && data[at] == '\0' && names->size() % 2 == 1) {
      names->emplace_back();  // an empty new name
      ++at;
    }
  }
  return true;
}

bool OpenSessionManager(REGSAM access, HKEY* key) {
  const LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, access, key);
  if (result == ERROR_SUCCESS) return true;
  SetLastError(static_cast<DWORD>(result));
  return false;
}

}  // namespace

bool DeleteAtRestart(const std::string& path) {
  return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool DeleteAtRestartPending(const std::string& path) {
  HKEY raw = nullptr;
  if (!OpenSessionManager(KEY_QUERY_VALUE, &raw)) return false;
  const KeyHandle key(raw);
  std::vector<std::string> names;
  if (!ReadPending(key.get(), &names)) return false;
  for (size_t i = 0; i + 1 < names.size(); i += 2) {
    if (names[i + 1].empty() && SamePath(EntryPath(names[i]), path)) return true;
  }
  return false;
}

bool CancelDeleteAtRestart(const std::vector<std::string>& paths) {
  if (paths.empty()) return true;
  HKEY raw = nullptr;
  if (!OpenSessionManager(KEY_QUERY_VALUE | KEY_SET_VALUE, &raw)) return false;
  const KeyHandle key(raw);
  std::vector<std::string> names;
  if (!ReadPending(key.get(), &names)) return false;
  std::vector<std::string> kept;
  bool dropped = false;
  for (size_t i = 0; i + 1 < names.size(); i += 2) {
    bool cancel = false;
    if (names[i + 1].empty()) {
      for (const std::string& path : paths) cancel = cancel || SamePath(EntryPath(names[i]), path);
    }
    if (cancel) {
      dropped = true;
      continue;
    }
    kept.push_back(names[i]);
    kept.push_back(names[i + 1]);
  }
  if (!dropped) return true;
  LONG result;
  if (kept.empty()) {
    result = RegDeleteValueA(key.get(), kPendingValue);
  } else {
    std::string value;
    for (const std::string& name : kept) value.append(name).push_back('\0');
    value.push_back('\0');
    result = RegSetValueExA(key.get(), kPendingValue, 0, REG_MULTI_SZ,
                            reinterpret_cast<const BYTE*>(value.data()),
                            static_cast<DWORD>(value.size()));
  }
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    return false;
  }
  return true;
}

}  // namespace vor::platform
