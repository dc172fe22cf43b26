#include "common/result_code.h"

#include <gtest/gtest.h>

namespace vor {
namespace {

// The numbers are the engine's interface: callers and stored expectations
// compare against them, so each name keeps its number, and each number
// means one kind of failure.
TEST(ResultCodeTest, EachCodeKeepsItsNumberAndMapsToItsKind) {
  struct Case {
    CofferResult code;
    int32_t number;
    ErrorKind kind;
  };
  const Case cases[] = {
      {kResultOk, 0, ErrorKind::kGeneral},
      {kFileNotFound, -1, ErrorKind::kNotFound},
      {kSearchFolderNotFound, -2, ErrorKind::kNotFound},
      {kSearchClosed, -4, ErrorKind::kMisuse},
      {kSearchNoMore, -5, ErrorKind::kNotFound},
      {kInvalidHandle, -6, ErrorKind::kMisuse},
      {kPageReadHeaderError, -7, ErrorKind::kDamaged},
      {kPageWriteHeaderError, -8, ErrorKind::kIo},
      {kPageReadDataError, -9, ErrorKind::kDamaged},
      {kPageWriteDataError, -10, ErrorKind::kIo},
      {kPageChecksumError, -11, ErrorKind::kDamaged},
      {kPageDecodeError, -12, ErrorKind::kDamaged},
      {kPageEncodeError, -13, ErrorKind::kMisuse},
      {kPageTypeError, -14, ErrorKind::kDamaged},
      {kFileInUse, -16, ErrorKind::kInUse},
      {kNoFreePagesError, -17, ErrorKind::kDiskFull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    EXPECT_EQ(static_cast<int32_t>(c.code), c.number);
    EXPECT_EQ(KindOfResult(c.code), c.kind);
  }
  // Numbers that are no result code name no failure of their own.
  for (int32_t other : {-3, -15, -18, 1, 4096}) {
    EXPECT_EQ(KindOfResult(other), ErrorKind::kGeneral) << other;
  }
}

}  // namespace
}  // namespace vor
