// Registration of server libraries with the test libraries built beside the
// test program, and the folder helpers, on a temporary folder.
#include "shell/server_registration.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdio>

#include "platform/com_result.h"
#include "platform/platform_error.h"
#include "platform/test_temp_dir.h"
#include "shell/scoped_environment.h"
#include "shell/shell_errors.h"
#include "shell/shell_misc.h"

namespace vor {
namespace {

using testing::ScopedEnvironment;
using testing::TempDirTest;

class ServerRegistrationTest : public TempDirTest {
 protected:
  // A copy of a test library in the temporary folder, so that what it
  // writes next to itself lands there.
  std::string CopyLibrary(const char* name) {
    const std::string bytes = ReadAll(TShellMisc::GetExeFolder() + name);
    EXPECT_FALSE(bytes.empty()) << name;
    const std::string copy = Path(name);
    EXPECT_TRUE(WriteAll(copy, bytes));
    return copy;
  }
};

TEST_F(ServerRegistrationTest, RegistersAndUnloads) {
  const std::string server = CopyLibrary(VOR_TEST_SERVER_NAME);
  ASSERT_NO_THROW(RegisterServerLibrary(server));
  EXPECT_EQ(ReadAll(server + ".registered"), "registered");
  // A library still loaded could not be deleted on Windows.
  EXPECT_TRUE(platform::DeleteFile(server));
}

TEST_F(ServerRegistrationTest, UnregistrationCallsItsOwnEntry) {
  const std::string server = CopyLibrary(VOR_TEST_SERVER_NAME);
  ASSERT_NO_THROW(UnregisterServerLibrary(server));
  EXPECT_EQ(ReadAll(server + ".unregistered"), "unregistered");
  EXPECT_FALSE(platform::FileExists(server + ".registered"));
  {
    ScopedEnvironment result("VOR_TEST_SERVER_RESULT", "80004005");
    try {
      UnregisterServerLibrary(server);
      ADD_FAILURE();
    } catch (const EShellCallError& e) {
      EXPECT_EQ(e.Code(), static_cast<int32_t>(0x80004005u));
    }
  }
  EXPECT_TRUE(platform::DeleteFile(server));
  const std::string library = CopyLibrary(VOR_TEST_NO_EXPORT_NAME);
  EXPECT_THROW(UnregisterServerLibrary(library), platform::EPlatformError);
  EXPECT_THROW(UnregisterServerLibrary(Path("missing.dll")), platform::EPlatformError);
  EXPECT_TRUE(platform::DeleteFile(library));
}

TEST_F(ServerRegistrationTest, FailureCodeOfTheServer) {
  const std::string server = CopyLibrary(VOR_TEST_SERVER_NAME);
  const int32_t codes[] = {static_cast<int32_t>(0x80004005u), static_cast<int32_t>(0x80070005u),
                           static_cast<int32_t>(0x8002801Cu)};
  for (const int32_t code : codes) {
    char hex[16];
    std::snprintf(hex, sizeof(hex), "%08X", static_cast<unsigned>(code));
    ScopedEnvironment result("VOR_TEST_SERVER_RESULT", hex);
    try {
      RegisterServerLibrary(server);
      ADD_FAILURE() << hex;
    } catch (const EShellCallError& e) {
      EXPECT_EQ(e.Code(), code);
      EXPECT_EQ(e.what(), platform::ResultMessage(code));
      EXPECT_NE(std::string(e.what()), "") << hex;
    }
  }
  EXPECT_FALSE(platform::FileExists(server + ".registered"));
  EXPECT_TRUE(platform::DeleteFile(server));
}

TEST_F(ServerRegistrationTest, LibraryWithoutTheExport) {
  const std::string library = CopyLibrary(VOR_TEST_NO_EXPORT_NAME);
  try {
    RegisterServerLibrary(library);
    ADD_FAILURE();
  } catch (const platform::EPlatformError& e) {
    EXPECT_NE(std::string(e.what()), "");
    // The library's name is not appended: the text is the system's own.
    EXPECT_EQ(std::string(e.what()).find(": " + library), std::string::npos) << e.what();
  }
  EXPECT_TRUE(platform::DeleteFile(library));
}

TEST_F(ServerRegistrationTest, FilesThatAreNotLibraries) {
  ASSERT_TRUE(WriteAll(Path("notes.dll"), "This is a text file, not a library.\r\n"));
  const std::string cases[] = {Path("notes.dll"), Path("missing.dll")};
  for (const std::string& name : cases) {
    try {
      RegisterServerLibrary(name);
      ADD_FAILURE() << name;
    } catch (const platform::EPlatformError& e) {
      const std::string text = e.what();
      const std::string tail = ": " + name;
      ASSERT_GT(text.size(), tail.size()) << text;
      EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
    }
  }
}

TEST_F(ServerRegistrationTest, LoadingKeepsTheFloatingPointEnvironment) {
  const std::string server = CopyLibrary(VOR_TEST_SERVER_NAME);
  ScopedEnvironment rounding("VOR_TEST_SERVER_ROUNDING", "1");
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  ASSERT_NO_THROW(RegisterServerLibrary(server));
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  std::fesetround(FE_TONEAREST);
}

class FolderPathTest : public TempDirTest {};

TEST_F(FolderPathTest, CreatesParentsFirst) {
  const std::string d(1, platform::PathDelimiter());
  ASSERT_TRUE(platform::CreateDirectory(Path("A")));
  EXPECT_TRUE(CreateFolderPath(Path("A") + d + "B" + d + "C"));
  EXPECT_TRUE(DiskFolderExists(Path("A") + d + "B"));
  EXPECT_TRUE(DiskFolderExists(Path("A") + d + "B" + d + "C"));
  // Existing folders, with or without a trailing delimiter.
  EXPECT_TRUE(CreateFolderPath(Path("A") + d + "B" + d + "C"));
  EXPECT_TRUE(CreateFolderPath(Path("A") + d));
  EXPECT_TRUE(CreateFolderPath(Path("X") + d + "Y" + d));
  EXPECT_TRUE(DiskFolderExists(Path("X") + d + "Y"));
  EXPECT_TRUE(CreateFolderPath(dir_));
}

TEST_F(FolderPathTest, FailuresAndRefusals) {
  const std::string d(1, platform::PathDelimiter());
  ASSERT_TRUE(WriteAll(Path("file"), "x"));
  EXPECT_FALSE(CreateFolderPath(Path("file")));
  EXPECT_FALSE(CreateFolderPath(Path("file") + d + "sub" + d + "deeper"));
  EXPECT_FALSE(DiskFolderExists(Path("file") + d + "sub"));
  try {
    CreateFolderPath("");
    ADD_FAILURE();
  } catch (const EShellMiscError& e) {
    EXPECT_STREQ(e.what(), "Unable to create directory");
  }
}

TEST_F(FolderPathTest, ShortRelativeNamesAreCreated) {
  const std::string old = platform::GetCurrentDirectory();
  ASSERT_TRUE(platform::SetCurrentDirectory(dir_));
  const std::string d(1, platform::PathDelimiter());
  EXPECT_TRUE(CreateFolderPath("ab"));
  EXPECT_TRUE(CreateFolderPath("c"));
  EXPECT_TRUE(CreateFolderPath("rel" + d + "x"));
  platform::SetCurrentDirectory(old);
  EXPECT_TRUE(DiskFolderExists(Path("ab")));
  EXPECT_TRUE(DiskFolderExists(Path("c")));
  EXPECT_TRUE(DiskFolderExists(Path("rel") + d + "x"));
}

TEST_F(FolderPathTest, DiskFolderExists) {
  ASSERT_TRUE(WriteAll(Path("file"), "x"));
  EXPECT_TRUE(DiskFolderExists(dir_));
  EXPECT_FALSE(DiskFolderExists(Path("file")));
  EXPECT_FALSE(DiskFolderExists(Path("missing")));
  EXPECT_FALSE(DiskFolderExists(""));
}

}  // namespace
}  // namespace vor
