#include "container/store/dir_array.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/error.h"
#include "container/store/collation.h"

namespace vor {
namespace {

using ::testing::ElementsAre;

TFileRec Rec(const std::string& name, int32_t parent, uint32_t attributes = 0) {
  TFileRec rec;
  rec.FirstMapPageNo = -1;
  rec.FileName = name;
  rec.ParentID = parent;
  rec.Attributes = attributes;
  return rec;
}

class DirArrayTest : public ::testing::Test {
 protected:
  // The item numbers a folder search lists, in order.
  std::vector<int32_t> List(const std::string& path, int32_t attr, int32_t start = -1) {
    std::vector<int32_t> items;
    TSearchRec sr;
    int32_t r = dir_.FindFirst(path, attr, start, &sr);
    while (r == 0) {
      items.push_back(dir_.FindPath(sr.Name, ParentOf(sr.Name)));
      r = dir_.FindNext(&sr);
    }
    dir_.FindClose(&sr);
    return items;
  }
  // Every test names its records uniquely; the item of a listed name.
  int32_t ParentOf(const std::string& name) {
    for (int32_t i = 0; i < dir_.ItemCount(); ++i) {
      if (dir_.Item(i).FileName == name) return dir_.Item(i).ParentID;
    }
    return -2;
  }
  void ExpectNameIndexSorted() {
    const TIntegerArray& idx = dir_.NameIndex();
    for (int32_t p = 1; p < idx.Count(); ++p) {
      const TFileRec& a = dir_.Item(idx[p - 1]);
      const TFileRec& b = dir_.Item(idx[p]);
      const int c = CompareNames(a.FileName, b.FileName);
      ASSERT_TRUE(c < 0 || (c == 0 && a.ParentID <= b.ParentID)) << p;
    }
    const TIntegerArray& par = dir_.ParentIndex();
    for (int32_t p = 1; p < par.Count(); ++p) {
      ASSERT_LE(dir_.Item(par[p - 1]).ParentID, dir_.Item(par[p]).ParentID) << p;
    }
  }

