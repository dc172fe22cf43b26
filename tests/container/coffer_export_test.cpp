#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "container/coffer.h"
#include "container/store/open_mode.h"
#include "container/stream/file_stream.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

class ExportTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    coffer_ = std::make_unique<TCoffer>(Path("box.cfr"), kOpenModeCreate, "", "", "", 1);
    dest_ = Path("out");
  }
  void TearDown() override {
    coffer_.reset();
    TempDirTest::TearDown();
  }
  void Recreate() {
    coffer_.reset();
    coffer_ = std::make_unique<TCoffer>(Path("box.cfr"), kOpenModeCreate, "", "", "", 1);
  }
  void Store(const std::string& name, const std::string& data, uint32_t attr = 0x20) {
    const size_t cut = name.find_last_of('\\');
    if (cut > 0) coffer_->CreateFolder(name.substr(0, cut));
    {
      // Type 2: 1 MiB blocks, so one copy chunk is 1 MiB.
      TCFRFileStream stream(coffer_.get(), name, kOpenModeCreate, "", "", "", 2);
      if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    }
    coffer_->FileSetAttr(name, attr);
  }
  // dest/relative with '/' as written in the tests.
  std::string Out(const std::string& relative) const {
    std::string p = relative;
    for (char& c : p) {
      if (c == '/') c = platform::PathDelimiter();
    }
    return dest_ + platform::PathDelimiter() + p;
  }
  void Export(uint8_t mode = 0, const std::string& mask = "\\P\\*.*") {
    coffer_->ExportFiles(mask, dest_, 63, true, mode);
  }
  // Every file and folder below dir, relative, sorted.
  std::vector<std::string> Tree() const {
    std::vector<std::string> found;
    for (const char* candidate : {"a.txt", "empty.dat", "sub", "sub/b.txt", "sub/deep",
                                  "sub/deep/c.bin", "hollow", "sub/hollow2", "x.txt"}) {
      const std::string p = Out(candidate);
      if (platform::FileExists(p)) found.push_back(candidate);
      if (platform::DirectoryExists(p)) found.push_back(std::string(candidate) + "/");
    }
    return found;
  }

  std::unique_ptr<TCoffer> coffer_;
  std::string dest_;
};

TEST_F(ExportTest, MissingRootReportsZeroOnly) {
  std::vector<double> progress;
  coffer_->SetOnProgress([&](TCoffer&, bool&, double p) { progress.push_back(p); });
  Export(0, "\\Nowhere\\*.*");
  EXPECT_EQ(progress, std::vector<double>{0});
  EXPECT_TRUE(platform::DirectoryExists(dest_));  // the destination is made first
  EXPECT_TRUE(Tree().empty());
}

