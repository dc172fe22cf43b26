// The text of the default error report.
#include "installer/engine/error_text.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

TEST(DefaultErrorReport, FullStopOnlyAfterCharactersSortingAfterThePoint) {
  struct Case {
    const char* message;
    const char* shown;
  };
  const Case cases[] = {
      {"Cannot create file C:\\x\\install.log", "Cannot create file C:\\x\\install.log."},
      {"pageNo = 17", "pageNo = 17."},
      {"Already a sentence.", "Already a sentence."},
      {"Stop!", "Stop!"},
      {"quoted 'name'", "quoted 'name'"},
      {"(in brackets)", "(in brackets)"},
      {"ends with a comma,", "ends with a comma,"},
      {"ends with a hyphen -", "ends with a hyphen -"},
      {"a slash /", "a slash /."},
      {"what?", "what?."},
      {"line break\r", "line break\r"},
      {"accented \xE9", "accented \xE9."},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DefaultErrorReportText(c.message), c.shown) << c.message;
  }
}

}  // namespace
}  // namespace vor