  TDIRArray dir_{7};
};

TEST_F(DirArrayTest, EightFilesOfOneFolderAreListedInProbeOrder) {
  for (int i = 0; i < 8; ++i) dir_.Add(Rec("f" + std::to_string(i), -1));
  EXPECT_THAT(List("*", 0), ElementsAre(1, 3, 5, 7, 6, 4, 2, 0));
}

TEST_F(DirArrayTest, RootAndFolderListings) {
  dir_.Add(Rec("folder", -1, kFileAttributeDirectory));
  dir_.Add(Rec("one", -1));
  dir_.Add(Rec("two", -1));
  dir_.Add(Rec("three", 0));
  dir_.Add(Rec("four", 0));
  dir_.Add(Rec("five", 0));
  EXPECT_THAT(List("*", 0x10), ElementsAre(1, 2, 0));
  EXPECT_THAT(List("\\folder\\*", 0), ElementsAre(5, 4, 3));
  EXPECT_THAT(List("folder/*.*", 0), ElementsAre(5, 4, 3));
}

TEST_F(DirArrayTest, FindFirstExcludesFoldersHiddenAndSystemUnlessAsked) {
  dir_.Add(Rec("plain", -1));
  dir_.Add(Rec("dir", -1, 0x10));
  dir_.Add(Rec("hidden", -1, 0x02));
  dir_.Add(Rec("system", -1, 0x04));
  dir_.Add(Rec("archive", -1, 0x20));
  TSearchRec sr;
  ASSERT_EQ(dir_.FindFirst("*", 0, -1, &sr), 0);
  EXPECT_EQ(sr.ExcludeMask, 0x1E);
  dir_.FindClose(&sr);
  std::vector<int32_t> plain = List("*", 0);
  std::sort(plain.begin(), plain.end());
  EXPECT_THAT(plain, ElementsAre(0, 4));
  std::vector<int32_t> with_dirs = List("*", 0x10);
  std::sort(with_dirs.begin(), with_dirs.end());
  EXPECT_THAT(with_dirs, ElementsAre(0, 1, 4));
}

TEST_F(DirArrayTest, SearchResultCodesAndHandles) {
  dir_.Add(Rec("a.txt", -1));
  TSearchRec first;
  EXPECT_EQ(dir_.FindFirst("nothing\\*", 0, -1, &first), -2);
  EXPECT_EQ(first.SearchHandle, 0);  // the slot is taken even on failure
  TSearchRec second;
  EXPECT_EQ(dir_.FindFirst("*.doc", 0, -1, &second), -5);
  EXPECT_EQ(second.SearchHandle, 1);
  dir_.FindClose(&first);
  TSearchRec third;
  ASSERT_EQ(dir_.FindFirst("*.TXT", 0, -1, &third), 0);
  EXPECT_EQ(third.SearchHandle, 0);  // the first free slot again
  EXPECT_EQ(third.Name, "a.txt");
  EXPECT_EQ(third.FindData.cFileName, "a.txt");
  EXPECT_EQ(dir_.FindNext(&third), -5);
  dir_.FindClose(&third);
  EXPECT_EQ(dir_.FindNext(&third), -4);
  TSearchRec bogus;
  bogus.SearchHandle = 40;
  EXPECT_EQ(dir_.FindNext(&bogus), -5);
  dir_.FindClose(&bogus);  // ignored
  dir_.FindClose(&second);
}

TEST_F(DirArrayTest, SearchRecordCarriesTheRecord) {
  TFileRec rec = Rec("data.bin", -1, 0x20);
  rec.FileSize = 0x100000005LL;
  rec.CreationTime = 111;
  rec.LastAccessTime = 222;
  rec.LastWriteTime = 127000000000000000ULL;  // 2003
  dir_.Add(rec);
  TSearchRec sr;
  ASSERT_EQ(dir_.FindFirst("*", 0, -1, &sr), 0);
  EXPECT_EQ(sr.Attr, 0x20);
  EXPECT_EQ(sr.Size, 5);
  EXPECT_EQ(sr.FindData.nFileSizeLow, 5u);
  EXPECT_EQ(sr.FindData.nFileSizeHigh, 1u);  // the full size reaches the caller
  EXPECT_EQ(sr.FindData.ftCreationTime, 111u);
  EXPECT_EQ(sr.FindData.ftLastAccessTime, 222u);
  EXPECT_EQ(sr.Time, FileTimeToLocalDosDateTime(rec.LastWriteTime));
  EXPECT_NE(sr.Time, 0);
  dir_.FindClose(&sr);
}

TEST_F(DirArrayTest, FindPathResolvesComponents) {
  dir_.Add(Rec("a", -1, 0x10));  // 0
  dir_.Add(Rec("b", 0));         // 1
  dir_.Add(Rec("x", -1));        // 2
  dir_.Add(Rec(".", 0));         // 3
  dir_.Add(Rec("x", 0));         // 4: same name in another folder
  struct Case {
    const char* path;
    int32_t start;
    int32_t result;
  };
  const Case cases[] = {
      {"\\", -1, -1}, {"/", -1, -1},       {"a//b", -1, -2}, {"\\..\\x", -1, 2},  {"a\\", -1, 0},
      {"a", -1, 0},   {"A\\B", -1, 1},     {"/a/b", 0, 1},   {"b", 0, 1},         {"x", 0, 4},
      {"\\x", 0, 2},  {"a\\..\\x", -1, 2}, {"a\\.", -1, 3},  {"nope", -1, -2},    {"b", -1, -3},
      {"", -1, -2},   {"a", -2, -2},       {"a", 5, -2},     {"a\\x\\..", -1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dir_.FindPath(c.path, c.start), c.result) << c.path << " from " << c.start;
  }
}

// Lookups are remembered (the last path, the last folder part) only until
// the records change: each change below is followed by the same lookups,
// which must see it.
TEST_F(DirArrayTest, RememberedLookupsFollowEveryChange) {
  dir_.Add(Rec("a", -1, 0x10));  // 0
  dir_.Add(Rec("b", 0, 0x10));   // 1
  dir_.Add(Rec("f", 1));         // 2: a\b\f
  auto lookups = [&] {
    return std::vector<int32_t>{dir_.FindPath("a\\b\\f", -1), dir_.FindPath("a\\b\\g", -1),
                                dir_.FindPath("\\a\\b\\f", -1), dir_.FindPath("b\\f", 0),
                                dir_.FindPath("b\\g", -1)};
  };
  EXPECT_THAT(lookups(), ElementsAre(2, -2, 2, 2, -3));
  EXPECT_THAT(lookups(), ElementsAre(2, -2, 2, 2, -3));  // asked again: the same
  dir_.Add(Rec("g", 1));                                 // 3
  EXPECT_THAT(lookups(), ElementsAre(2, 3, 2, 2, -3));
  TFileRec rec = dir_.ReadItem(2);
  rec.Deleted = 1;
  dir_.UpdateItem(2, rec);
  EXPECT_THAT(lookups(), ElementsAre(-2, 3, -2, -2, -3));
  TFileRec folder = dir_.ReadItem(1);
  folder.FileName = "c";  // the folder renamed: nothing under a\b any more
  dir_.UpdateItem(1, folder);
  EXPECT_THAT(lookups(), ElementsAre(-2, -2, -2, -2, -2));
  EXPECT_EQ(dir_.FindPath("a\\c\\g", -1), 3);
  folder.FileName = "b";
  folder.ParentID = -1;  // named b again, but moved to the root
  dir_.UpdateItem(1, folder);
  EXPECT_THAT(lookups(), ElementsAre(-3, -3, -3, -3, 3));
  dir_.SetSize(0);
  EXPECT_THAT(lookups(), ElementsAre(-2, -2, -2, -2, -2));
}

TEST_F(DirArrayTest, LongNameIsCutAndFoundUnderTheLongName) {
  const std::string long_name(300, 'q');
  dir_.Add(Rec(long_name, -1));
  EXPECT_EQ(dir_.Item(0).FileName.size(), 259u);
  EXPECT_EQ(dir_.FindPath(long_name, -1), 0);
  EXPECT_EQ(dir_.FindPath("\\" + long_name.substr(0, 259), -1), 0);
}

TEST_F(DirArrayTest, CaseInsensitiveLookupButDistinctNames) {
  dir_.Add(Rec("Readme.RTF", -1));
  dir_.Add(Rec("a", -1));
  EXPECT_EQ(dir_.FindPath("README.rtf", -1), 0);
  EXPECT_EQ(dir_.FindPath("a b", -1), -2);
}

TEST_F(DirArrayTest, UpdateItemMovesRecordsBetweenIndexes) {
  dir_.Add(Rec("one", -1));
  dir_.Add(Rec("two", -1));
  dir_.Add(Rec("three", -1));
  TFileRec rec = dir_.ReadItem(1);
  rec.Deleted = 1;
  dir_.UpdateItem(1, rec);
  EXPECT_EQ(dir_.IndexedCount(), 2);
  EXPECT_EQ(dir_.ItemCount(), 3);
  EXPECT_EQ(dir_.FindPath("two", -1), -2);

  TFileRec renamed = Rec("zeta", -1);
  dir_.UpdateItem(1, renamed);  // back to life under a new name
  EXPECT_EQ(dir_.IndexedCount(), 3);
  EXPECT_EQ(dir_.FindPath("zeta", -1), 1);

  TFileRec moved = dir_.ReadItem(0);
  moved.FileName = "alpha";
  dir_.UpdateItem(0, moved);
  EXPECT_EQ(dir_.FindPath("one", -1), -2);
  EXPECT_EQ(dir_.FindPath("alpha", -1), 0);
  ExpectNameIndexSorted();

  TFileRec gone = dir_.ReadItem(2);
  gone.Deleted = 1;
  dir_.UpdateItem(2, gone);
  dir_.UpdateItem(2, gone);  // deleted to deleted: nothing to do
  EXPECT_EQ(dir_.IndexedCount(), 2);
}

TEST_F(DirArrayTest, ErrorMessages) {
  dir_.Add(Rec("a", -1));
  auto message = [](auto&& f) {
    try {
      f();
    } catch (const EVorError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { dir_.ReadItem(1); }), "TDIRArray.ReadItem - invalid itemNo = 1");
  EXPECT_EQ(message([&] { dir_.ReadItem(-1); }), "TDIRArray.ReadItem - invalid itemNo = -1");
  EXPECT_EQ(message([&] { dir_.UpdateItem(3, Rec("b", -1)); }),
            "TDIRArray.UpdateItem - invalid itemNo = 3");
  dir_.Add(Rec("b", -1));
  EXPECT_EQ(message([&] { dir_.SetSize(1); }),
            "TDIRArray.SetSize - newSize < itemCount error.  newSize = 1 itemCount = 2");
}

TEST_F(DirArrayTest, SetSizeZeroEndsSearches) {
  dir_.Add(Rec("a", -1));
  TSearchRec sr;
  ASSERT_EQ(dir_.FindFirst("*", 0, -1, &sr), 0);
  dir_.SetSize(0);
  EXPECT_EQ(dir_.ItemCount(), 0);
  EXPECT_EQ(dir_.IndexedCount(), 0);
  EXPECT_EQ(dir_.FindNext(&sr), -5);
}

// Random folders, names (many repeated), deletions and renames: the indexes
// stay sorted and every live record is found under its path.
TEST_F(DirArrayTest, IndexesStaySortedUnderRandomChanges) {
  std::mt19937 rng(12345);
  const int kFolders = 5;
  for (int f = 0; f < kFolders; ++f) dir_.Add(Rec("dir" + std::to_string(f), -1, 0x10));
  for (int i = 0; i < 400; ++i) {
    const int32_t parent = static_cast<int32_t>(rng() % (kFolders + 1)) - 1;
    const std::string name = "n" + std::to_string(rng() % 60);
    const std::string path = parent < 0 ? name : "dir" + std::to_string(parent) + "\\" + name;
    if (dir_.FindPath(path, -1) < -1)
      dir_.Add(Rec(rng() % 2 ? name : "N" + name.substr(1), parent));
    if (i % 7 == 0) {
      const int32_t victim = kFolders + static_cast<int32_t>(rng() % (dir_.ItemCount() - kFolders));
      TFileRec rec = dir_.ReadItem(victim);
      rec.Deleted = rec.Deleted ? 0 : 1;
      if (rec.Deleted == 0 && dir_.FindPath(rec.FileName, rec.ParentID) >= 0) continue;
      dir_.UpdateItem(victim, rec);
    }
  }
  ExpectNameIndexSorted();
  int32_t live = 0;
  for (int32_t i = 0; i < dir_.ItemCount(); ++i) {
    const TFileRec& rec = dir_.Item(i);
    if (rec.Deleted) continue;
    ++live;
    EXPECT_EQ(dir_.FindPath(rec.FileName, rec.ParentID), i) << rec.FileName;
  }
  EXPECT_EQ(live, dir_.IndexedCount());
}

}  // namespace
}  // namespace vor
