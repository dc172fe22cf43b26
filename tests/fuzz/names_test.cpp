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
                        Case{"bell\x07", "bell\\x07"}, Case{"del\x7f", "del\\x7F"},
                        Case{"caf\xe9\n", "caf\xc3\xa9\\x0A"}}) {
    EXPECT_EQ(c.shown, codec.Display(c.stored)) << c.shown;
  }
}

TEST(NameDisplay, ComponentsOverFullDiskLengthAreRefused) {
  EXPECT_TRUE(IsValidStoredName(std::string(255, 'n'), nullptr));
  std::string why;
  EXPECT_FALSE(IsValidStoredName(std::string(256, 'n'), &why));
  EXPECT_EQ("it is longer than 255 bytes", why);
}

}  // namespace
}  // namespace vor::coffer
