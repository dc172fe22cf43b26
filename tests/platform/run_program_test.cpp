// Running another program, and the library search: what the installer
// program and vorpack ask of the system besides files.
#include "platform/run_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/library_search.h"

namespace vor::testing {
namespace {

bool OnWindows() { return platform::PathDelimiter() == '\\'; }

// A command of the system's shell that ends with exit code `code` after
// checking that it got the argument `want` whole.
platform::ProgramRun RunShell(const std::string& want, int code) {
  if (OnWindows()) {
    return platform::RunProgram("cmd.exe", {"/c", "exit " + std::to_string(code)});
  }
  return platform::RunProgram(
      "sh", {"-c", "[ \"$1\" = '" + want + "' ] && exit " + std::to_string(code) + "; exit 99",
             "sh", want});
}

TEST(RunProgram, ExitCodesArgumentsAndMissingPrograms) {
  for (const int code : {0, 3}) {
    const platform::ProgramRun run = RunShell("a b \"c\"", code);
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exit_code, code);
  }
  const platform::ProgramRun missing = platform::RunProgram("no-such-program-here", {});
  EXPECT_FALSE(missing.started);
  EXPECT_TRUE(missing.not_found);
  EXPECT_FALSE(missing.error.empty());
}

TEST(LibrarySearch, NarrowedAndSystemPaths) {
  const platform::LibrarySearch search = platform::RestrictLibrarySearch();
  const std::string path = platform::SystemLibraryPath("riched20.dll");
  if (OnWindows()) {
    EXPECT_NE(search, platform::LibrarySearch::kUnchanged);
    ASSERT_GT(path.size(), 13u);
    EXPECT_EQ(path.substr(path.size() - 13), "\\riched20.dll");
    EXPECT_TRUE(platform::FileExists(path)) << path;
  } else {
    EXPECT_EQ(search, platform::LibrarySearch::kUnchanged);
    EXPECT_EQ(path, "riched20.dll");
  }
}

}  // namespace
}  // namespace vor::testing
