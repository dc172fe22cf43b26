// vorpack's choice of page size: the estimate against containers the engine
// really lays out, and the choice for payloads of many small or few large
// files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "container/coffer.h"
#include "container/store/page_file.h"
#include "container/stream/file_stream.h"
#include "new_container.h"
#include "page_size_choice.h"
#include "platform/test_temp_dir.h"

namespace vor::testing {
namespace {

using vorpack::ChoosePageSize;
using vorpack::EstimateContainerBytes;

class PageSizeEstimate : public TempDirTest {
 protected:
  // The volume data bytes of a container at page_size holding files of these
  // sizes stored without compression, and folder_count folders.
  int64_t RealBytes(const std::vector<int64_t>& sizes, int folder_count, int32_t page_size) {
    const std::string path = Path("c" + std::to_string(page_size) + ".cof");
    coffer::MakeEmptyContainer(path, "", "", "", 0, page_size);
    {
      TCoffer coffer(path, 0x0012, "", "", "", 0);
      for (int i = 0; i < folder_count; ++i) {
        EXPECT_GE(coffer.CreateFolder("\\d" + std::to_string(i)), 0);
      }
      for (size_t i = 0; i < sizes.size(); ++i) {
        TCFRFileStream stream(&coffer, "\\f" + std::to_string(i), 0xFFFF, "", "", "", 0);
        const std::string bytes(static_cast<size_t>(sizes[i]), 'x');
        if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
      }
    }
    TPageFileManager pages(path, 0, "", "", "", false, 4096, 8, -1);
    return int64_t{pages.Header().FilePageCount} * pages.Header().PageSize;
  }
};

// Stored without compression there is nothing to guess: the estimate is the
// engine's layout, page for page.
TEST_F(PageSizeEstimate, MatchesTheEngineLayoutWithoutCompression) {
  struct Case {
    const char* what;
    int32_t page_size;
    std::vector<int64_t> sizes;
    int folders;
  };
  // Page data sizes: 568 (600), 992 (1024), 4064 (4096). One page-map page
  // holds data_size / 4 page numbers (142 at 600).
  const Case cases[] = {
      {"empty files have no pages", 1024, {0, 0, 0}, 1},
      {"one byte", 1024, {1}, 0},
      {"exactly one page and one byte more", 1024, {992, 993}, 0},
      {"one record per directory page", 600, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 5},
      {"second page-map page", 600, {568 * 142, 568 * 142 + 1}, 0},
      {"default pages, mixed sizes", 4096, {10, 4064, 40000, 100000, 0}, 3},
      {"past the first extents", 1024, std::vector<int64_t>(40, 3000), 2},
      {"directory pages full with two records", 1056, {1, 1024, 1025, 0, 7}, 4},
      {"1 KiB data pages past one page-map page", 1056, {1024 * 256 + 1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(EstimateContainerBytes(c.sizes, c.folders, 0, c.page_size),
              RealBytes(c.sizes, c.folders, c.page_size));
  }
}

TEST(PageSizeChoice, ManySmallFilesTakeSmallPagesAndFewLargeFilesLargeOnes) {
  struct Case {
    const char* what;
    std::vector<int64_t> sizes;
    int folders;
    uint8_t compression;
    int32_t expected;
  };
  std::vector<int64_t> documentation(4000, 3000);
  documentation.push_back(8 << 20);
  const Case cases[] = {
      {"4000 small documents and one large file", documentation, 300, 9, 600},
      {"many tiny files stored as they are", std::vector<int64_t>(2000, 200), 10, 0, 600},
      {"nothing but folders", {}, 4, 5, 600},
      {"300 files of 100 KB", std::vector<int64_t>(300, 100000), 10, 5, 1056},
      {"300 files of 400 KB", std::vector<int64_t>(300, 400000), 10, 5, 2080},
      {"a hundred files of 1 MB", std::vector<int64_t>(100, 1 << 20), 5, 5, 4128},
      {"two files of 40 MB", {40 << 20, 40 << 20}, 1, 5, 16416},
      {"one file of 200 MB stored as it is", {200 << 20}, 0, 0, 16416},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ChoosePageSize(c.sizes, c.folders, c.compression), c.expected);
  }
}

}  // namespace
}  // namespace vor::testing
