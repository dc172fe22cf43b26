#include "container/export_target.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

class ExportFoldersTest : public testing::TempDirTest {};

// A name is taken as surely absent only in a folder the export made, and
// only while no name written there may stand for the same disk file.
TEST_F(ExportFoldersTest, OnlyUnmetNamesInFoldersItMadeAreKnownAbsent) {
  struct Step {
    const char* name;
    bool may_exist;
  };
  struct Case {
    const char* label;
    bool made;
    std::vector<Step> steps;
  };
  const std::vector<Case> cases = {
      {"made folder",
       true,
       {{"a.txt", false}, {"b.txt", false}, {"A.TXT", true}, {"a.txt", true}, {"c.txt", false}}},
      {"folder that was there", false, {{"a.txt", true}, {"b.txt", true}}},
      // "~" marks a short alias, which may name a long file written before.
      {"short alias", true, {{"LONGNA~1.TXT", true}, {"other.txt", false}}},
      // Bytes above 0x7F follow the code page's case rules: once one is
      // written, no name of the folder is known absent any more.
      {"code page name", true, {{"plain.txt", false}, {"caf\xE9.txt", true}, {"next.txt", true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TExportFolders folders(dir_, c.made);
    for (const Step& step : c.steps) {
      EXPECT_EQ(folders.MayExist("", step.name), step.may_exist) << step.name;
    }
  }
}

TEST_F(ExportFoldersTest, FoldersAreMadeWithTheirParentsAndKnownEmpty) {
  const std::string before = Path("before");
  ASSERT_TRUE(platform::CreateDirectory(before));
  TExportFolders folders(dir_, false);

  folders.Make("new\\deep\\er\\");
  EXPECT_TRUE(platform::DirectoryExists(folders.DiskPath("new\\deep\\er")));
  EXPECT_FALSE(folders.MayExist("new\\", "f"));
  EXPECT_FALSE(folders.MayExist("new\\deep\\er\\", "f"));
  // A file of the name of a folder made there is not known absent.
  EXPECT_TRUE(folders.MayExist("new\\", "DEEP"));

  // A folder that was there already may hold anything.
  folders.Make("before\\");
  EXPECT_TRUE(folders.MayExist("before\\", "f"));
  // The same for one made inside it: made by this export, so empty.
  folders.Make("before\\inner\\");
  EXPECT_FALSE(folders.MayExist("before\\inner\\", "f"));

  // A folder that cannot be made (a file has its name) is not known, and
  // every name in it is asked about.
  ASSERT_TRUE(WriteAll(Path("blocked"), "x"));
  folders.Make("blocked\\");
  EXPECT_TRUE(folders.MayExist("blocked\\", "f"));
}

TEST_F(ExportFoldersTest, ExportFileEndsWithTheStoredAttributes) {
  struct Case {
    uint32_t attributes;
    bool read_only;
  };
  for (const Case& c :
       std::vector<Case>{{0x20, false}, {0x21, true}, {0x00, false}, {0x01, true}}) {
    SCOPED_TRACE(c.attributes);
    const std::string path = Path("f" + std::to_string(c.attributes));
    {
      TDiskFileStream file(path, TDiskFileMode::kCreate);
      file.WriteBuffer("abc", 3);
      FinishExportFile(file, c.attributes);
    }
    EXPECT_EQ(ReadAll(path), "abc");
    const uint32_t shown = platform::GetFileAttributes(path);
    EXPECT_EQ((shown & platform::kFileAttributeReadOnly) != 0, c.read_only);
    platform::SetFileAttributes(path, 0);
  }
  // A file that cannot be created raises the platform's message.
  try {
    TDiskFileStream file(Path("missing") + platform::PathDelimiter() + "f", TDiskFileMode::kCreate);
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + Path("missing"), 0), 0u)
        << e.what();
  }
}

}  // namespace
}  // namespace vor