TEST_F(ExportTest, NestedFoldersEmptyOnesAndProgress) {
  const std::string big(1048576 + 5000, 'q');  // more than one copy chunk
  Store("\\P\\a.txt", "alpha");
  Store("\\P\\empty.dat", "");
  ASSERT_GE(coffer_->CreateFolder("\\P\\sub\\deep"), 0);
  ASSERT_GE(coffer_->CreateFolder("\\P\\hollow"), 0);
  ASSERT_GE(coffer_->CreateFolder("\\P\\sub\\hollow2"), 0);
  Store("\\P\\sub\\b.txt", "beta", 0x21);  // read-only on disk afterwards
  Store("\\P\\sub\\deep\\c.bin", big);
  Store("\\x.txt", "outside the root");

  std::vector<double> overall;
  std::vector<std::pair<std::string, double>> per_file;
  coffer_->SetOnProgress([&](TCoffer&, bool&, double p) { overall.push_back(p); });
  coffer_->SetOnFileProgress(
      [&](TCoffer&, const std::string& name, double p) { per_file.emplace_back(name, p); });
  Export();

  EXPECT_EQ(Tree(),
            (std::vector<std::string>{"a.txt", "empty.dat", "sub/", "sub/b.txt", "sub/deep/",
                                      "sub/deep/c.bin", "hollow/", "sub/hollow2/"}));
  EXPECT_EQ(ReadAll(Out("a.txt")), "alpha");
  EXPECT_EQ(ReadAll(Out("sub/deep/c.bin")), big);
  EXPECT_EQ(platform::GetFileSize(Out("empty.dat")), 0);
  EXPECT_NE(platform::GetFileAttributes(Out("sub/b.txt")) & platform::kFileAttributeReadOnly, 0u);
  EXPECT_EQ(platform::GetFileAttributes(Out("a.txt")) & platform::kFileAttributeReadOnly, 0u);

  // Items: 4 files and 4 folders; 0 first, then one report per item, 100.
  ASSERT_EQ(overall.size(), 10u);
  EXPECT_EQ(overall.front(), 0);
  EXPECT_EQ(overall[1], 12);  // 12.5 rounds to the even 12
  EXPECT_EQ(overall[3], 38);  // 37.5 -> 38
  EXPECT_EQ(overall[8], 100);
  EXPECT_EQ(overall.back(), 100);

  // Names are relative to DestDir with backslashes; the empty file reports
  // 0 and 100, a file of one chunk or more reports 100 twice.
  auto reports = [&](const std::string& name) {
    std::vector<double> v;
    for (const auto& r : per_file) {
      if (r.first == name) v.push_back(r.second);
    }
    return v;
  };
  EXPECT_EQ(reports("empty.dat"), (std::vector<double>{0, 100}));
  EXPECT_EQ(reports("sub\\b.txt"), (std::vector<double>{0, 100, 100}));
  const std::vector<double> c = reports("sub\\deep\\c.bin");
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0], 0);
  EXPECT_DOUBLE_EQ(c[1], 100.0 * 1048576 / big.size());
  EXPECT_EQ(c[2], 100);
  EXPECT_EQ(c[3], 100);
  EXPECT_TRUE(reports("x.txt").empty());
}

TEST_F(ExportTest, OverwriteModes) {
  struct Case {
    uint8_t mode;
    bool answer;  // of OnOverwrite in mode 2
    bool replaced;
  };
  const std::vector<Case> cases = {
      {0, false, true}, {1, false, false}, {2, false, false}, {2, true, true}};
  Store("\\P\\a.txt", "new");
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.mode});
    platform::CreateDirectory(dest_);
    platform::SetFileAttributes(Out("a.txt"), 0);
    ASSERT_TRUE(WriteAll(Out("a.txt"), "old content"));
    platform::SetFileAttributes(Out("a.txt"), platform::kFileAttributeReadOnly);
    std::vector<std::string> asked;
    coffer_->SetOnOverwrite(
        [&](TCoffer&, const std::string& local, const std::string& stored, bool& overwrite) {
          EXPECT_FALSE(overwrite);
          asked.push_back(local + "|" + stored);
          overwrite = c.answer;
        });
    Export(c.mode);
    EXPECT_EQ(ReadAll(Out("a.txt")), c.replaced ? "new" : "old content");
    EXPECT_EQ(asked.size(), c.mode == 2 ? 1u : 0u);
    if (!asked.empty()) {
      EXPECT_EQ(asked[0], "a.txt|\\P\\a.txt");
    }
  }
  platform::SetFileAttributes(Out("a.txt"), 0);
}

// The first export makes the folders and knows them empty; a second export
// into them must meet the first one's files (read-only ones included) and
// apply its overwrite rule to each, in the destination and in subfolders.
TEST_F(ExportTest, SecondExportMeetsTheFirstOnesFiles) {
  struct Case {
    uint8_t mode;
    bool replaced;
  };
  for (const Case& c : std::vector<Case>{{1, false}, {0, true}}) {
    SCOPED_TRACE(int{c.mode});
    platform::RemoveDirectoryTree(dest_);
    Recreate();
    Store("\\P\\a.txt", "first a", 0x21);
    Store("\\P\\sub\\b.txt", "first b", 0x21);
    Export();
    Recreate();
    Store("\\P\\a.txt", "second a");
    Store("\\P\\sub\\b.txt", "second b");
    Store("\\P\\sub\\deep\\c.bin", "second c");
    int asked = 0;
    coffer_->SetOnOverwrite(
        [&](TCoffer&, const std::string&, const std::string&, bool&) { ++asked; });
    Export(c.mode);
    EXPECT_EQ(ReadAll(Out("a.txt")), c.replaced ? "second a" : "first a");
    EXPECT_EQ(ReadAll(Out("sub/b.txt")), c.replaced ? "second b" : "first b");
    EXPECT_EQ(ReadAll(Out("sub/deep/c.bin")), "second c");
    EXPECT_EQ(
        (platform::GetFileAttributes(Out("sub/b.txt")) & platform::kFileAttributeReadOnly) != 0,
        !c.replaced);
    EXPECT_EQ(asked, 0);
    platform::SetFileAttributes(Out("a.txt"), 0);
    platform::SetFileAttributes(Out("sub/b.txt"), 0);
  }
}

