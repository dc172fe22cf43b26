// The system's registry of settings: keys below a root, holding named
// string and number values.
//
// Windows: the registry itself (RegCreateKeyExA, RegSetValueExA,
// RegQueryValueExA, keys deleted with their subkeys). POSIX systems keep no
// such registry and a Linux user expects a program not to invent one in
// their home folder: writes succeed and keep nothing, reads find nothing,
// deletions find nothing to delete. HasRegistry() tells which it is.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vor::platform {

enum class RegistryRoot {
  kLocalMachine,  // settings of every user of the machine
  kCurrentUser,   // settings of the user running the program
};

// A failed registry call: the system's code and its text.
struct RegistryError {
  uint32_t code = 0;
  std::string message;
};

bool HasRegistry();

class RegistryKey {
 public:
  // Opens the key path (subkeys separated by "\") below root for reading
  // and writing, creating it and its missing parents; nullptr with *error
  // filled when the system refuses (no right to write there, for example).
  static std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path,
                                             RegistryError* error);
  // Opens an existing key for reading; nullptr with *error filled when it
  // does not exist or cannot be read.
  static std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                           RegistryError* error);
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool SetString(const std::string& name, const std::string& value, RegistryError* error);
  bool SetNumber(const std::string& name, uint32_t value, RegistryError* error);  // a DWORD
  // False when the value is missing or of another type.
  bool GetString(const std::string& name, std::string* value) const;
  bool GetNumber(const std::string& name, uint32_t* value) const;

  explicit RegistryKey(intptr_t native) : native_(native) {}

 private:
  // The system handle; only the Windows implementation has one.
  [[maybe_unused]] intptr_t native_;
};

// Deletes the key path below root with all of its subkeys and values. True
// when the key is gone afterwards (also when it never existed).
bool DeleteRegistryKey(RegistryRoot root, const std::string& path, RegistryError* error);

}  // namespace vor::platform
