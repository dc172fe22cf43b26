#include "container/store/dir_manager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "common/error.h"
#include "container/store/allocation_maps.h"
#include "container/store/page_file.h"
#include "support/error_message.h"
#include "support/page_file_fixture.h"

namespace vor {
namespace {

using testing::ErrorMessage;

class DirManagerTest : public testing::PageFileTest {
 protected:
  void OpenLayers() override { dir_ = std::make_unique<TDIRManager>(*pf_, *fs_); }
  void CloseLayers() override { dir_.reset(); }
  TPageRecord Header(int32_t page_no) {
    TPageRecord page;
    EXPECT_TRUE(pf_->ReadPage(page, page_no, 0));
    return page;
  }

  std::unique_ptr<TDIRManager> dir_;
};

TEST_F(DirManagerTest, TenRecordsLieOnTwoChainedPages) {
  EXPECT_EQ(dir_->EntriesPerPage(), 7);
  EXPECT_EQ(dir_->DIRPageDataSize(), 3584);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(dir_->CreateEntry("\\file" + std::to_string(i), "", "", ""), i);
  }
  const TContainerHeader& h = pf_->Header();
  EXPECT_EQ(h.DIRPageCount, 2);
  EXPECT_EQ(h.DIRItemCount, 10);
  EXPECT_EQ(h.FirstDIRPageNo, 4);
  ASSERT_EQ(dir_->DIRPageNos().ToVector(), (std::vector<int32_t>{4, 5}));
  TPageRecord first = Header(4);
  EXPECT_EQ(first.PageType, PageTypeDIR);
  EXPECT_EQ(first.NextPageNo, 5);
  TPageRecord second = Header(5);
  EXPECT_EQ(second.PageType, PageTypeDIR);
  EXPECT_EQ(second.NextPageNo, 5);  // the last page links to itself

