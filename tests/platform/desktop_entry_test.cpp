#include "platform/desktop_entry.h"

#include <gtest/gtest.h>

namespace vor::platform {
namespace {

TEST(DesktopEntryTest, ExecArgumentQuoting) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin/app", "/usr/bin/app"},
      {"--flag=1", "--flag=1"},
      {"", "\"\""},
      {"two words", "\"two words\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"$HOME", "\"\\$HOME\""},
      {"back\\slash", "\"back\\\\slash\""},
      {"tick`", "\"tick\\`\""},
      {"it's", "\"it's\""},
      {"a;b|c&d", "\"a;b|c&d\""},
      {"~/x", "\"~/x\""},
      {"(*?#<>)", "\"(*?#<>)\""},
      {"100%", "100%%"},
      {"50% off", "\"50%% off\""},
  };
  for (const auto& [argument, quoted] : cases) {
    EXPECT_EQ(QuoteExecArgument(argument), quoted) << argument;
  }
}

TEST(DesktopEntryTest, StringEscapes) {
  EXPECT_EQ(EscapeDesktopString("plain text"), "plain text");
  EXPECT_EQ(EscapeDesktopString("a\\b\nc\td\re"), "a\\\\b\\nc\\td\\re");
  EXPECT_EQ(EscapeDesktopString(" lead"), "\\slead");
  EXPECT_EQ(EscapeDesktopString("caf\xe9 \xc3\xa9"), "caf\xe9 \xc3\xa9");
}

TEST(DesktopEntryTest, WindowsCommandLineSplitting) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"", {}},
      {"   ", {}},
      {"a b\tc", {"a", "b", "c"}},
      {"\"two words\" x", {"two words", "x"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\"", {""}},
      {"a\\\\b", {"a\\\\b"}},        // backslashes not before a quote stay
      {"a\\\"b", {"a\"b"}},          // 1 backslash + quote: a literal quote
      {"a\\\\\"b c\"", {"a\\b c"}},  // 2 backslashes + quote: one backslash, quote groups
      {"C:\\Program Files\\x", {"C:\\Program", "Files\\x"}},
  };
  for (const auto& [line, words] : cases) {
    EXPECT_EQ(SplitCommandLine(line), words) << line;
  }
}

TEST(DesktopEntryTest, WholeFile) {
  DesktopEntry entry;
  entry.name = "My App";
  entry.target = "/opt/my app/run";
  entry.arguments = "--open \"a file.txt\"";
  entry.working_directory = "/opt/my app";
  entry.icon = "/opt/my app/icon.png";
  EXPECT_EQ(FormatDesktopEntry(entry),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=My App\n"
            "Exec=\"/opt/my app/run\" --open \"a file.txt\"\n"
            "Path=/opt/my app\n"
            "Icon=/opt/my app/icon.png\n");
  // Quoting comes first, then the string escapes: a backslash inside a
  // quoted argument is written as four.
  entry.target = "/opt/a\\b";
  entry.arguments = "";
  entry.working_directory = "";
  entry.icon = "";
  EXPECT_EQ(FormatDesktopEntry(entry),
            "[Desktop Entry]\nType=Application\nName=My App\nExec=\"/opt/a\\\\\\\\b\"\n");
}

}  // namespace
}  // namespace vor::platform
