// The installer's command line: switches, the destination that takes the
// rest of the line, quoting, and every refusal with its kind.
#include "installer/engine/command_line.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

TEST(CommandLine, AcceptedLines) {
  struct Case {
    const char* line;
    bool silent;
    bool uninstall;
    const char* dest;  // nullptr: no /D=
    UserScope users;
    bool no_desktop;
    bool no_quick;
    bool launch;
    const char* log;
  };
  const UserScope kDef = UserScope::kDefault;
  const Case cases[] = {
      {"", false, false, nullptr, kDef, false, false, false, ""},
      {"   \t ", false, false, nullptr, kDef, false, false, false, ""},
      {"/S", true, false, nullptr, kDef, false, false, false, ""},
      {"/s /nodesktop /NoQuickLaunch /launch", true, false, nullptr, kDef, true, true, true, ""},
      {"/S /D=C:\\Apps\\T X", true, false, "C:\\Apps\\T X", kDef, false, false, false, ""},
      // /D= takes everything after it, switches included, as a folder name.
      {"/d=C:\\a b /S  ", false, false, "C:\\a b /S", kDef, false, false, false, ""},
      {"/D=\"C:\\Program Files\\X\"", false, false, "C:\\Program Files\\X", kDef, false, false,
       false, ""},
      {"\"/D=C:\\q r\" /S", true, false, "C:\\q r", kDef, false, false, false, ""},
      {"/ALLUSERS /allusers", false, false, nullptr, UserScope::kAllUsers, false, false, false, ""},
      {"/CurrentUser", false, false, nullptr, UserScope::kCurrentUser, false, false, false, ""},
      {"/LOG=\"C:\\My Logs\\s.txt\" /S", true, false, nullptr, kDef, false, false, false,
       "C:\\My Logs\\s.txt"},
      {"\"/log=C:\\My Logs\\s.txt\"", false, false, nullptr, kDef, false, false, false,
       "C:\\My Logs\\s.txt"},
      {"/U /S /LOG=u.txt", true, true, nullptr, kDef, false, false, false, "u.txt"},
      {"/u", false, true, nullptr, kDef, false, false, false, ""},
      {"/U /S /D=C:\\Apps\\T X", true, true, "C:\\Apps\\T X", kDef, false, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const InstallerCommandLine r = ParseCommandLine(c.line);
    EXPECT_EQ(r.silent, c.silent);
    EXPECT_EQ(r.uninstall, c.uninstall);
    EXPECT_EQ(r.has_dest_dir, c.dest != nullptr);
    EXPECT_EQ(r.dest_dir, c.dest != nullptr ? c.dest : "");
    EXPECT_EQ(r.users, c.users);
    EXPECT_EQ(r.no_desktop, c.no_desktop);
    EXPECT_EQ(r.no_quick_launch, c.no_quick);
    EXPECT_EQ(r.launch, c.launch);
    EXPECT_EQ(r.log_file, c.log);
  }
}

// The unattended run's two asks: open Postexec, install over another
// folder's installation. Neither is on unless named.
TEST(CommandLine, PostexecAndForceAreOffUnlessGiven) {
  const struct {
    const char* line;
    bool post_exec;
    bool force;
  } cases[] = {
      {"/S /D=C:\\a", false, false},
      {"/S /postexec /D=C:\\a", true, false},
      {"/S /Force /POSTEXEC", true, true},
      {"/S /D=C:\\a /FORCE", false, false},  // part of the folder's name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const InstallerCommandLine r = ParseCommandLine(c.line);
    EXPECT_EQ(r.post_exec, c.post_exec);
    EXPECT_EQ(r.force, c.force);
  }
}

TEST(CommandLine, RefusedLines) {
  struct Case {
    const char* line;
    CommandLineErrorKind kind;
    const char* first_line;
    bool silent = false;
  };
  const Case cases[] = {
      {"/X", CommandLineErrorKind::kUnknownSwitch, "Unknown switch: /X"},
      {"/S /SILENT", CommandLineErrorKind::kUnknownSwitch, "Unknown switch: /SILENT", true},
      {"setup", CommandLineErrorKind::kUnknownSwitch, "Unknown switch: setup"},
      {"-S", CommandLineErrorKind::kUnknownSwitch, "Unknown switch: -S"},
      {"/S/D=x", CommandLineErrorKind::kUnknownSwitch, "Unknown switch: /S/D=x", false},
      {"/D=", CommandLineErrorKind::kMissingValue, "The switch /D= needs a folder"},
      {"/D=   ", CommandLineErrorKind::kMissingValue, "The switch /D= needs a folder"},
      {"/D", CommandLineErrorKind::kMissingValue, "The switch /D needs =<value>"},
      {"/LOG=", CommandLineErrorKind::kMissingValue, "The switch /LOG= needs a file"},
      {"/log", CommandLineErrorKind::kMissingValue, "The switch /log needs =<value>"},
      {"/LOG=a /S /LOG=b", CommandLineErrorKind::kRepeated,
       "The switch /LOG= is given more than once", true},
      {"\"/D=a\" /D=b", CommandLineErrorKind::kRepeated, "The switch /D= is given more than once"},
      {"/ALLUSERS /CURRENTUSER", CommandLineErrorKind::kConflict,
       "The switches /ALLUSERS and /CURRENTUSER cannot be used together"},
      {"/U /s /CURRENTUSER", CommandLineErrorKind::kConflict,
       "The switch /U cannot be used with /CURRENTUSER", true},
      {"/U /LAUNCH", CommandLineErrorKind::kConflict, "The switch /U cannot be used with /LAUNCH"},
      {"/U /nodesktop", CommandLineErrorKind::kConflict,
       "The switch /U cannot be used with /NODESKTOP"},
      {"/U /S /POSTEXEC", CommandLineErrorKind::kConflict,
       "The switch /U cannot be used with /POSTEXEC", true},
      {"/U /force", CommandLineErrorKind::kConflict, "The switch /U cannot be used with /FORCE"},
      {"/S /?", CommandLineErrorKind::kHelp, "Switches of the installer", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    try {
      ParseCommandLine(c.line);
      ADD_FAILURE() << "accepted";
    } catch (const ECommandLineError& e) {
      EXPECT_EQ(e.Kind(), c.kind);
      EXPECT_EQ(e.Silent(), c.silent);  // /S among the words: no window for the refusal
      // The refusal, a blank line, then the list of switches.
      EXPECT_EQ(std::string(e.what()), std::string(c.first_line) + "\r\r" + UsageText());
    }
  }
}

TEST(CommandLine, UsageListsEverySwitch) {
  const std::string usage = UsageText();
  for (const char* s : {"/S", "/D=<folder>", "/ALLUSERS", "/CURRENTUSER", "/NODESKTOP",
                        "/NOQUICKLAUNCH", "/LAUNCH", "/POSTEXEC", "/FORCE", "/LOG=<file>", "/U"}) {
    EXPECT_NE(usage.find(s), std::string::npos) << s;
  }
  EXPECT_EQ(usage.find('\n'), std::string::npos);  // message-box line breaks only
}

TEST(CommandLine, RelaunchedUninstallerGetsTheSameSwitchesAndTheFolder) {
  for (const char* line : {"/U", "/u /s", "/U /LOG=\"C:\\My Logs\\u.txt\" /S"}) {
    SCOPED_TRACE(line);
    const InstallerCommandLine original = ParseCommandLine(line);
    const InstallerCommandLine copy =
        ParseCommandLine(UninstallRelaunchArguments(original, "C:\\Apps\\T X"));
    EXPECT_TRUE(copy.uninstall);
    EXPECT_EQ(copy.silent, original.silent);
    EXPECT_EQ(copy.log_file, original.log_file);
    EXPECT_TRUE(copy.has_dest_dir);
    EXPECT_EQ(copy.dest_dir, "C:\\Apps\\T X");
  }
}

TEST(CommandLine, ArgumentsAfterTheProgramName) {
  const struct {
    const char* whole;
    const char* arguments;
  } cases[] = {
      {"setup.exe /S /D=C:\\a b", "/S /D=C:\\a b"},
      {"\"C:\\Down loads\\setup.exe\" /S", "/S"},
      {"  \"C:\\x y\\setup.exe\"/S", "/S"},
      {"setup.exe", ""},
      {"\"C:\\unterminated", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandLineArguments(c.whole), c.arguments) << c.whole;
}

}  // namespace
}  // namespace vor
