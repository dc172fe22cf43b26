// Crashes and failures in the middle of a change: a fault-injecting store
// environment lets the "process die" before its Nth change to the disk (a
// write then lands only in part, and nothing after it reaches the disk), or
// makes the Nth write or the Nth flush fail. Each scenario (add, rm,
// overwrite, mkdir, growth across part files) runs once per change index;
// after each run the container is opened again, and it must hold exactly
// what it held before the change or exactly what it holds after it, pass
// the coffer check, and have no journal or stray part file left beside it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "common/error.h"
#include "container/coffer.h"
#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/page_file.h"
#include "container/store/rollback_journal.h"
#include "container/stream/file_stream.h"
#include "container/volume/store_environment.h"
#include "fault_environment.h"
#include "platform/folder_list.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "session.h"
#include "support/container_files.h"
#include "tool_check.h"

namespace vor {
namespace {

using testing::EnvironmentScope;
using testing::Fault;
using testing::FaultEnvironment;

std::string Content(size_t n, int seed, bool compressible) {
  std::string s(n, '\0');
  uint32_t x = static_cast<uint32_t>(seed) * 2654435761u + 7;
  for (size_t i = 0; i < n; ++i) {
    x = x * 134775813u + 1;
    s[i] = static_cast<char>(compressible && i % 3 != 0 ? 'a' + (i / 64 + seed) % 26 : x >> 24);
  }
  return s;
}

// The stored tree: folders, and files with their content.
struct Tree {
  std::set<std::string> folders;
  std::map<std::string, std::string> files;
  bool operator==(const Tree& o) const { return folders == o.folders && files == o.files; }
};

void Collect(TCoffer& coffer, const std::string& folder, Tree* tree) {
  TSearchRec rec;
  std::vector<std::pair<std::string, bool>> here;
  for (int32_t r = coffer.FindFirst(folder + "*.*", 0x3F, &rec); r == 0;
       r = coffer.FindNext(&rec)) {
    here.emplace_back(folder + rec.Name, (rec.Attr & 0x10) != 0);
  }
  coffer.FindClose(&rec);
  for (const auto& [path, is_folder] : here) {
    if (is_folder) {
      tree->folders.insert(path);
      Collect(coffer, path + "\\", tree);
      continue;
    }
    tree->files[path] = testing::LoadFile(coffer, path);
  }
}

std::string Describe(const Tree& tree) {
  std::string text;
  for (const std::string& f : tree.folders) text += f + "\\ ";
  for (const auto& [path, content] : tree.files) {
    text += path + " (" + std::to_string(content.size()) + ") ";
  }
  return text;
}

using testing::ToolCheck;

using Change = std::function<void(TCoffer&)>;

using testing::StoreFile;

class CrashTest : public testing::TempDirTest {
 protected:
  std::string Container() const { return Path("c.cof"); }

  // A new container whose volume parts hold part_size bytes (-1: one part).
  void CreateContainer(int64_t part_size) {
    {
      TPageFileManager page_file(Container(), kOpenModeCreate, "", "", "", false, 4096, 8,
                                 part_size);
      page_file.Header().DefaultCompression = 5;
      page_file.SaveHeader();
    }
  }

  // The files of the test folder, by name.
  std::map<std::string, std::string> Files() const {
    std::vector<platform::FolderEntry> entries;
    std::map<std::string, std::string> files;
    platform::ListFolder(Dir(), &entries);
    for (const auto& e : entries) files[e.name] = ReadAll(Path(e.name));
    return files;
  }
  void Restore(const std::map<std::string, std::string>& files) const {
    std::vector<platform::FolderEntry> entries;
    platform::ListFolder(Dir(), &entries);
    for (const auto& e : entries) platform::DeleteFile(Path(e.name));
    for (const auto& [name, bytes] : files) ASSERT_TRUE(WriteAll(Path(name), bytes));
  }
  std::set<std::string> Names() const {
    std::vector<platform::FolderEntry> entries;
    std::set<std::string> names;
    platform::ListFolder(Dir(), &entries);
    for (const auto& e : entries) names.insert(e.name);
    return names;
  }
  const std::string& Dir() const { return dir_; }

  // Opens for writing (which rolls back an unfinished change), then reads
  // the whole tree.
  Tree Reopen() {
    { TCoffer recover(Container(), kOpenModeExclusiveReadWrite, "", "", "", 0); }
    TCoffer coffer(Container(), kOpenModeRead, "", "", "", 0);
    Tree tree;
    Collect(coffer, "\\", &tree);
    return tree;
  }

