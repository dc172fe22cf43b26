// A journal left by a process that died is played back only when it can be
// trusted whole: its header verifies, it names this container in a state
// its change could have left, and every entry verifies. Anything else is
// refused with kDamaged, the journal kept and the container untouched, for
// reading and for writing alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/coding.h"
#include "common/error.h"
#include "container/coffer.h"
#include "container/store/open_mode.h"
#include "container/store/page_file.h"
#include "container/store/rollback_journal.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "support/container_files.h"

namespace vor {
namespace {

class JournalTrustTest : public testing::TempDirTest {
 protected:
  std::string Name() const { return Path("t.cof"); }
  std::string Journal() const { return TRollbackJournal::PathFor(Name()); }

  static void Store(TCoffer& coffer, const std::string& path, const std::string& content) {
    testing::StoreFile(coffer, path, content, 5);
  }

  // A container with two files; then a change that overwrites a.txt and
  // deletes b.txt, caught on disk in the middle (header written, journal
  // there) as a process that died would leave it.
  void SetUp() override {
    TempDirTest::SetUp();
    {
      TCoffer coffer(Name(), kOpenModeCreate, "", "", "", 5);
      Store(coffer, "\\a.txt", std::string(30000, 'a'));
      Store(coffer, "\\b.txt", std::string(100, 'b'));
    }
    before_ = ReadAll(Name());
    {
      TCoffer coffer(Name(), kOpenModeReadWrite, "", "", "", 0);
      coffer.BeginTransaction();
      Store(coffer, "\\a.txt", std::string(30000, 'z'));
      ASSERT_TRUE(coffer.DeleteFile("\\b.txt"));
      ASSERT_TRUE(coffer.PageFile().Flush());  // the header is written too
      changed_ = ReadAll(Name());
      journal_ = ReadAll(Journal());
      coffer.Rollback();
    }
    ASSERT_TRUE(before_ == ReadAll(Name()));
    ASSERT_NE(before_, changed_);
    // The header's size: fixed fields, the part name with its length, CRC.
    header_size_ = 44 + 2 + 5 + 4;
    ASSERT_GT(journal_.size(), header_size_);
  }

  // Puts the crashed state back with journal as the journal file.
  void Crash(const std::string& journal) {
    ASSERT_TRUE(WriteAll(Name(), changed_));
    ASSERT_TRUE(WriteAll(Journal(), journal));
  }

  // Opening for reading and for writing both refuse with kDamaged, naming
  // the journal; the container and the journal stay as they are.
  void ExpectRefused(const std::string& container, const std::string& journal) {
    const std::string container_bytes = ReadAll(container);
    const std::string journal_bytes = ReadAll(TRollbackJournal::PathFor(container));
    for (uint16_t mode : {kOpenModeRead, kOpenModeExclusiveReadWrite}) {
      SCOPED_TRACE(mode);
      try {
        TCoffer coffer(container, mode, "", "", "", 0);
        ADD_FAILURE() << "opened with an untrusted journal";
      } catch (const EVorError& e) {
        EXPECT_EQ(ErrorKind::kDamaged, e.Kind()) << e.what();
        EXPECT_NE(std::string::npos, std::string(e.what()).find(journal)) << e.what();
      }
      EXPECT_TRUE(container_bytes == ReadAll(container));
      EXPECT_TRUE(journal_bytes == ReadAll(TRollbackJournal::PathFor(container)));
    }
  }

