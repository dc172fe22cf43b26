// Faults from outside: a disk that fills while files are added, writes to a
// container opened read-only, a volume whose last part file is missing, and
// stored names crafted to lead an export out of its destination.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "container/coffer.h"
#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/file_rec.h"
#include "container/store/page_file.h"
#include "container/stream/file_stream.h"
#include "fault_environment.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "support/container_files.h"

namespace vor {
namespace {

std::string Content(size_t n, int seed) {
  std::string s(n, '\0');
  uint32_t x = static_cast<uint32_t>(seed) * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 134775813u + 1;
    // Half the bytes repeat, so that compressed blocks vary in size.
    s[i] = static_cast<char>(i % 2 == 0 ? (x >> 24) : ('a' + seed % 26));
  }
  return s;
}

class FaultTest : public testing::TempDirTest {
 protected:
  // A container with 4096-byte pages whose volume parts hold part_size bytes.
  void CreateContainer(const std::string& name, int64_t part_size) {
    TPageFileManager page_file(name, kOpenModeCreate, "", "", "", false, 4096, 8, part_size);
    TFreeSpaceManager free_space(page_file);
    TDIRManager directory(page_file, free_space);
  }

  static void Store(TCoffer& coffer, const std::string& path, const std::string& content,
                    uint8_t compression = 1) {
    testing::StoreFile(coffer, path, content, compression);
  }