  Open(kOpenModeExclusiveReadWrite);
  EXPECT_EQ(dir_->DirArray().ItemCount(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(dir_->GetIndex("FILE" + std::to_string(i)), i);
  EXPECT_EQ(dir_->ReadItem(9).FileName, "file9");
}

TEST_F(DirManagerTest, NewRecordIsAnEmptyFileWithCurrentTimes) {
  const uint64_t before = NowFileTime();
  ASSERT_EQ(dir_->CreateEntry("a.txt", "", "", ""), 0);
  const TFileRec rec = dir_->ReadItem(0);
  EXPECT_EQ(rec.FirstMapPageNo, -1);
  EXPECT_EQ(rec.FileSize, 0);
  EXPECT_EQ(rec.ParentID, -1);
  EXPECT_EQ(rec.Attributes, 0u);
  EXPECT_EQ(rec.OwnEncryption, 0);
  EXPECT_GE(rec.CreationTime, before);
  EXPECT_EQ(rec.CreationTime, rec.LastWriteTime);
  EXPECT_EQ(rec.CreationTime, rec.LastAccessTime);
}

TEST_F(DirManagerTest, CreateEntryResolvesTheFolder) {
  ASSERT_EQ(dir_->CreateEntry("\\docs", "", "", ""), 0);
  TFileRec folder = dir_->ReadItem(0);
  folder.Attributes = kFileAttributeDirectory;
  dir_->WriteItem(0, folder);
  EXPECT_EQ(dir_->CreateEntry("docs\\a", "", "", ""), 1);
  EXPECT_EQ(dir_->CreateEntry("/docs/b", "", "", ""), 2);
  EXPECT_EQ(dir_->ReadItem(2).ParentID, 0);
  EXPECT_EQ(dir_->CreateEntry("missing\\c", "", "", ""), -1);
  EXPECT_EQ(dir_->CreateEntry("\\", "", "", ""), -1);
  EXPECT_EQ(dir_->CreateEntry("/", "", "", ""), -1);
  EXPECT_EQ(dir_->CreateEntry("", "", "", ""), -1);
  EXPECT_EQ(pf_->Header().DIRItemCount, 3);
  EXPECT_TRUE(dir_->DirExists("\\docs"));
  EXPECT_TRUE(dir_->DirExists("docs"));
  EXPECT_TRUE(dir_->DirExists("\\"));
  EXPECT_TRUE(dir_->DirExists("."));
  EXPECT_FALSE(dir_->DirExists("\\nothing"));
}

TEST_F(DirManagerTest, LongNameSurvivesReloadAndIsFoundUnderTheFullName) {
  const std::string name(300, 'L');
  ASSERT_EQ(dir_->CreateEntry("\\" + name, "", "", ""), 0);
  Open(kOpenModeExclusiveReadWrite);
  EXPECT_EQ(dir_->ReadItem(0).FileName, std::string(259, 'L'));
  EXPECT_EQ(dir_->GetIndex("\\" + name), 0);
}

TEST_F(DirManagerTest, DeletedSlotIsReusedWithoutGrowingTheDirectory) {
  for (int i = 0; i < 3; ++i) dir_->CreateEntry("f" + std::to_string(i), "", "", "");
  TFileRec rec = dir_->ReadItem(1);
  rec.Deleted = 1;
  dir_->WriteItem(1, rec);
  EXPECT_EQ(dir_->GetIndex("f1"), -2);
  EXPECT_EQ(dir_->CreateEntry("g", "", "", ""), 1);
  EXPECT_EQ(pf_->Header().DIRItemCount, 3);
  Open(kOpenModeExclusiveReadWrite);
  EXPECT_EQ(dir_->GetIndex("g"), 1);
  EXPECT_EQ(dir_->GetIndex("f2"), 2);
}

TEST_F(DirManagerTest, OpenCountsAndAccessTimes) {
  ASSERT_EQ(dir_->CreateEntry("f", "", "", ""), 0);
  TFileRec rec = dir_->ReadItem(0);
  rec.LastAccessTime = 1000;
  dir_->WriteItem(0, rec);

  Open(kOpenModeRead);
  std::string key = "stale";
  EXPECT_EQ(dir_->OpenEntry("f", "", &key), 0);
  EXPECT_EQ(key, "");
  EXPECT_EQ(dir_->ReadItem(0).LastAccessTime, 1000u);
  EXPECT_EQ(dir_->OpenCount(0), 1);
  dir_->CloseEntry(0);
  EXPECT_EQ(dir_->OpenCount(0), 0);
  EXPECT_EQ(dir_->OpenCount(1), -1);
  EXPECT_EQ(dir_->OpenCount(-1), -1);
  EXPECT_EQ(dir_->OpenEntry("\\", "", &key), -1);
  EXPECT_EQ(dir_->OpenEntry("nothing", "", &key), -1);

  Open(kOpenModeExclusiveReadWrite);
  EXPECT_EQ(dir_->OpenEntry("F", "", &key), 0);
  EXPECT_GT(dir_->ReadItem(0).LastAccessTime, 1000u);
  EXPECT_EQ(dir_->OpenCount(0), 1);
  rec = dir_->ReadItem(0);
  rec.Deleted = 1;
  dir_->WriteItem(0, rec);
  EXPECT_EQ(dir_->OpenCount(0), 0);  // deleting clears the count
}

TEST_F(DirManagerTest, BlockedRecordCannotBeOpened) {
  ASSERT_EQ(dir_->CreateEntry("f", "", "", ""), 0);
  TFileRec rec = dir_->ReadItem(0);
  rec.OpenBlocked = 1;
  dir_->WriteItem(0, rec);
  std::string key;
  EXPECT_EQ(dir_->OpenEntry("f", "", &key), -1);
  EXPECT_EQ(dir_->OpenCount(0), 0);
}

TEST_F(DirManagerTest, FileWithItsOwnPassword) {
  ASSERT_EQ(dir_->CreateEntry("secret", "pw", "", ""), 0);
  ASSERT_EQ(dir_->CreateEntry("plain", "", "", ""), 1);
  EXPECT_EQ(dir_->ReadItem(0).OwnEncryption, 1);
  EXPECT_TRUE(dir_->CheckEntryPassword("plain", "anything"));
  EXPECT_FALSE(dir_->CheckEntryPassword("none", ""));
  EXPECT_TRUE(dir_->CheckEntryPassword("secret", "pw"));
  EXPECT_FALSE(dir_->CheckEntryPassword("secret", "wrong"));
  std::string key;
  EXPECT_EQ(dir_->OpenEntry("secret", "pw", &key), 0);
  ASSERT_EQ(key.size(), 33u);
  EXPECT_EQ(key[32], '\0');
}

TEST_F(DirManagerTest, ReadOnlyContainerCannotGrowTheDirectory) {
  TIntegerArray pages;
  ASSERT_TRUE(fs_->GetPages(5, 1, false, pages));  // extent 0 used up
  Open(kOpenModeRead);
  EXPECT_EQ(dir_->CreateEntry("f", "", "", ""), -1);
  EXPECT_EQ(dir_->LastError(), -17);
  EXPECT_EQ(pf_->Header().DIRItemCount, 0);
  EXPECT_EQ(pf_->Header().DIRPageCount, 0);
}

TEST_F(DirManagerTest, PageFailuresRaiseTheirMessages) {
  ASSERT_EQ(dir_->CreateEntry("f", "", "", ""), 0);
  Open(kOpenModeRead);
  TFileRec rec = dir_->ReadItem(0);
  EXPECT_EQ(ErrorMessage([&] { dir_->WriteItem(0, rec); }),
            "TDIRManager.WriteItem - can not save page, pageNo = 4");
  EXPECT_EQ(ErrorMessage([&] { dir_->ReadItem(1); }), "TDIRArray.ReadItem - invalid itemNo = 1");
}

TEST_F(DirManagerTest, DamagedDirectoryIsRefusedOnLoad) {
  for (int i = 0; i < 8; ++i) dir_->CreateEntry("f" + std::to_string(i), "", "", "");
  // More records than the pages hold.
  pf_->Header().DIRItemCount = 15;
  pf_->SaveHeader();
  EXPECT_EQ(ErrorMessage([&] { Open(kOpenModeExclusiveReadWrite); }),
            "TDIRManager.Load - invalid directory item count, DIRItemCount = 15");
  // A chain that comes back to a page it has visited.
  Close();
  pf_ = std::make_unique<TPageFileManager>(Path("box.cfr"), kOpenModeExclusiveReadWrite, "", "", "",
                                           false, 4096, 8, -1);
  pf_->Header().DIRItemCount = 8;
  pf_->Header().DIRPageCount = 3;
  pf_->SaveHeader();
  pf_.reset();
  EXPECT_EQ(ErrorMessage([&] { Open(kOpenModeExclusiveReadWrite); }),
            "TDIRManager.Load - can not load page, pageNo = 5");
  // More pages than the container has.
  Close();
  pf_ = std::make_unique<TPageFileManager>(Path("box.cfr"), kOpenModeExclusiveReadWrite, "", "", "",
                                           false, 4096, 8, -1);
  pf_->Header().DIRPageCount = 1000000;
  pf_->SaveHeader();
  pf_.reset();
  EXPECT_EQ(ErrorMessage([&] { Open(kOpenModeExclusiveReadWrite); }),
            "TDIRManager.Load - invalid directory page count, DIRPageCount = 1000000");
}

}  // namespace
}  // namespace vor
