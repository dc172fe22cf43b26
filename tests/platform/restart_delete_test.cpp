// Deletions at the next start: a file written again after its deletion was
// requested (a reinstallation after a removal) is withdrawn from the list,
// and only that one. Where the system keeps no list the test is skipped.
#include "platform/restart_delete.h"

#include <gtest/gtest.h>

#include <string>

#include "test_temp_dir.h"

namespace vor::platform {
namespace {

class RestartDeleteTest : public vor::testing::TempDirTest {};

TEST_F(RestartDeleteTest, CancelWithdrawsOnlyTheNamedPendingDeletions) {
  const std::string kept = Path("uninstall.exe");
  const std::string other = Path("other.txt");
  ASSERT_TRUE(WriteAll(kept, "new copy"));
  ASSERT_TRUE(WriteAll(other, "still to go"));
  if (!DeleteAtRestart(kept)) GTEST_SKIP() << "this system keeps no list of deletions";
  ASSERT_TRUE(DeleteAtRestart(other));
  ASSERT_TRUE(DeleteAtRestartPending(kept));
  ASSERT_TRUE(DeleteAtRestartPending(other));

  EXPECT_TRUE(CancelDeleteAtRestart({kept, Path("never-requested.txt")}));
  EXPECT_FALSE(DeleteAtRestartPending(kept));
  EXPECT_TRUE(DeleteAtRestartPending(other));
  // Nothing pending for them any more: cancelling again changes nothing.
  EXPECT_TRUE(CancelDeleteAtRestart({kept}));
  EXPECT_TRUE(CancelDeleteAtRestart({other}));
  EXPECT_FALSE(DeleteAtRestartPending(other));
}

TEST(RestartDeleteNoListTest, NothingToCancelIsNoFailure) {
  EXPECT_TRUE(CancelDeleteAtRestart({}));
}

}  // namespace
}  // namespace vor::platform