  std::string before_;
  std::string changed_;
  std::string journal_;
  size_t header_size_ = 0;
};

TEST_F(JournalTrustTest, SoundJournalIsPlayedBackWholeAndThenDeleted) {
  Crash(journal_);
  try {
    TCoffer reader(Name(), kOpenModeRead, "", "", "", 0);
    ADD_FAILURE() << "read with an unfinished change";
  } catch (const EVorError& e) {
    EXPECT_EQ(ErrorKind::kUnfinished, e.Kind());
  }
  { TCoffer writer(Name(), kOpenModeExclusiveReadWrite, "", "", "", 0); }
  EXPECT_FALSE(TRollbackJournal::Exists(Name()));
  EXPECT_TRUE(before_ == ReadAll(Name()));
}

TEST_F(JournalTrustTest, DamagedHeaderIsRefusedAndKept) {
  // Every header byte flipped, and the journal cut at every header length.
  for (size_t i = 0; i < header_size_; ++i) {
    SCOPED_TRACE("flip " + std::to_string(i));
    std::string flipped = journal_;
    flipped[i] = static_cast<char>(flipped[i] ^ 0x10);
    Crash(flipped);
    ExpectRefused(Name(), Journal());
  }
  for (size_t cut = 0; cut < header_size_; ++cut) {
    SCOPED_TRACE("cut " + std::to_string(cut));
    Crash(journal_.substr(0, cut));
    ExpectRefused(Name(), Journal());
  }
}

TEST_F(JournalTrustTest, DamagedEntryIsRefusedBeforeAnythingIsRestored) {
  // Each entry's tag, length, first and last byte of its bytes and its
  // checksum.
  std::vector<size_t> spots;
  for (size_t at = header_size_; at + 12 <= journal_.size();) {
    const uint32_t length =
        DecodeFixed32(reinterpret_cast<const uint8_t*>(journal_.data()) + at + 4);
    spots.insert(spots.end(), {at, at + 4, at + 8, at + 7 + length, at + 8 + length + 3});
    at += 12 + length;
  }
  ASSERT_GE(spots.size(), 15u);  // a few pages and the header written
  for (size_t spot : spots) {
    SCOPED_TRACE("flip " + std::to_string(spot));
    std::string flipped = journal_;
    flipped[spot] = static_cast<char>(flipped[spot] ^ 0x01);
    Crash(flipped);
    ExpectRefused(Name(), Journal());
  }
}

TEST_F(JournalTrustTest, JournalOfAnotherContainerIsRefused) {
  // The same change's journal beside another container: one of another name,
  // and one of the same name in another folder whose content differs.
  const std::string other = Path("d.cof");
  {
    TCoffer coffer(other, kOpenModeCreate, "", "", "", 5);
    Store(coffer, "\\d.txt", std::string(5000, 'd'));
  }
  ASSERT_TRUE(WriteAll(TRollbackJournal::PathFor(other), journal_));
  ExpectRefused(other, TRollbackJournal::PathFor(other));

  const std::string folder = Path("sub");
  ASSERT_TRUE(platform::CreateDirectory(folder));
  const std::string twin = folder + platform::PathDelimiter() + "t.cof";
  {
    TCoffer coffer(twin, kOpenModeCreate, "", "", "", 5);
    Store(coffer, "\\a.txt", std::string(30000, 'a'));
    Store(coffer, "\\c.txt", std::string(700, 'c'));
    Store(coffer, "\\e.txt", std::string(700, 'e'));
  }
  ASSERT_TRUE(WriteAll(TRollbackJournal::PathFor(twin), journal_));
  ExpectRefused(twin, TRollbackJournal::PathFor(twin));
}

TEST_F(JournalTrustTest, StaleJournalOfTheSameContainerIsRefused) {
  // The crash is recovered, later changes are committed, and the old
  // journal is put back: playing it would undo finished changes.
  Crash(journal_);
  { TCoffer writer(Name(), kOpenModeExclusiveReadWrite, "", "", "", 0); }
  ASSERT_TRUE(before_ == ReadAll(Name()));
  {
    TCoffer coffer(Name(), kOpenModeExclusiveReadWrite, "", "", "", 0);
    coffer.BeginTransaction();
    Store(coffer, "\\later.txt", "a finished change");
    coffer.Commit();
  }
  ASSERT_TRUE(WriteAll(Journal(), journal_));
  ExpectRefused(Name(), Journal());
  ASSERT_TRUE(platform::DeleteFile(Journal()));
  TCoffer reader(Name(), kOpenModeRead, "", "", "", 0);
  EXPECT_EQ("a finished change", testing::LoadFile(reader, "\\later.txt"));
}

}  // namespace
}  // namespace vor