  static std::string Load(TCoffer& coffer, const std::string& path) {
    return testing::LoadFile(coffer, path);
  }
};

TEST_F(FaultTest, DiskThatFillsEndsWithNoSpaceAndKeepsEarlierFiles) {
  const std::string name = Path("full.cfr");
  // 48 pages fit in the only part this volume can have: the disk is full
  // when the next part file is to be made.
  CreateContainer(name, 48 * 4096 + 280);
  ASSERT_FALSE(platform::FileExists(name + "1"));

  std::vector<std::string> stored;
  int no_space = 0;
  bool failed = false;
  ErrorKind kind = ErrorKind::kGeneral;
  {
    testing::FaultEnvironment full_disk;
    full_disk.RefuseNewParts(true);
    testing::EnvironmentScope scope(&full_disk);
    TCoffer coffer(name, kOpenModeReadWrite, "", "", "", 0);
    coffer.SetOnNoSpace([&](TCoffer&) { ++no_space; });
    for (int i = 0; i < 100 && !failed; ++i) {
      const std::string path = "\\f" + std::to_string(i);
      try {
        Store(coffer, path, Content(9000 + 1000 * static_cast<size_t>(i), i), i % 3 == 2 ? 0 : 1);
        stored.push_back(path);
      } catch (const EVorError& e) {
        failed = true;
        kind = e.Kind();
      }
    }
  }
  EXPECT_TRUE(failed) << "the volume never filled";
  EXPECT_EQ(kind, ErrorKind::kDiskFull);
  EXPECT_GE(no_space, 1);
  EXPECT_GE(stored.size(), 3u);
  EXPECT_FALSE(platform::FileExists(name + "1"));

  TCoffer reopened(name, kOpenModeRead, "", "", "", 0);
  for (size_t i = 0; i < stored.size(); ++i) {
    SCOPED_TRACE(stored[i]);
    const int seed = std::stoi(stored[i].substr(2));
    EXPECT_EQ(Load(reopened, stored[i]), Content(9000 + 1000 * static_cast<size_t>(seed), seed));
  }
}

TEST_F(FaultTest, ReadOnlyContainerRefusesEveryWriteAndKeepsItsBytes) {
  const std::string name = Path("ro.cfr");
  {
    TCoffer coffer(name, kOpenModeCreate, "", "", "", 1);
    coffer.CreateFolder("\\dir");
    Store(coffer, "\\dir\\f", Content(7000, 1));
    Store(coffer, "\\g", Content(100, 2));
  }
  const std::string before = ReadAll(name);

  struct Case {
    const char* name;
    // Returns true when the operation reported success.
    std::function<bool(TCoffer&)> op;
  };
  const Case cases[] = {
      {"FileCreate", [](TCoffer& c) { return c.FileCreate("\\new", "", "", "") >= 0; }},
      {"FileCreate over a file", [](TCoffer& c) { return c.FileCreate("\\g", "", "", "") >= 0; }},
      {"FileOpen create",
       [](TCoffer& c) { return c.FileOpen("\\new", kOpenModeCreate, "", "", "") >= 0; }},
      {"FileWrite",
       [](TCoffer& c) {
         const int32_t h = c.FileOpen("\\g", kOpenModeReadWrite, "", "", "");
         const bool wrote = h >= 0 && c.FileWrite(h, "xyz", 3) > 0;
         c.FileClose(h);
         return wrote;
       }},
      {"FileSetSize grow",
       [](TCoffer& c) {
         const int32_t h = c.FileOpen("\\g", kOpenModeReadWrite, "", "", "");
         const bool done = h >= 0 && c.FileSetSize(h, 50000) == 50000;
         c.FileClose(h);
         return done;
       }},
      {"FileSetSize cut",
       [](TCoffer& c) {
         const int32_t h = c.FileOpen("\\dir\\f", kOpenModeReadWrite, "", "", "");
         const bool done = h >= 0 && c.FileSetSize(h, 0) == 0;
         c.FileClose(h);
         return done;
       }},
      {"DeleteFile", [](TCoffer& c) { return c.DeleteFile("\\g"); }},
      {"CreateFolder", [](TCoffer& c) { return c.CreateFolder("\\dir2\\sub") >= 0; }},
      {"FileSetAttr", [](TCoffer& c) { return c.FileSetAttr("\\g", 0x01); }},
      {"FileSetTimes", [](TCoffer& c) { return c.FileSetTimes("\\g", 1, 2, 3); }},
      {"file stream create",
       [](TCoffer& c) {
         TCFRFileStream s(&c, "\\s", kOpenModeCreate, "", "", "", 1);
         return s.Write("abc", 3) == 3;
       }},
      {"file stream write",
       [](TCoffer& c) {
         TCFRFileStream s(&c, "\\g", kOpenModeReadWrite, "", "", "", 0);
         return s.Write("abc", 3) == 3;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      TCoffer coffer(name, kOpenModeRead, "", "", "", 0);
      ASSERT_TRUE(coffer.ReadOnly());
      bool succeeded = false;
      try {
        succeeded = c.op(coffer);
      } catch (const EVorError&) {
        succeeded = false;
      }
      EXPECT_FALSE(succeeded);
      // The session goes on with the container as it is on disk.
      try {
        EXPECT_EQ(Load(coffer, "\\g"), Content(100, 2));
        EXPECT_EQ(Load(coffer, "\\dir\\f"), Content(7000, 1));
      } catch (const EVorError& e) {
        ADD_FAILURE() << "reading after the refused write: " << e.what();
      }
      EXPECT_FALSE(coffer.FileExists("\\new"));
      EXPECT_FALSE(coffer.FileExists("\\dir2"));
      EXPECT_EQ(coffer.FileGetAttr("\\g") & 0x01, 0);
    }
    EXPECT_TRUE(ReadAll(name) == before) << "the container's bytes changed";
  }
}

TEST_F(FaultTest, MissingLastPartOpensWithThePartsFound) {
  const std::string name = Path("parts.cfr");
  // Parts of 12 pages: the small file and the maps lie in the first part,
  // the large one reaches into later parts.
  CreateContainer(name, 12 * 4096 + 280);
  const std::string small = Content(3000, 5);
  const std::string large = Content(120000, 6);
  {
    TCoffer coffer(name, kOpenModeReadWrite, "", "", "", 0);
    Store(coffer, "\\small", small, 0);
    Store(coffer, "\\large", large, 0);
  }
  int parts = 1;
  while (platform::FileExists(name + std::to_string(parts))) ++parts;
  ASSERT_GE(parts, 3);
  const std::string last = name + std::to_string(parts - 1);
  ASSERT_TRUE(platform::DeleteFile(last));

  TCoffer coffer(name, kOpenModeRead, "", "", "", 0);
  EXPECT_EQ(Load(coffer, "\\small"), small);
  // The large file's tail is gone: reading it ends with an error or short,
  // never with other bytes in its place.
  try {
    TCFRFileStream stream(&coffer, "\\large", kOpenModeRead, "", "", "", 0);
    std::string got(large.size(), '\0');
    int32_t done = 0;
    for (;;) {
      const int32_t n =
          stream.Read(&got[static_cast<size_t>(done)], static_cast<int32_t>(got.size()) - done);
      if (n <= 0) break;
      done += n;
    }
    EXPECT_LT(done, static_cast<int32_t>(large.size()));
    EXPECT_EQ(got.substr(0, static_cast<size_t>(done)), large.substr(0, static_cast<size_t>(done)));
  } catch (const EVorError&) {
  }
  EXPECT_FALSE(platform::FileExists(last));
}

TEST_F(FaultTest, CraftedStoredNamesStayInsideTheExportFolder) {
  // Names no facade call would store, written straight into the records.
  const std::vector<std::string> crafted = {
      "..\\..\\evil1",          "../../evil2",          "\\evil3",   "/evil4",      "..",
      "sub\\..\\..\\..\\evil5", "evil6/../../../evil6", "C:\\evil7", ".\\..\\evil8"};
  const std::string x = Path("x");
  const std::string sep(1, platform::PathDelimiter());
  const std::string y = x + sep + "y";
  const std::string out = y + sep + "out";
  ASSERT_TRUE(platform::CreateDirectory(x));
  ASSERT_TRUE(platform::CreateDirectory(y));
  for (const std::string& bad : crafted) {
    SCOPED_TRACE(bad);
    const std::string name = Path("export.cfr");
    platform::DeleteFile(name);
    {
      TCoffer coffer(name, kOpenModeCreate, "", "", "", 1);
      coffer.CreateFolder("\\P\\d");
      Store(coffer, "\\P\\victim", "payload");
      Store(coffer, "\\P\\d\\inner", "payload");
    }
    for (const char* victim : {"\\P\\victim", "\\P\\d"}) {
      {
        TPageFileManager page_file(name, kOpenModeReadWrite, "", "", "", false, 4096, 8, -1);
        TFreeSpaceManager free_space(page_file);
        TDIRManager directory(page_file, free_space);
        const int32_t index = directory.GetIndex(victim);
        ASSERT_GE(index, 0);
        TFileRec rec = directory.ReadItem(index);
        rec.FileName = bad;
        directory.WriteItem(index, rec);
      }
      TCoffer coffer(name, kOpenModeRead, "", "", "", 0);
      try {
        coffer.ExportFiles("\\P\\*.*", out, 0x3F, true, 0);
      } catch (const EVorError&) {
        // Refusing the name is a fine answer.
      }
      for (const std::string& folder : {dir_, x, y}) {
        for (const char* leaf : {"evil1", "evil2", "evil3", "evil4", "evil5", "evil6", "evil7",
                                 "evil8", "inner", "victim"}) {
          EXPECT_FALSE(platform::FileExists(folder + sep + leaf)) << folder << sep << leaf;
        }
      }
      platform::RemoveDirectoryTree(out);
    }
  }
}

}  // namespace
}  // namespace vor