TEST_F(ExportTest, AbortStopsAfterTheCurrentItem) {
  Store("\\P\\1", "1");
  Store("\\P\\2", "2");
  Store("\\P\\3", "3");
  std::vector<double> overall;
  coffer_->SetOnProgress([&](TCoffer&, bool& abort, double p) {
    overall.push_back(p);
    if (overall.size() == 2) abort = true;
  });
  Export();
  EXPECT_EQ(overall, (std::vector<double>{0, 33, 100}));
  EXPECT_TRUE(coffer_->Abort());
}

// Stored names that would write outside DestDir, or that the disk cannot
// hold, stop the export before anything is written.
TEST_F(ExportTest, HostileNamesAreRefused) {
  for (const std::string bad :
       {"a:b", "C:evil", "CON", "nul.txt", "trailing.", "wild*", "tab\tx"}) {
    SCOPED_TRACE(bad);
    Recreate();
    Store("\\P\\fine.txt", "fine");
    Store("\\P\\" + bad, "bad");
    try {
      Export();
      FAIL() << "exported";
    } catch (const EVorError& e) {
      EXPECT_EQ(std::string(e.what()), "Error in TCoffer.ExportFiles - entry '\\P\\" + bad +
                                           "' has a name that cannot be used on disk.");
    }
    EXPECT_FALSE(platform::FileExists(Out("fine.txt")));
    EXPECT_FALSE(platform::FileExists(Path("evil")));
  }
  // A hostile folder name is refused the same way.
  Recreate();
  ASSERT_GE(coffer_->CreateFolder("\\P\\d:"), 0);
  Store("\\P\\d:\\f", "x");
  EXPECT_THROW(Export(), EVorError);
  // ".." entries are skipped, never followed.
  Recreate();
  ASSERT_GE(coffer_->CreateFolder("\\P"), 0);
  ASSERT_GE(coffer_->FileCreate("\\P\\..", "", "", ""), 0);
  Store("\\P\\ok", "ok");
  Export();
  EXPECT_EQ(ReadAll(Out("ok")), "ok");
}

TEST_F(ExportTest, FileThatCannotBeRemovedStopsTheExport) {
  // Only where an open file cannot be deleted (Windows).
  const std::string probe = Path("probe");
  ASSERT_TRUE(WriteAll(probe, "p"));
  {
    auto held = platform::FileHandle::Open(probe, platform::FileAccess::kReadWrite,
                                           platform::FileShare::kExclusive,
                                           platform::FileDisposition::kOpenExisting);
    ASSERT_NE(held, nullptr);
    if (platform::DeleteFile(probe)) GTEST_SKIP() << "open files can be deleted here";
  }
  Store("\\P\\a.txt", "a");
  Store("\\P\\b.txt", "b");
  // The file the folder search delivers second is held open on disk.
  std::vector<std::string> order;
  TSearchRec rec;
  for (int32_t r = coffer_->FindFirst("\\P\\*.*", 63, &rec); r == 0; r = coffer_->FindNext(&rec)) {
    order.push_back(rec.Name);
  }
  coffer_->FindClose(&rec);
  ASSERT_EQ(order.size(), 2u);
  platform::CreateDirectory(dest_);
  ASSERT_TRUE(WriteAll(Out(order[1]), "locked"));
  auto held = platform::FileHandle::Open(Out(order[1]), platform::FileAccess::kReadWrite,
                                         platform::FileShare::kExclusive,
                                         platform::FileDisposition::kOpenExisting);
  ASSERT_NE(held, nullptr);
  try {
    Export();
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Error in TCoffer.ExportFiles - file '" + Out(order[1]) + "' cannot be overwritten.");
  }
  // The file exported before it stays.
  EXPECT_EQ(ReadAll(Out(order[0])), order[0].substr(0, 1));
  held.reset();
}

}  // namespace
}  // namespace vor
