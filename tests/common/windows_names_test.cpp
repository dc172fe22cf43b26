// The one rule for the names Windows takes: one row per case of the table
// in common/windows_names.h.
#include "common/windows_names.h"

#include <gtest/gtest.h>

#include <string>

namespace vor {
namespace {

TEST(WindowsNames, EveryCaseOfTheRule) {
  using F = WindowsNameFault;
  struct Case {
    std::string name;
    WindowsNameFault fault;
  };
  const Case cases[] = {
      {"a.txt", F::kNone},
      {"read me.txt", F::kNone},
      {".profile", F::kNone},
      {"console.txt", F::kNone},  // only the whole part before the dot counts
      {"com10", F::kNone},
      {"lpt0", F::kNone},
      {"CONIN", F::kNone},
      {std::string(255, 'n'), F::kNone},
      {"", F::kEmpty},
      {".", F::kDotName},
      {"..", F::kDotName},
      {std::string(256, 'n'), F::kTooLong},
      {"tab\there", F::kControlCharacter},
      {std::string("x\x1f"), F::kControlCharacter},
      {"a<b", F::kReservedCharacter},
      {"a>b", F::kReservedCharacter},
      {"C:x", F::kReservedCharacter},
      {"say\"hi\"", F::kReservedCharacter},
      {"a/b", F::kReservedCharacter},
      {"a\\b", F::kReservedCharacter},
      {"a|b", F::kReservedCharacter},
      {"what?", F::kReservedCharacter},
      {"*.*", F::kReservedCharacter},
      {"x.", F::kTrailingDotOrBlank},
      {"x ", F::kTrailingDotOrBlank},
      {"...", F::kTrailingDotOrBlank},
      {"CON", F::kDeviceName},
      {"prn.txt", F::kDeviceName},
      {"Aux.h", F::kDeviceName},
      {"nul", F::kDeviceName},
      {"aux .log", F::kDeviceName},  // blanks before the dot are ignored
      {"CONIN$", F::kDeviceName},
      {"conout$.txt", F::kDeviceName},
      {"COM1", F::kDeviceName},
      {"lpt9.dat", F::kDeviceName},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size() > 40 ? std::to_string(c.name.size()) + " bytes" : c.name);
    EXPECT_EQ(CheckWindowsName(c.name), c.fault);
    EXPECT_EQ(IsWindowsDeviceName(c.name), c.fault == F::kDeviceName);
  }
}

}  // namespace
}  // namespace vor