  void Apply(const Change& change) {
    TCoffer coffer(Container(), kOpenModeExclusiveReadWrite, "", "", "", 0);
    coffer.BeginTransaction();
    change(coffer);
    coffer.Commit();
  }

  // Runs change under every fault at every index. The container as it is
  // now is the state before.
  void CrashEverywhere(const Change& change) {
    const std::map<std::string, std::string> base = Files();
    const Tree before = Reopen();
    const std::set<std::string> names_before = Names();
    FaultEnvironment env;
    int64_t changes;
    int64_t flushes;
    {
      EnvironmentScope scope(&env);
      env.Arm(Fault::kNone, -1);
      Apply(change);
      changes = env.Changes();
      flushes = env.Flushes();
    }
    const Tree after = Reopen();
    const std::set<std::string> names_after = Names();
    ASSERT_FALSE(after == before) << "the change changes nothing";
    ASSERT_GT(changes, 3);
    struct Round {
      Fault fault;
      int64_t count;
      const char* name;
    };
    for (const Round& round : {Round{Fault::kCrash, changes + 1, "crash before change"},
                               Round{Fault::kWriteFails, changes, "failing write"},
                               Round{Fault::kFlushFails, flushes, "failing flush"}}) {
      int before_count = 0;
      int after_count = 0;
      for (int64_t at = 0; at < round.count; ++at) {
        SCOPED_TRACE(std::string(round.name) + " " + std::to_string(at));
        Restore(base);
        {
          EnvironmentScope scope(&env);
          env.Arm(round.fault, at);
          try {
            Apply(change);
          } catch (const std::exception&) {
            // The change failed; what counts is what the disk holds now.
          }
        }
        const Tree now = Reopen();
        const bool is_before = now == before;
        const bool is_after = now == after;
        EXPECT_TRUE(is_before || is_after) << Describe(now);
        if (is_before) {
          EXPECT_EQ(names_before, Names());
        } else if (is_after) {
          EXPECT_EQ(names_after, Names());
        }
        EXPECT_FALSE(TRollbackJournal::Exists(Container()));
        EXPECT_EQ(0, ToolCheck(Container()));
        before_count += is_before;
        after_count += is_after;
        if (::testing::Test::HasFailure()) return;
      }
      // A fault that hits nothing vital may let the change through; a crash
      // before the first change never does.
      EXPECT_GT(before_count, 0) << round.name;
      std::printf("%s: %lld runs, %d before, %d after\n", round.name,
                  static_cast<long long>(round.count), before_count, after_count);
    }
  }
};

// The container most scenarios start from: two files and a folder.
void Populate(TCoffer& coffer) {
  coffer.CreateFolder("\\d");
  StoreFile(coffer, "\\a.txt", Content(5000, 1, true), 5);
  StoreFile(coffer, "\\d\\b.bin", Content(10000, 2, false), 0);
}

TEST_F(CrashTest, AddIsAllOrNothing) {
  CreateContainer(-1);
  Apply(Populate);
  CrashEverywhere([](TCoffer& coffer) {
    StoreFile(coffer, "\\d\\new.txt", Content(6000, 3, true), 5);
    StoreFile(coffer, "\\e.bin", Content(9000, 4, false), 0);
  });
}

TEST_F(CrashTest, RemoveIsAllOrNothing) {
  CreateContainer(-1);
  Apply(Populate);
  CrashEverywhere([](TCoffer& coffer) {
    ASSERT_TRUE(coffer.DeleteFile("\\d\\b.bin"));
    ASSERT_TRUE(coffer.DeleteFile("\\a.txt"));
  });
}

TEST_F(CrashTest, OverwriteKeepsTheOldVersionOrTheNew) {
  CreateContainer(-1);
  Apply(Populate);
  CrashEverywhere(
      [](TCoffer& coffer) { StoreFile(coffer, "\\d\\b.bin", Content(14000, 5, false), 0); });
}

TEST_F(CrashTest, MkdirIsAllOrNothing) {
  CreateContainer(-1);
  Apply(Populate);
  CrashEverywhere([](TCoffer& coffer) { ASSERT_GE(coffer.CreateFolder("\\x\\y\\z"), 0); });
}

TEST_F(CrashTest, GrowthAcrossPartFilesIsAllOrNothing) {
  // Five pages to a part: the change below adds several part files.
  CreateContainer(280 + 5 * 4096);
  Apply(Populate);
  CrashEverywhere([](TCoffer& coffer) {
    StoreFile(coffer, "\\big.bin", Content(21000, 6, false), 0);
    ASSERT_TRUE(coffer.DeleteFile("\\a.txt"));
  });
}

}  // namespace
}  // namespace vor
