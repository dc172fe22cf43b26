// The installed program's entry in the system's list of installed programs
// ("Apps & features"): a registry key named after the program below
// Software\Microsoft\Windows\CurrentVersion\Uninstall, for all users
// (the machine's settings) or for this user only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vor {

struct UninstallEntry {
  std::string app_name;      // the key's name and DisplayName
  std::string dest_dir;      // D, without a trailing delimiter
  std::string program_path;  // the installed program, the entry's icon
  bool all_users = false;
  // From the job ("" or 0: not written).
  std::string display_version;     // Version
  std::string publisher;           // Publisher
  uint32_t estimated_size_kb = 0;  // the installed files' bytes, in KiB rounded up
};

struct UninstallEntryValue {
  std::string name;
  bool is_number;  // a DWORD; else a string
  std::string text;
  uint32_t number;
};

// The uninstaller's file name in D.
constexpr const char* kUninstallerFileName = "uninstall.exe";

// The key below the root; a "\" in the name (which would make subkeys)
// becomes "_".
std::string UninstallKeyPath(const std::string& app_name);

// DisplayName, DisplayIcon, InstallLocation, UninstallString
// ("D\uninstall.exe" /U, quoted), QuietUninstallString (... /U /S),
// NoModify and NoRepair (1), then DisplayVersion, Publisher and
// EstimatedSize where the entry has them: the values written, in this order.
std::vector<UninstallEntryValue> UninstallEntryValues(const UninstallEntry& entry);

// Writes the key with its values (creating or updating it), and removes an
// entry of the same name in the other scope that names the same folder (an
// earlier installation there for all users, or for this user). Raises
// EInstallError kRegistry with the system's message when the key cannot be
// written, or when the program has no name.
void WriteUninstallEntry(const UninstallEntry& entry);

// Removes the entry of app_name whose InstallLocation is dest_dir, from the
// machine's and this user's settings (an entry of the same name for another
// folder stays). True when none is left; false with the system's message.
bool RemoveUninstallEntry(const std::string& app_name, const std::string& dest_dir,
                          std::string* error);

}  // namespace vor
