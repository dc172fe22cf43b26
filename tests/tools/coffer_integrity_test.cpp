// Damage that passes the lower checks: a zeroed page (its checksum is valid,
// its type 0 is not what its reader expects) and directory records with
// names no writer makes. Each must end check, list and extract with exit
// code 4 and a message that names it, never with a crash or a silent
// success.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "args.h"
#include "commands.h"
#include "container/coffer.h"
#include "container/store/allocation_maps.h"
#include "container/store/collation.h"
#include "container/store/dir_manager.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "container/store/rollback_journal.h"
#include "container/volume/volume_header.h"
#include "exit_codes.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "session.h"
#include "support/container_files.h"

namespace vor {
namespace {

struct ToolResult {
  int code = 0;
  std::string message;  // the text of the error that ended the command
};

// Runs one coffer command in this process, as the command line would.
ToolResult RunTool(const std::vector<std::string>& words) {
  std::vector<std::string> argv = {"coffer"};
  argv.insert(argv.end(), words.begin(), words.end());
  argv.push_back("--no-progress");
  ToolResult result;
  std::fflush(stdout);
  try {
    const coffer::ParsedArgs args = coffer::ParseArgs(argv);
    InitCollation();
    coffer::Session session(args);
    using Runner = int (*)(coffer::Session&);
    const std::map<std::string, Runner> commands = {
        {"list", coffer::RunList},   {"extract", coffer::RunExtract},
        {"check", coffer::RunCheck}, {"mkdir", coffer::RunMkdir},
        {"cat", coffer::RunCat},     {"recover", coffer::RunRecover},
    };
    result.code = commands.at(args.command)(session);
  } catch (const std::exception& e) {
    result.code = coffer::ExitCodeOf(e);
    result.message = e.what();
  }
  return result;
}

class CofferIntegrityTest : public testing::TempDirTest {
 protected:
  std::string Name() const { return Path("z.cof"); }
};

// ------------------------------------------------------------ zeroed pages

TEST_F(CofferIntegrityTest, ZeroedPageOfEachTypeIsDamageForCheckAndEveryReader) {
  {
    TCoffer coffer(Name(), kOpenModeCreate, "", "", "", 0);
    ASSERT_GE(coffer.CreateFolder("\\d"), 0);
    // Several data pages, stored as they are.
    std::string content(30000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7919 >> 3);
    testing::StoreFile(coffer, "\\d\\f.bin", content, 0);
  }
  // The first page of each type, and where the pages begin in the file.
  std::map<int, int32_t> first_of_type;
  int64_t data_start = 0;
  int32_t page_size = 0;
  {
    TPageFileManager pf(Name(), kOpenModeRead, "", "", "", false, 4096, 8, -1);
    page_size = pf.Header().PageSize;
    data_start = pf.Store()->HeaderOffset() + static_cast<int64_t>(kVolumeHeaderSize);
    TPageRecord page;
    for (int32_t p = 1; p < pf.Header().FilePageCount; ++p) {
      ASSERT_TRUE(pf.ReadPage(page, p, 0));
      first_of_type.emplace(page.PageType, p);
    }
  }
  const std::string good = ReadAll(Name());
  ASSERT_EQ(0, RunTool({"check", Name()}).code);
  for (int type :
       {PageTypeDIR, PageTypeGAM, PageTypeSGAM, PageTypePFS, PageTypeUFPM, PageTypeData}) {
    SCOPED_TRACE(type);
    ASSERT_EQ(1u, first_of_type.count(type));
    const int32_t p = first_of_type[type];
    std::string zeroed = good;
    zeroed.replace(static_cast<size_t>(data_start + static_cast<int64_t>(p) * page_size),
                   static_cast<size_t>(page_size), static_cast<size_t>(page_size), '\0');
    ASSERT_TRUE(WriteAll(Name(), zeroed));
    EXPECT_EQ(coffer::kExitDamaged, RunTool({"check", Name()}).code);
    EXPECT_EQ(coffer::kExitDamaged, RunTool({"list", Name()}).code);
    EXPECT_EQ(coffer::kExitDamaged, RunTool({"extract", Name(), "-o", Path("out")}).code);
    // A change is refused too: it would build on the damage.
    EXPECT_EQ(coffer::kExitDamaged, RunTool({"mkdir", Name(), "new"}).code);
    EXPECT_TRUE(zeroed == ReadAll(Name()));
  }
}

// ------------------------------------------------------------ names

// Renames the record stored as from (in the root folder) to to, through the
// engine's directory: the damage a writer never makes.
void RenameRecord(const std::string& container, const std::string& from, const std::string& to) {
  TPageFileManager pf(container, kOpenModeExclusiveReadWrite, "", "", "", false, 4096, 8, -1);
  TFreeSpaceManager fs(pf);
  TDIRManager dir(pf, fs);
  for (int32_t i = 0; i < dir.DirArray().ItemCount(); ++i) {
    TFileRec rec = dir.ReadItem(i);
    if (rec.Deleted != 0 || rec.ParentID != -1 || rec.FileName != from) continue;
    rec.FileName = to;
    dir.WriteItem(i, rec);
    ASSERT_TRUE(pf.CommitTransaction());
    return;
  }
  FAIL() << "no record " << from;
}

TEST_F(CofferIntegrityTest, NamesNoWriterMakesAreRefusedByName) {
  struct Case {
    const char* what;
    const char* record;  // the record renamed
    const char* name;    // its new name
    const char* shown;   // what the messages must name
  };
  const Case cases[] = {
      {"folder with an empty name", "sub", "", "an empty name"},
      {"file named .", "a.txt", ".", "'.'"},
      {"folder named ..", "sub", "..", "'..'"},
      {"names differing only in case", "b.txt", "A.TXT", "A.TXT"},
      {"file and folder of one name", "sub", "a.txt", "a file and a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      TCoffer coffer(Name(), kOpenModeCreate, "", "", "", 0);
      testing::StoreFile(coffer, "\\a.txt", "first", 0);
      testing::StoreFile(coffer, "\\b.txt", "second", 0);
      ASSERT_GE(coffer.CreateFolder("\\sub"), 0);
      testing::StoreFile(coffer, "\\sub\\c.txt", "third", 0);
    }
    RenameRecord(Name(), c.record, c.name);
    EXPECT_EQ(coffer::kExitDamaged, RunTool({"check", Name()}).code);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"list", Name()},
          std::vector<std::string>{"extract", Name(), "-o", Path("out")}}) {
      SCOPED_TRACE(command[0]);
      const ToolResult r = RunTool(command);
      EXPECT_EQ(coffer::kExitDamaged, r.code);
      EXPECT_NE(std::string::npos, r.message.find(c.shown)) << r.message;
    }
    platform::RemoveDirectoryTree(Path("out"));
    platform::DeleteFile(Name());
  }
}

