#include "container/store/allocation_maps.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "container/store/page_file.h"
#include "support/page_file_fixture.h"

namespace vor {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<int32_t> Range(int32_t first, int32_t last) {
  std::vector<int32_t> v(static_cast<size_t>(last - first + 1));
  std::iota(v.begin(), v.end(), first);
  return v;
}

TIntegerArray List(const std::vector<int32_t>& pages) {
  TIntegerArray a;
  for (int32_t p : pages) a.Add(p);
  return a;
}

class FreeSpaceTest : public testing::PageFileTest {
 protected:
  // Closes and opens the container again, which reloads the maps.
  void Reopen() { Open(kOpenModeExclusiveReadWrite); }

  std::vector<int32_t> Get(int32_t count, int32_t near_page, bool uniform) {
    TIntegerArray pages;
    EXPECT_TRUE(fs_->GetPages(count, near_page, uniform, pages));
    return pages.ToVector();
  }

  // The free relative pages among 0 .. n - 1.
  std::vector<int32_t> FreeRelative(int32_t n) const {
    std::vector<int32_t> v;
    for (int32_t r = 0; r < n; ++r) {
      if (fs_->PageFree(r)) v.push_back(r);
    }
    return v;
  }

  uint8_t StoredPageType(int32_t page_no) {
    TPageRecord page;
    EXPECT_TRUE(pf_->ReadPage(page, page_no, 0));
    return page.PageType;
  }
};

TEST_F(FreeSpaceTest, DerivedSizesForTheUsualGeometry) {
  EXPECT_EQ(fs_->PFSBytesPerPage(), 4064);
  EXPECT_EQ(fs_->ExtentsPerPFSPage(), 4064);
  EXPECT_EQ(fs_->GAMBytesPerPage(), 4064);
  EXPECT_EQ(fs_->ExtentsPerGAMPage(), 32512);
  EXPECT_EQ(fs_->ExtentCount(), 0);
}

TEST_F(FreeSpaceTest, FirstPageOfAFreshContainerIsPage4AfterTheMapPages) {
  EXPECT_THAT(Get(1, 1, false), ElementsAre(4));
  const TContainerHeader& h = pf_->Header();
  EXPECT_EQ(h.FilePageCount, 9);
  EXPECT_EQ(h.PFSPageCount, 1);
  EXPECT_EQ(h.GAMPageCount, 1);
  EXPECT_THAT(FreeRelative(8), ElementsAre(4, 5, 6, 7));
  EXPECT_FALSE(fs_->ExtentOpen(0));
  EXPECT_TRUE(fs_->ExtentMixed(0));
  EXPECT_EQ(StoredPageType(1), PageTypePFS);
  EXPECT_EQ(StoredPageType(2), PageTypeGAM);
  EXPECT_EQ(StoredPageType(3), PageTypeSGAM);

  // The maps on disk say the same after reopening.
  Reopen();
  EXPECT_THAT(FreeRelative(8), ElementsAre(4, 5, 6, 7));
  EXPECT_EQ(fs_->ExtentCount(), 1);
  EXPECT_EQ(fs_->MixedExtentCount(), 1);
  EXPECT_EQ(fs_->FreeExtentCount(), 0);
  EXPECT_THAT(Get(1, 1, false), ElementsAre(5));
}

TEST_F(FreeSpaceTest, SixPagesTakeTwoNewExtents) {
  EXPECT_THAT(Get(6, 1, false), ElementsAreArray(Range(4, 9)));
  EXPECT_EQ(pf_->Header().FilePageCount, 17);
  EXPECT_EQ(fs_->ExtentCount(), 2);
  // Extent 0 is used up; extent 1 stays open although page 9 is taken.
  EXPECT_FALSE(fs_->ExtentOpen(0));
  EXPECT_FALSE(fs_->ExtentMixed(0));
  EXPECT_TRUE(fs_->ExtentOpen(1));
}

TEST_F(FreeSpaceTest, UniformRequestSkipsTheExtentHoldingTheMaps) {
  EXPECT_THAT(Get(8, 1, true), ElementsAreArray(Range(9, 16)));
  EXPECT_EQ(pf_->Header().FilePageCount, 17);
  EXPECT_FALSE(fs_->ExtentOpen(1));
  EXPECT_THAT(FreeRelative(16), ElementsAre(3, 4, 5, 6, 7));
  // The free pages of extent 0 serve the next request that is not uniform.
  EXPECT_THAT(Get(2, 1, false), ElementsAre(4, 5));
}

TEST_F(FreeSpaceTest, DirectoryAndThreeFilesLandWhereTheirOrderPutsThem) {
  EXPECT_THAT(Get(1, 1, false), ElementsAre(4));     // directory page
  EXPECT_THAT(Get(1, 1, false), ElementsAre(5));     // file 1: map page
  EXPECT_THAT(Get(1, 6, false), ElementsAre(6));     //         data
  EXPECT_THAT(Get(1, 1, false), ElementsAre(7));     // file 2: map page
  EXPECT_THAT(Get(2, 8, false), ElementsAre(8, 9));  //       data, extent 1 added
  EXPECT_EQ(pf_->Header().FilePageCount, 17);
  EXPECT_THAT(Get(1, 1, false), ElementsAre(10));  // file 3: map page
  EXPECT_THAT(Get(2, 11, false), ElementsAre(11, 12));
}

TEST_F(FreeSpaceTest, NearPageExtentComesFirst) {
  Get(16, 1, false);  // pages 4 .. 19, three extents
  TIntegerArray freed = List({6, 18});
  fs_->FreePages(freed);
  // Page 6 lies in a closed extent that only a request aimed at it reaches;
  // the rest comes from the first open extent.
  EXPECT_THAT(Get(2, 7, false), ElementsAre(6, 18));
}

TEST_F(FreeSpaceTest, FreeingAWholeExtentReopensItAndPagesAreReused) {
  Get(13, 1, false);  // extent 0: 4..8, extent 1: 9..16 (used up)
  ASSERT_FALSE(fs_->ExtentOpen(1));

  // All but one page: no bit changes.
  TIntegerArray some = List(Range(9, 15));
  fs_->FreePages(some);
  EXPECT_FALSE(fs_->ExtentOpen(1));
  EXPECT_FALSE(fs_->ExtentMixed(1));

  // The last page too: the extent is open again, the counter follows.
  const int32_t free_before = fs_->FreeExtentCount();
  TIntegerArray last = List({16});
  fs_->FreePages(last);
  EXPECT_TRUE(fs_->ExtentOpen(1));
  EXPECT_FALSE(fs_->ExtentMixed(1));
  EXPECT_EQ(fs_->FreeExtentCount(), free_before + 1);

  Reopen();
  EXPECT_TRUE(fs_->ExtentOpen(1));
  EXPECT_THAT(Get(8, 1, true), ElementsAreArray(Range(9, 16)));
  EXPECT_EQ(pf_->Header().FilePageCount, 17);
}

TEST_F(FreeSpaceTest, FreeingIgnoresPagesOutsideTheAreaAndTheMapPages) {
  Get(5, 1, false);  // 4..8
  const std::string before = ReadAll(Path("box.cfr"));
  TIntegerArray bogus = List({0, 1, 2, 3, 9, 17, 1000, -5});
  fs_->FreePages(bogus);
  EXPECT_THAT(FreeRelative(8), ElementsAre());
  EXPECT_EQ(ReadAll(Path("box.cfr")), before);
  // The map pages are never handed out.
  EXPECT_THAT(Get(1, 1, false), ElementsAre(9));
}

TEST_F(FreeSpaceTest, OnlyChangedMapPagesAreWritten) {
  Get(1, 1, false);
  // Damage the GAM page on disk; a request that changes only PFS bits
  // leaves it alone, so reopening fails on it.
  TPageRecord page;
  pf_->InitPage(page);
  ASSERT_TRUE(pf_->ReadPage(page, 2, fs_->GAMBytesPerPage()));
  page.Checksum ^= 1;
  page.ChecksumKind = 0;
  ASSERT_TRUE(pf_->WritePage(page, 2, 0));  // header only: stale checksum
  Get(1, 1, false);                         // page 5: PFS bit only
  try {
    Reopen();
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TFreeSpaceManager.LoadGAM - can not load page, pageNo = 2");
  }
}

TEST_F(FreeSpaceTest, HeaderCountsThatDoNotCoverTheExtentsAreRefused) {
  Get(20, 1, false);
  struct Case {
    int32_t pfs, gam;
    const char* message;
  } cases[] = {
      {0, 1, "TFreeSpaceManager.Create - PFSPageCount * FPageSize < FExtentCount!"},
      {1, 0, "TFreeSpaceManager.Create - GAMPageCount * FPageSize < FExtentCount!"},
      {2, 1, "TFreeSpaceManager.Create - more map pages than extents!"},
  };
  for (const auto& c : cases) {
    pf_->Header().PFSPageCount = c.pfs;
    pf_->Header().GAMPageCount = c.gam;
    pf_->SaveHeader();
    try {
      Reopen();
      FAIL() << c.message;
    } catch (const EVorError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST_F(FreeSpaceTest, FlagListsOfTheWrongLengthAreRefused) {
  Get(1, 1, false);
  TIntegerArray flags(2, 1, 10);
  try {
    fs_->SavePFS(flags);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TFreeSpaceManager.SavePFS - pages.ItemCount <> PFSPageMap.ItemCount!");
  }
  try {
    fs_->SaveGAM(flags);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TFreeSpaceManager.SaveGAM - pages.ItemCount <> GAMPageMap.ItemCount!");
  }
}

TEST_F(FreeSpaceTest, ReadOnlyContainerCannotGrow) {
  Get(1, 1, false);
  fs_.reset();
  pf_.reset();
  pf_ = std::make_unique<TPageFileManager>(Path("box.cfr"), 0x0000, "", "", "", false, 4096, 8, -1);
  fs_ = std::make_unique<TFreeSpaceManager>(*pf_);
  TIntegerArray pages;
  EXPECT_FALSE(fs_->GetPages(9, 1, false, pages));
  EXPECT_EQ(pf_->Header().FilePageCount, 9);
}

// Grows past the range of the first PFS page (32,512 pages, about 127 MB of
// sparse file).
TEST_F(FreeSpaceTest, SecondPFSPageStartsTheExtentAfterTheFirstRange) {
  // The first 4,064 extents yield 5 + 4,063 x 8 = 32,509 pages; one more
  // needs extent 4,064, whose first page is the second PFS page.
  const std::vector<int32_t> pages = Get(32510, 1, false);
  ASSERT_EQ(pages.size(), 32510u);
  EXPECT_EQ(pages.front(), 4);
  EXPECT_EQ(pages[32508], 32512);
  EXPECT_EQ(pages.back(), 32514);
  EXPECT_THAT(fs_->PFSPageMap().ToVector(), ElementsAre(1, 32513));
  EXPECT_EQ(pf_->Header().PFSPageCount, 2);
  EXPECT_EQ(pf_->Header().GAMPageCount, 1);
  EXPECT_EQ(pf_->Header().FilePageCount, 1 + 4065 * 8);
  EXPECT_EQ(StoredPageType(32513), PageTypePFS);
  // The counters drift while open (used-up extents still count as free)...
  EXPECT_EQ(fs_->FreeExtentCount(), 4063);
  EXPECT_EQ(fs_->MixedExtentCount(), 1);

  // ... and are recounted from the bits when the container is opened.
  Reopen();
  EXPECT_EQ(fs_->ExtentCount(), 4065);
  EXPECT_EQ(fs_->FreeExtentCount(), 1);  // extent 4,064 keeps its GAM bit
  EXPECT_EQ(fs_->MixedExtentCount(), 0);
  EXPECT_FALSE(fs_->PageFree(32512));  // the second PFS page itself
  EXPECT_TRUE(fs_->PageFree(32514));
  EXPECT_THAT(Get(1, 1, false), ElementsAre(32515));
}

}  // namespace
}  // namespace vor
