// Transactions of TCoffer: rollback in the running process, commit, the
// journal left by a process that died, and what reading and writing opens
// make of it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/error.h"
#include "container/coffer.h"
#include "container/store/open_mode.h"
#include "container/store/rollback_journal.h"
#include "container/stream/file_stream.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "support/container_files.h"

namespace vor {
namespace {
// Read-write and shared, so that the test can look at the files meanwhile.

class CofferTransactionTest : public testing::TempDirTest {
 protected:
  std::string Name() const { return Path("t.cof"); }

  static void Store(TCoffer& coffer, const std::string& path, const std::string& content) {
    testing::StoreFile(coffer, path, content, 5);
  }
  static std::string Load(TCoffer& coffer, const std::string& path) {
    return testing::LoadFile(coffer, path);
  }

  void SetUp() override {
    TempDirTest::SetUp();
    TCoffer coffer(Name(), kOpenModeCreate, "", "", "", 5);
    Store(coffer, "\\a.txt", std::string(9000, 'a'));
    Store(coffer, "\\b.txt", std::string(100, 'b'));
  }
};

TEST_F(CofferTransactionTest, RollbackUndoesEverythingAndTheContainerGoesOn) {
  const std::string before = ReadAll(Name());
  {
    TCoffer coffer(Name(), kOpenModeReadWrite, "", "", "", 0);
    coffer.BeginTransaction();
    Store(coffer, "\\a.txt", std::string(20000, 'x'));  // replaces the old one
    ASSERT_TRUE(coffer.DeleteFile("\\b.txt"));
    ASSERT_GE(coffer.CreateFolder("\\new\\folder"), 0);
    Store(coffer, "\\new\\c.txt", std::string(50000, 'c'));
    EXPECT_TRUE(TRollbackJournal::Exists(Name()));
    coffer.Rollback();
    EXPECT_FALSE(TRollbackJournal::Exists(Name()));
    EXPECT_TRUE(before == ReadAll(Name()));
    // The directory and maps were read again: the old state is what shows.
    EXPECT_EQ(std::string(9000, 'a'), Load(coffer, "\\a.txt"));
    EXPECT_EQ(std::string(100, 'b'), Load(coffer, "\\b.txt"));
    EXPECT_FALSE(coffer.FolderExists("\\new"));
    // And the container takes further changes.
    coffer.BeginTransaction();
    Store(coffer, "\\d.txt", "after the rollback");
    coffer.Commit();
  }
  TCoffer reopened(Name(), kOpenModeRead, "", "", "", 0);
  EXPECT_EQ("after the rollback", Load(reopened, "\\d.txt"));
  EXPECT_EQ(std::string(9000, 'a'), Load(reopened, "\\a.txt"));
}

TEST_F(CofferTransactionTest, DestroyingWithoutCommitRollsBackImplicitChangesAreKept) {
  const std::string before = ReadAll(Name());
  {
    TCoffer coffer(Name(), kOpenModeExclusiveReadWrite, "", "", "", 0);
    coffer.BeginTransaction();
    ASSERT_TRUE(coffer.DeleteFile("\\a.txt"));
    EXPECT_THROW(coffer.BeginTransaction(), EVorError);
  }
  EXPECT_TRUE(before == ReadAll(Name()));
  {
    TCoffer coffer(Name(), kOpenModeExclusiveReadWrite, "", "", "", 0);
    ASSERT_TRUE(coffer.DeleteFile("\\a.txt"));  // no transaction begun: kept on close
  }
  EXPECT_FALSE(TRollbackJournal::Exists(Name()));
  TCoffer reopened(Name(), kOpenModeRead, "", "", "", 0);
  EXPECT_FALSE(reopened.FileExists("\\a.txt"));
}

TEST_F(CofferTransactionTest, JournalLeftBehindIsRefusedForReadingAndPlayedBackForWriting) {
  const std::string before = ReadAll(Name());
  // A process that died in the middle: the container changed, its journal
  // still there (the files as they were at that moment).
  std::string changed;
  std::string journal;
  {
    TCoffer coffer(Name(), kOpenModeReadWrite, "", "", "", 0);
    coffer.BeginTransaction();
    Store(coffer, "\\a.txt", std::string(30000, 'z'));
    ASSERT_TRUE(coffer.DeleteFile("\\b.txt"));
    changed = ReadAll(Name());
    journal = ReadAll(TRollbackJournal::PathFor(Name()));
    coffer.Commit();
  }
  ASSERT_NE(before, changed);
  ASSERT_TRUE(WriteAll(Name(), changed));
  ASSERT_TRUE(WriteAll(TRollbackJournal::PathFor(Name()), journal));

  try {
    TCoffer reader(Name(), kOpenModeRead, "", "", "", 0);
    ADD_FAILURE() << "a container with an unfinished change was opened for reading";
  } catch (const EVorError& e) {
    EXPECT_EQ(ErrorKind::kUnfinished, e.Kind());
    EXPECT_NE(std::string::npos, std::string(e.what()).find("'" + Name() + "-journal'"));
  }
  EXPECT_TRUE(changed == ReadAll(Name()));

  { TCoffer writer(Name(), kOpenModeExclusiveReadWrite, "", "", "", 0); }
  EXPECT_FALSE(TRollbackJournal::Exists(Name()));
  EXPECT_TRUE(before == ReadAll(Name()));
}

}  // namespace
}  // namespace vor
