#include "installer/engine/uninstall_entry.h"

#include <cctype>

#include "common/quoting.h"
#include "package/install_error.h"
#include "platform/fs.h"
#include "platform/registry.h"

namespace vor {

namespace {

constexpr const char* kUninstallRoot = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Folded(const std::string& folder) {
  std::string path = platform::WithoutTrailingDelimiters(folder);
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return path;
}

UninstallEntryValue Text(const char* name, const std::string& text) {
  return {name, false, text, 0};
}

UninstallEntryValue Number(const char* name, uint32_t number) { return {name, true, "", number}; }

}  // namespace

std::string UninstallKeyPath(const std::string& app_name) {
  std::string name = app_name;
  for (char& c : name) {
    if (c == '\\') c = '_';
  }
  return kUninstallRoot + name;
}

std::vector<UninstallEntryValue> UninstallEntryValues(const UninstallEntry& entry) {
  const std::string uninstaller =
      DoubleQuoted(platform::JoinDiskPath(entry.dest_dir, kUninstallerFileName)) + " /U";
  std::vector<UninstallEntryValue> values = {Text("DisplayName", entry.app_name),
                                             Text("DisplayIcon", entry.program_path),
                                             Text("InstallLocation", entry.dest_dir),
                                             Text("UninstallString", uninstaller),
                                             Text("QuietUninstallString", uninstaller + " /S"),
                                             Number("NoModify", 1),
                                             Number("NoRepair", 1)};
  if (!entry.display_version.empty())
    values.push_back(Text("DisplayVersion", entry.display_version));
  if (!entry.publisher.empty()) values.push_back(Text("Publisher", entry.publisher));
  if (entry.estimated_size_kb > 0)
    values.push_back(Number("EstimatedSize", entry.estimated_size_kb));
  return values;
}

void WriteUninstallEntry(const UninstallEntry& entry) {
  if (entry.app_name.empty()) {
    throw EInstallError(InstallErrorKind::kRegistry,
                        "The program has no name for the list of installed programs");
  }
  const platform::RegistryRoot root = entry.all_users ? platform::RegistryRoot::kLocalMachine
                                                      : platform::RegistryRoot::kCurrentUser;
  const std::string path = UninstallKeyPath(entry.app_name);
  platform::RegistryError error;
  auto fail = [&]() {
    throw EInstallError(
        InstallErrorKind::kRegistry,
        "The program cannot be entered in the list of installed programs: " + error.message);
  };
  const std::unique_ptr<platform::RegistryKey> key =
      platform::RegistryKey::Create(root, path, &error);
  if (key == nullptr) fail();
  for (const UninstallEntryValue& value : UninstallEntryValues(entry)) {
    const bool written = value.is_number ? key->SetNumber(value.name, value.number, &error)
                                         : key->SetString(value.name, value.text, &error);
    if (!written) fail();
  }
  // The same installation entered earlier for the other scope (all users,
  // or this user) is this one now: one entry stays.
  const platform::RegistryRoot other = entry.all_users ? platform::RegistryRoot::kCurrentUser
                                                       : platform::RegistryRoot::kLocalMachine;
  bool same = false;
  {
    const std::unique_ptr<platform::RegistryKey> earlier =
        platform::RegistryKey::Open(other, path, &error);
    std::string location;
    same = earlier != nullptr && earlier->GetString("InstallLocation", &location) &&
           Folded(location) == Folded(entry.dest_dir);
  }
  if (same) platform::DeleteRegistryKey(other, path, &error);
}

bool RemoveUninstallEntry(const std::string& app_name, const std::string& dest_dir,
                          std::string* error) {
  const std::string path = UninstallKeyPath(app_name);
  for (const platform::RegistryRoot root :
       {platform::RegistryRoot::kLocalMachine, platform::RegistryRoot::kCurrentUser}) {
    platform::RegistryError failure;
    {
      const std::unique_ptr<platform::RegistryKey> key =
          platform::RegistryKey::Open(root, path, &failure);
      std::string location;
      if (key == nullptr || !key->GetString("InstallLocation", &location) ||
          Folded(location) != Folded(dest_dir)) {
        continue;  // no entry here, or another installation's
      }
    }
    if (!platform::DeleteRegistryKey(root, path, &failure)) {
      *error = failure.message;
      return false;
    }
  }
  return true;
}

}  // namespace vor
