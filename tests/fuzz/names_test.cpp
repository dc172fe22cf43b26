// Names as coffer shows them: never a control character sent to the
// terminal as it is.
#include "names.h"

#include <gtest/gtest.h>

#include <string>

namespace vor::coffer {
namespace {

TEST(NameDisplay, ControlCharactersAreEscaped) {
  const NameCodec codec(1252);
  struct Case {
    std::string stored;
    std::string shown;
  };
  for (const Case& c : {Case{"plain.txt", "plain.txt"}, Case{"a\x1b[2Jb", "a\\x1B[2Jb"},
                        Case{"bell\x07", "bell\\x07"}, Case{"del\x7f", "del\\x7F"}}) {
    EXPECT_EQ(c.shown, codec.Display(c.stored)) << c.shown;
  }
  // A letter outside ASCII is shown in the terminal's own encoding (UTF-8 on
  // POSIX, the console code page on Windows); the control character after
  // it is still escaped.
  EXPECT_EQ(codec.Display("caf\xe9") + "\\x0A", codec.Display("caf\xe9\n"));
  EXPECT_NE(std::string::npos, codec.Display("caf\xe9").find("caf"));
}

TEST(NameDisplay, ComponentsOverFullDiskLengthAreRefused) {
  EXPECT_TRUE(IsValidStoredName(std::string(255, 'n'), nullptr));
  std::string why;
  EXPECT_FALSE(IsValidStoredName(std::string(256, 'n'), &why));
  EXPECT_EQ("it is longer than 255 bytes", why);
}

}  // namespace
}  // namespace vor::coffer
