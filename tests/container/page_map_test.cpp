#include "container/store/page_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/coding.h"
#include "common/error.h"
#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/page_file.h"
#include "support/error_message.h"
#include "support/page_file_fixture.h"

namespace vor {
namespace {

using testing::ErrorMessage;
constexpr int64_t kData = 4064;  // data bytes of a 4096-byte page

class PageMapTest : public testing::PageFileTest {
 protected:
  void OpenLayers() override { maps_ = std::make_unique<TUserFilePageMapManager>(*pf_, *fs_); }
  void CloseLayers() override { maps_.reset(); }

  static TFileRec NewFile() {
    TFileRec rec;
    rec.FirstMapPageNo = -1;
    return rec;
  }
  // Resizes the file as the facade does: pages first, then the size.
  void Resize(TFileRec& rec, int64_t size) {
    ASSERT_TRUE(maps_->ResizeFile(rec, true, size));
    rec.FileSize = size;
  }
  std::vector<int32_t> DataPages(const TFileRec& rec) {
    std::shared_ptr<const TIntegerArray> map, data;
    maps_->GetMaps(rec, &map, &data);
    return data->ToVector();
  }
  std::vector<int32_t> MapPages(const TFileRec& rec) {
    std::shared_ptr<const TIntegerArray> map, data;
    maps_->GetMaps(rec, &map, &data);
    return map->ToVector();
  }
  std::vector<int32_t> Range(TFileRec& rec, bool grow, int64_t position, int64_t count) {
    TIntegerArray pages;
    EXPECT_TRUE(maps_->GetPagesForRange(rec, grow, position, count, &pages));
    return pages.ToVector();
  }
  // A map page as stored: its header and its first slots.
  TPageRecord ReadMapPage(int32_t page_no) {
    TPageRecord page;
    pf_->InitPage(page);
    EXPECT_TRUE(pf_->ReadPage(page, page_no, -1));
    return page;
  }
  // Marks a page's header so that a later rewrite shows.
  void Mark(int32_t page_no) {
    TPageRecord page;
    ASSERT_TRUE(pf_->ReadPage(page, page_no, 0));
    page.Reserved[0] = 0xAB;
    ASSERT_TRUE(pf_->WritePage(page, page_no, 0));
  }
  bool Marked(int32_t page_no) {
    TPageRecord page;
    EXPECT_TRUE(pf_->ReadPage(page, page_no, 0));
    return page.Reserved[0] == 0xAB;
  }
  std::unique_ptr<TUserFilePageMapManager> maps_;
};

TEST_F(PageMapTest, PagesForSize) {
  EXPECT_EQ(maps_->EntriesPerMapPage(), 1016);
  const std::pair<int64_t, int32_t> cases[] = {{0, 0},
                                               {-5, 0},
                                               {1, 1},
                                               {kData, 1},
                                               {kData + 1, 2},
                                               {kData * 1016, 1016},
                                               {kData * 1016 + 1, 1017},
                                               {int64_t{1} << 62, 2147483647}};
  for (const auto& c : cases) EXPECT_EQ(maps_->PagesForSize(c.first), c.second) << c.first;
}

TEST_F(PageMapTest, PlacementInAFreshContainer) {
  TDIRManager dir(*pf_, *fs_);
  ASSERT_EQ(dir.CreateEntry("f", "", "", ""), 0);
  EXPECT_EQ(dir.DIRPageNos().ToVector(), std::vector<int32_t>{4});
  TFileRec a = NewFile(), b = NewFile(), c = NewFile();
  ASSERT_TRUE(maps_->AppendPages(a, 1, true));
  ASSERT_TRUE(maps_->AppendPages(b, 2, true));
  ASSERT_TRUE(maps_->AppendPages(c, 2, true));
  EXPECT_EQ(MapPages(a), std::vector<int32_t>{5});
  EXPECT_EQ(DataPages(a), std::vector<int32_t>{6});
  EXPECT_EQ(MapPages(b), std::vector<int32_t>{7});
  EXPECT_EQ(DataPages(b), (std::vector<int32_t>{8, 9}));
  EXPECT_EQ(MapPages(c), std::vector<int32_t>{10});
  EXPECT_EQ(DataPages(c), (std::vector<int32_t>{11, 12}));
  EXPECT_EQ(pf_->Header().FilePageCount, 17);
}

TEST_F(PageMapTest, OneByteFileHasAMapPageInFrontOfItsDataPage) {
  TFileRec rec = NewFile();
  Resize(rec, 1);
  EXPECT_EQ(rec.FirstMapPageNo, 4);
  EXPECT_EQ(DataPages(rec), std::vector<int32_t>{5});
  TPageRecord map = ReadMapPage(4);
  EXPECT_EQ(map.PageType, PageTypeUFPM);
  EXPECT_EQ(map.EncryptionType, 0);
  EXPECT_EQ(map.NextPageNo, -1);
  EXPECT_EQ(DecodeFixedI32(map.pData), 5);
  TPageRecord data = ReadMapPage(5);
  EXPECT_EQ(data.PageType, PageTypeData);
  EXPECT_TRUE(std::all_of(data.pData, data.pData + kData, [](uint8_t b) { return b == 0; }));
}

TEST_F(PageMapTest, PageCountFollowsTheSize) {
  for (const auto& c : {std::pair<int64_t, size_t>{kData, 1}, {kData + 1, 2}}) {
    TFileRec rec = NewFile();
    Resize(rec, c.first);
    EXPECT_EQ(DataPages(rec).size(), c.second) << c.first;
    EXPECT_EQ(MapPages(rec).size(), 1u);
  }
}

TEST_F(PageMapTest, GrowingRewritesOnlyTheLastMapPageAndTheNewOnes) {
  TFileRec rec = NewFile();
  Resize(rec, 1);
  const int32_t map0 = rec.FirstMapPageNo;
  Mark(map0);
  Resize(rec, kData + 1);  // 1 -> 2 data pages: map page 0 only
  EXPECT_FALSE(Marked(map0));
  EXPECT_EQ(MapPages(rec).size(), 1u);

  Resize(rec, kData * 1016);
  EXPECT_EQ(MapPages(rec).size(), 1u);
  Mark(map0);
  Resize(rec, kData * 1016 + 1);  // 1016 -> 1017: a second map page, page 0 relinked
  const std::vector<int32_t> maps = MapPages(rec);
  ASSERT_EQ(maps.size(), 2u);
  EXPECT_FALSE(Marked(map0));
  EXPECT_EQ(ReadMapPage(map0).NextPageNo, maps[1]);
  TPageRecord second = ReadMapPage(maps[1]);
  EXPECT_EQ(second.NextPageNo, -1);
  EXPECT_EQ(DecodeFixedI32(second.pData), DataPages(rec)[1016]);

  Mark(map0);
  Mark(maps[1]);
  Resize(rec, kData * 1018);  // 1017 -> 1018: the second map page only
  EXPECT_TRUE(Marked(map0));
  EXPECT_FALSE(Marked(maps[1]));

  // The chain on disk describes the same pages as the cache.
  const std::vector<int32_t> data = DataPages(rec);
  Open(kOpenModeExclusiveReadWrite);
  EXPECT_EQ(DataPages(rec), data);
  EXPECT_EQ(MapPages(rec), maps);
}

TEST_F(PageMapTest, TruncationFreesPages) {
  TFileRec rec = NewFile();
  Resize(rec, kData * 1017);
  const std::vector<int32_t> maps = MapPages(rec);
  const std::vector<int32_t> data = DataPages(rec);
  Resize(rec, 1);
  EXPECT_EQ(MapPages(rec), std::vector<int32_t>{maps[0]});
  EXPECT_EQ(DataPages(rec), std::vector<int32_t>{data[0]});
  EXPECT_EQ(ReadMapPage(maps[0]).NextPageNo, -1);
  const int32_t first = pf_->Header().FirstExtentPageNo;
  EXPECT_TRUE(fs_->PageFree(maps[1] - first));
  EXPECT_TRUE(fs_->PageFree(data[1] - first));
  EXPECT_FALSE(fs_->PageFree(data[0] - first));

  Resize(rec, 0);
  EXPECT_EQ(rec.FirstMapPageNo, -1);
  EXPECT_TRUE(fs_->PageFree(maps[0] - first));
  EXPECT_TRUE(fs_->PageFree(data[0] - first));
  EXPECT_EQ(maps_->MapCacheCount(), 0);
  EXPECT_EQ(maps_->DataCacheCount(), 0);
}

TEST_F(PageMapTest, PagesForRangeIncludeThePageOfTheEndByte) {
  TFileRec two = NewFile();
  Resize(two, kData * 2);
  const std::vector<int32_t> pages = DataPages(two);
  EXPECT_EQ(Range(two, false, 0, kData), pages);
  EXPECT_EQ(Range(two, false, 0, kData - 1), std::vector<int32_t>{pages[0]});
  EXPECT_EQ(Range(two, false, kData, 10), std::vector<int32_t>{pages[1]});
  EXPECT_EQ(Range(two, false, kData * 5, 10), std::vector<int32_t>{});
  TFileRec one = NewFile();
  Resize(one, kData);
  EXPECT_EQ(Range(one, false, 0, kData).size(), 1u);

  TFileRec none = NewFile();
  EXPECT_EQ(Range(none, false, 0, 100), std::vector<int32_t>{});
  EXPECT_EQ(none.FirstMapPageNo, -1);
  EXPECT_EQ(Range(none, true, 0, kData + 1).size(), 2u);  // grows first
  EXPECT_EQ(DataPages(none).size(), 2u);
  EXPECT_EQ(Range(two, true, -1, 10), std::vector<int32_t>{});
}

TEST_F(PageMapTest, Messages) {
  TFileRec rec = NewFile();
  EXPECT_EQ(ErrorMessage([&] { maps_->AppendPages(rec, 0, true); }),
            "TUserFilePageMapManager.AppendPages - PageCount <= 0.");
  EXPECT_EQ(ErrorMessage([&] { DataPages(rec); }),
            "TUserFilePageMapManager.GetMaps - Invalid parameter FileRec.FirstMapPageNo");
  EXPECT_EQ(ErrorMessage([&] { maps_->DeletePagesFromEOF(rec, 1); }),
            "TUserFilePageMapManager.DeletePagesFromEOF - File map not exists.");
}

TEST_F(PageMapTest, DamagedMapsAreRefused) {
  TFileRec rec = NewFile();
  Resize(rec, kData);
  const int32_t map0 = rec.FirstMapPageNo;
  Open(kOpenModeExclusiveReadWrite);  // empty caches
  TFileRec longer = rec;
  longer.FileSize = kData * 1017;  // needs a second map page the chain lacks
  EXPECT_EQ(ErrorMessage([&] { DataPages(longer); }),
            "TUserFilePageMapManager.GetMaps - Invalid page No in map chain.");
  TFileRec header_page = rec;
  header_page.FirstMapPageNo = 0;
  EXPECT_EQ(ErrorMessage([&] { DataPages(header_page); }),
            "TUserFilePageMapManager.GetMaps - Invalid page No in map chain.");
  TFileRec huge = rec;
  huge.FileSize = int64_t{1} << 50;
  EXPECT_EQ(ErrorMessage([&] { DataPages(huge); }),
            "TUserFilePageMapManager.GetMaps - Invalid page No in map chain.");

  // A map page whose stored data no longer matches its checksum.
  Close();
  std::string bytes = ReadAll(Path("box.cfr"));
  const size_t offset =
      280 + static_cast<size_t>(map0) * 4096 + 32 + 100;  // behind the volume header
  ASSERT_LT(offset, bytes.size());
  bytes[offset] = static_cast<char>(bytes[offset] ^ 1);
  ASSERT_TRUE(WriteAll(Path("box.cfr"), bytes));
  Open(kOpenModeExclusiveReadWrite);
  EXPECT_EQ(ErrorMessage([&] { DataPages(rec); }),
            "TUserFilePageMapManager.GetMaps - Error on reading map page.");
}

TEST_F(PageMapTest, FailedAllocationChangesNothing) {
  TFileRec rec = NewFile();
  Resize(rec, 1);
  TIntegerArray rest;
  ASSERT_TRUE(fs_->GetPages(2, 1, false, rest));  // extent 0 used up
  Open(kOpenModeRead);
  EXPECT_FALSE(maps_->AppendPages(rec, 3, true));
  EXPECT_EQ(maps_->LastError(), -17);
  EXPECT_EQ(DataPages(rec).size(), 1u);
  EXPECT_EQ(MapPages(rec).size(), 1u);
  TFileRec fresh = NewFile();
  TIntegerArray pages;
  EXPECT_FALSE(maps_->GetPagesForRange(fresh, true, 0, 10, &pages));
  EXPECT_EQ(fresh.FirstMapPageNo, -1);
}

TEST_F(PageMapTest, CacheStaysBoundedAndHeldListsStayValid) {
  std::vector<TFileRec> files(150, NewFile());
  for (auto& f : files) Resize(f, 1);
  std::shared_ptr<const TIntegerArray> held_map, held_data;
  maps_->GetMaps(files[0], &held_map, &held_data);
  const std::vector<int32_t> expected = held_data->ToVector();
  for (auto& f : files) {
    DataPages(f);
    EXPECT_LE(maps_->MapCacheCount(), TUserFilePageMapManager::kCacheLimit);
    EXPECT_LE(maps_->DataCacheCount(), TUserFilePageMapManager::kCacheLimit);
  }
  EXPECT_EQ(held_data->ToVector(), expected);

  // A file that gets its map while the cache is full still sees its new pages.
  for (size_t i = 0; maps_->MapCacheCount() < TUserFilePageMapManager::kCacheLimit; ++i) {
    DataPages(files[i]);
  }
  ASSERT_EQ(maps_->MapCacheCount(), TUserFilePageMapManager::kCacheLimit);
  TFileRec grown = NewFile();
  const std::vector<int32_t> pages = Range(grown, true, 0, kData * 3);
  EXPECT_EQ(pages.size(), 3u);
  grown.FileSize = kData * 3;
  EXPECT_EQ(DataPages(grown), pages);
}

}  // namespace
}  // namespace vor
