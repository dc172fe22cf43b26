// The Windows registry through the ANSI registry calls.
#include <windows.h>

#include <vector>

#include "platform/platform_error.h"
#include "platform/registry.h"

namespace vor::platform {

namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY Native(intptr_t native) { return reinterpret_cast<HKEY>(native); }

bool Fail(LONG code, RegistryError* error) {
  error->code = static_cast<uint32_t>(code);
  error->message = OsErrorMessage(static_cast<uint32_t>(code));
  return false;
}

bool SetValue(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size,
              RegistryError* error) {
  const LONG result = ::RegSetValueExA(key, name.c_str(), 0, type, data, size);
  return result == ERROR_SUCCESS || Fail(result, error);
}

// Deletes every subkey of key, deepest first; RegDeleteKeyA removes only
// keys without subkeys (RegDeleteTreeA is missing before Windows Vista).
LONG DeleteSubkeys(HKEY key) {
  for (;;) {
    char name[256];
    DWORD length = sizeof(name);
    LONG result = ::RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS) return result;
    HKEY child = nullptr;
    result = ::RegOpenKeyExA(key, name, 0, KEY_READ | KEY_WRITE, &child);
    if (result != ERROR_SUCCESS) return result;
    result = DeleteSubkeys(child);
    ::RegCloseKey(child);
    if (result == ERROR_SUCCESS) result = ::RegDeleteKeyA(key, name);
    if (result != ERROR_SUCCESS) return result;
  }
}

}  // namespace

bool HasRegistry() { return true; }

std::unique_ptr<RegistryKey> RegistryKey::Create(RegistryRoot root, const std::string& path,
                                                 RegistryError* error) {
  HKEY key = nullptr;
  const LONG result =
      ::RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) {
    Fail(result, error);
    return nullptr;
  }
  return std::make_unique<RegistryKey>(reinterpret_cast<intptr_t>(key));
}

std::unique_ptr<RegistryKey> RegistryKey::Open(RegistryRoot root, const std::string& path,
                                               RegistryError* error) {
  HKEY key = nullptr;
  const LONG result = ::RegOpenKeyExA(RootKey(root), path.c_str(), 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) {
    Fail(result, error);
    return nullptr;
  }
  return std::make_unique<RegistryKey>(reinterpret_cast<intptr_t>(key));
}

RegistryKey::~RegistryKey() { ::RegCloseKey(Native(native_)); }

bool RegistryKey::SetString(const std::string& name, const std::string& value,
                            RegistryError* error) {
  // The stored string carries its terminating zero.
  return SetValue(Native(native_), name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                  static_cast<DWORD>(value.size() + 1), error);
}

bool RegistryKey::SetNumber(const std::string& name, uint32_t value, RegistryError* error) {
  const DWORD number = value;
  return SetValue(Native(native_), name, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                  sizeof(number), error);
}

bool RegistryKey::GetString(const std::string& name, std::string* value) const {
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExA(Native(native_), name.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  std::vector<char> buffer(size + 1, '\0');
  if (::RegQueryValueExA(Native(native_), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
    return false;
  }
  // The stored bytes need not end with a zero; the text ends at the first.
  buffer[size] = '\0';
  *value = std::string(buffer.data());
  return true;
}

bool RegistryKey::GetNumber(const std::string& name, uint32_t* value) const {
  DWORD type = 0;
  DWORD number = 0;
  DWORD size = sizeof(number);
  if (::RegQueryValueExA(Native(native_), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(number)) {
    return false;
  }
  *value = number;
  return true;
}

bool DeleteRegistryKey(RegistryRoot root, const std::string& path, RegistryError* error) {
  HKEY key = nullptr;
  LONG result = ::RegOpenKeyExA(RootKey(root), path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (result == ERROR_FILE_NOT_FOUND) return true;
  if (result != ERROR_SUCCESS) return Fail(result, error);
  result = DeleteSubkeys(key);
  ::RegCloseKey(key);
  if (result == ERROR_SUCCESS) result = ::RegDeleteKeyA(RootKey(root), path.c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND || Fail(result, error);
}

}  // namespace vor::platform
