// coffer's exit code follows from the error's kind, never from its text.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "common/error.h"
#include "exit_codes.h"
#include "platform/platform_error.h"

namespace vor::coffer {
namespace {

TEST(CofferExitCodesTest, EachKindHasItsExitCode) {
  struct Case {
    ErrorKind kind;
    ExitCode exit;
  };
  const Case cases[] = {
      {ErrorKind::kGeneral, kExitFailure},
      {ErrorKind::kDamaged, kExitDamaged},
      {ErrorKind::kInUse, kExitFailure},
      {ErrorKind::kReadOnly, kExitIoError},
      {ErrorKind::kDiskFull, kExitIoError},
      {ErrorKind::kIo, kExitIoError},
      {ErrorKind::kWrongPassword, kExitWrongPassword},
      {ErrorKind::kUnfinished, kExitFailure},
      {ErrorKind::kNotFound, kExitFailure},
      {ErrorKind::kMisuse, kExitFailure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    // The same text with every kind: only the kind decides.
    EXPECT_EQ(ExitCodeOf(EVorError("unable to open file \"x\": wrong password", c.kind)), c.exit);
  }
}

TEST(CofferExitCodesTest, ToolErrorsKeepTheirCodeAndOthersFail) {
  // The tool's own error carries its exit code, and the kind that goes with it.
  struct Case {
    ExitCode code;
    ErrorKind kind;
  };
  const Case cases[] = {
      {kExitFailure, ErrorKind::kGeneral},
      {kExitUsage, ErrorKind::kMisuse},
      {kExitWrongPassword, ErrorKind::kWrongPassword},
      {kExitDamaged, ErrorKind::kDamaged},
      {kExitIoError, ErrorKind::kIo},
  };
  for (const Case& c : cases) {
    const ECofferError error(c.code, "damaged");
    EXPECT_EQ(ExitCodeOf(error), c.code);
    EXPECT_EQ(error.Kind(), c.kind);
  }
  EXPECT_EQ(ExitCodeOf(std::runtime_error("disk full")), kExitFailure);
  EXPECT_EQ(ExitCodeOf(std::bad_alloc()), kExitFailure);
}

}  // namespace
}  // namespace vor::coffer
