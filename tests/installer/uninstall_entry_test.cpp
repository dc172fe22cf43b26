// The list-of-installed-programs entry: its values, and (where the system
// keeps a registry: under Wine) the key written, read back and removed only
// for its own installation folder.
#include "installer/engine/uninstall_entry.h"

#include <gtest/gtest.h>

#include "package/install_error.h"
#include "platform/fs.h"
#include "platform/registry.h"

namespace vor {
namespace {

const std::string kD(1, platform::PathDelimiter());

UninstallEntry Entry(bool all_users) {
  UninstallEntry entry;
  entry.app_name = "VOR Test App";
  entry.dest_dir = "C:" + kD + "Apps" + kD + "T X";
  entry.program_path = entry.dest_dir + kD + "t.exe";
  entry.all_users = all_users;
  return entry;
}

TEST(UninstallEntry, Values) {
  const std::vector<UninstallEntryValue> values = UninstallEntryValues(Entry(false));
  const std::string dest = "C:" + kD + "Apps" + kD + "T X";
  const struct {
    const char* name;
    bool is_number;
    std::string text;
    uint32_t number;
  } expected[] = {
      {"DisplayName", false, "VOR Test App", 0},
      {"DisplayIcon", false, dest + kD + "t.exe", 0},
      {"InstallLocation", false, dest, 0},
      {"UninstallString", false, "\"" + dest + kD + "uninstall.exe\" /U", 0},
      {"QuietUninstallString", false, "\"" + dest + kD + "uninstall.exe\" /U /S", 0},
      {"NoModify", true, "", 1},
      {"NoRepair", true, "", 1},
  };
  ASSERT_EQ(values.size(), std::size(expected));
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(values[i].name, expected[i].name);
    EXPECT_EQ(values[i].is_number, expected[i].is_number) << expected[i].name;
    if (expected[i].is_number) {
      EXPECT_EQ(values[i].number, expected[i].number) << expected[i].name;
    } else {
      EXPECT_EQ(values[i].text, expected[i].text) << expected[i].name;
    }
  }
  EXPECT_EQ(UninstallKeyPath("A\\B"),
            "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\A_B");
}

// The job's version and publisher and the installed size follow, each only
// when there is one.
TEST(UninstallEntry, VersionPublisherAndSizeWhereKnown) {
  UninstallEntry entry = Entry(true);
  entry.display_version = "2.0.1";
  entry.publisher = "Example Ltd";
  entry.estimated_size_kb = 1536;
  std::vector<UninstallEntryValue> values = UninstallEntryValues(entry);
  ASSERT_EQ(values.size(), 10u);
  EXPECT_EQ(values[6].name, "NoRepair");
  EXPECT_EQ(values[7].name, "DisplayVersion");
  EXPECT_EQ(values[7].text, "2.0.1");
  EXPECT_EQ(values[8].name, "Publisher");
  EXPECT_EQ(values[8].text, "Example Ltd");
  EXPECT_EQ(values[9].name, "EstimatedSize");
  EXPECT_TRUE(values[9].is_number);
  EXPECT_EQ(values[9].number, 1536u);
  entry.display_version.clear();
  entry.estimated_size_kb = 0;
  values = UninstallEntryValues(entry);
  ASSERT_EQ(values.size(), 8u);
  EXPECT_EQ(values[7].name, "Publisher");
}

TEST(UninstallEntry, WrittenReadBackAndRemovedForItsOwnFolderOnly) {
  for (const bool all_users : {false, true}) {
    SCOPED_TRACE(all_users ? "all users" : "this user");
    const UninstallEntry entry = Entry(all_users);
    const platform::RegistryRoot root =
        all_users ? platform::RegistryRoot::kLocalMachine : platform::RegistryRoot::kCurrentUser;
    ASSERT_NO_THROW(WriteUninstallEntry(entry));
    platform::RegistryError error;
    std::string error_text;
    if (platform::HasRegistry()) {
      auto key = platform::RegistryKey::Open(root, UninstallKeyPath(entry.app_name), &error);
      ASSERT_NE(key, nullptr) << error.message;
      for (const UninstallEntryValue& value : UninstallEntryValues(entry)) {
        std::string text;
        uint32_t number = 0;
        if (value.is_number) {
          EXPECT_TRUE(key->GetNumber(value.name, &number)) << value.name;
          EXPECT_EQ(number, value.number) << value.name;
        } else {
          EXPECT_TRUE(key->GetString(value.name, &text)) << value.name;
          EXPECT_EQ(text, value.text) << value.name;
        }
      }
      key.reset();
      // Another installation's folder (of the same name) leaves it alone.
      EXPECT_TRUE(RemoveUninstallEntry(entry.app_name, "C:" + kD + "Elsewhere", &error_text));
      EXPECT_NE(platform::RegistryKey::Open(root, UninstallKeyPath(entry.app_name), &error),
                nullptr);
    }
    // The folder matches without regard to case or a trailing delimiter.
    std::string upper = entry.dest_dir + kD;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(RemoveUninstallEntry(entry.app_name, upper, &error_text)) << error_text;
    EXPECT_EQ(platform::RegistryKey::Open(root, UninstallKeyPath(entry.app_name), &error), nullptr);
  }
}

TEST(UninstallEntry, ProgramWithoutANameIsRefused) {
  UninstallEntry entry = Entry(false);
  entry.app_name = "";
  try {
    WriteUninstallEntry(entry);
    ADD_FAILURE();
  } catch (const EInstallError& e) {
    EXPECT_EQ(e.Kind(), InstallErrorKind::kRegistry);
    EXPECT_STREQ(e.what(), "The program has no name for the list of installed programs");
  }
}

}  // namespace
}  // namespace vor
