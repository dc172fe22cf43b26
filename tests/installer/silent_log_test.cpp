// The unattended run's log: messages as CR LF lines, the first failure's
// exit code, and a log file that cannot be written.
#include "installer/engine/silent_log.h"

#include <gtest/gtest.h>

#include "installer/engine/command_line.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

class SilentLogTest : public testing::TempDirTest {};

TEST_F(SilentLogTest, MessagesWrittenAsTheyComeAndTheFirstFailureDecides) {
  SilentLog log(Path("setup.log"));
  EXPECT_EQ(log.ExitCode(), kExitInstalled);
  log.Add("The desktop icon could not be created\r\rAccess is denied.", kExitInstalled);
  EXPECT_EQ(ReadAll(Path("setup.log")),
            "The desktop icon could not be created\r\n\r\nAccess is denied.\r\n");
  EXPECT_EQ(log.ExitCode(), kExitInstalled);
  // A step is a line of the file in its place, but no message and no failure.
  log.Step("Shortcut x.lnk: created");
  EXPECT_EQ(log.ExitCode(), kExitInstalled);
  log.Add("There was an error in the file copy.", kExitCopyError);
  log.Add("Cannot create file x\\install.log", kExitLogWriteError);
  EXPECT_EQ(log.ExitCode(), kExitCopyError);
  EXPECT_EQ(ReadAll(Path("setup.log")),
            "The desktop icon could not be created\r\n\r\nAccess is denied.\r\n"
            "Shortcut x.lnk: created\r\n"
            "There was an error in the file copy.\r\n"
            "Cannot create file x\\install.log\r\n");
  EXPECT_EQ(log.Messages().size(), 3u);
}

TEST_F(SilentLogTest, UnwritableLogFileEndsACleanRunWithItsCode) {
  SilentLog log(Path("missing") + platform::PathDelimiter() + "setup.log");
  log.Add("note", kExitInstalled);
  EXPECT_EQ(log.ExitCode(), kExitLogWriteError);
  // A failure of the run itself still names the cause.
  SilentLog failed(Path("missing") + platform::PathDelimiter() + "setup.log");
  failed.Add("copy", kExitCopyError);
  EXPECT_EQ(failed.ExitCode(), kExitCopyError);
  // Without /LOG nothing is written and nothing fails.
  SilentLog quiet("");
  quiet.Add("note", kExitInstalled);
  EXPECT_EQ(quiet.ExitCode(), kExitInstalled);
}

TEST(SilentLogLines, LineBreaksBecomeCrLf) {
  const struct {
    const char* message;
    const char* lines;
  } cases[] = {
      {"", "\r\n"},           {"a", "a\r\n"},           {"a\rb", "a\r\nb\r\n"},
      {"a\nb", "a\r\nb\r\n"}, {"a\r\nb", "a\r\nb\r\n"}, {"a\r\rb", "a\r\n\r\nb\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(LogLines(c.message), c.lines) << c.message;
}

}  // namespace
}  // namespace vor