// ------------------------------------------------------------ journals

// A container whose change was cut short: the state on disk in the middle of
// the change (header written, journal there), and the state before it.
struct CutChange {
  std::string before;
  std::string changed;
  std::string journal;
};

class CofferJournalTest : public CofferIntegrityTest {
 protected:
  void SetUp() override {
    CofferIntegrityTest::SetUp();
    {
      TCoffer coffer(Name(), kOpenModeCreate, "", "", "", 5);
      testing::StoreFile(coffer, "\\f.bin", std::string(30000, 'f'), 5);
    }
    cut_.before = ReadAll(Name());
    TCoffer coffer(Name(), kOpenModeReadWrite, "", "", "", 0);
    coffer.BeginTransaction();
    testing::StoreFile(coffer, "\\f.bin", std::string(100, 'g'), 5);
    ASSERT_GE(coffer.CreateFolder("\\keep"), 0);
    ASSERT_TRUE(coffer.PageFile().Flush());
    cut_.changed = ReadAll(Name());
    cut_.journal = ReadAll(Journal());
    coffer.Rollback();
  }
  std::string Journal() const { return TRollbackJournal::PathFor(Name()); }
  void PutBack(const std::string& journal) {
    ASSERT_TRUE(WriteAll(Name(), cut_.changed));
    ASSERT_TRUE(WriteAll(Journal(), journal));
  }
  CutChange cut_;
};

TEST_F(CofferJournalTest, EveryCommandRollsACutChangeBackByItself) {
  // Reading commands as well as writing ones, and recover explicitly.
  const std::vector<std::vector<std::string>> commands = {
      {"list", Name()},           {"check", Name()},   {"extract", Name(), "-o", Path("out")},
      {"mkdir", Name(), "other"}, {"recover", Name()},
  };
  for (const std::vector<std::string>& command : commands) {
    SCOPED_TRACE(command[0]);
    PutBack(cut_.journal);
    EXPECT_EQ(coffer::kExitOk, RunTool(command).code);
    EXPECT_FALSE(TRollbackJournal::Exists(Name()));
    if (command[0] != "mkdir") {
      EXPECT_TRUE(cut_.before == ReadAll(Name()));
    }
  }
  // Nothing to do is no failure.
  EXPECT_EQ(coffer::kExitOk, RunTool({"recover", Name()}).code);
}

TEST_F(CofferJournalTest, UntrustedJournalStopsEveryCommandAndIsKept) {
  std::string flipped = cut_.journal;
  flipped[20] = static_cast<char>(flipped[20] ^ 0x40);  // in the nonce: the header CRC fails
  for (const char* command : {"list", "check", "mkdir", "recover"}) {
    SCOPED_TRACE(command);
    PutBack(flipped);
    std::vector<std::string> words = {command, Name()};
    if (std::string(command) == "mkdir") words.push_back("other");
    const ToolResult r = RunTool(words);
    EXPECT_EQ(coffer::kExitDamaged, r.code);
    if (std::string(command) != "check") {
      EXPECT_NE(std::string::npos, r.message.find("'" + Journal() + "'")) << r.message;
    }
    EXPECT_TRUE(flipped == ReadAll(Journal()));
    EXPECT_TRUE(cut_.changed == ReadAll(Name()));
  }
}

TEST_F(CofferJournalTest, AJournalThatCannotBeMadeIsNamedWithTheSystemsReason) {
  // Something that is no file where the journal is made.
  const std::string blocker = TRollbackJournal::NewPathFor(Name());
  ASSERT_TRUE(platform::CreateDirectory(blocker));
  const ToolResult r = RunTool({"mkdir", Name(), "other"});
  EXPECT_NE(coffer::kExitOk, r.code);
  const std::string named = "the journal '" + blocker + "' cannot be ";
  const size_t at = r.message.find(named);
  ASSERT_NE(std::string::npos, at) << r.message;
  // Then what failed, and the system's own words after a colon.
  const size_t colon = r.message.find(": ", at + named.size());
  ASSERT_NE(std::string::npos, colon) << r.message;
  EXPECT_LT(colon + 2, r.message.size()) << r.message;
  EXPECT_TRUE(cut_.before == ReadAll(Name()));
}

}  // namespace
}  // namespace vor
