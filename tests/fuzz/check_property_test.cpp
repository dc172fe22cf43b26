// The coffer check must agree with the engine: random sequences of adding,
// removing, overwriting files and making folders on small containers keep it
// passing after every step (and every file reads back as written), and
// afterwards one flipped bit in any page in use, inside the bytes its
// checksum covers, makes it fail.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "commands.h"
#include "common/coding.h"
#include "container/coffer.h"
#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "container/stream/file_stream.h"
#include "container/volume/volume_header.h"
#include "crypto/checksum.h"
#include "platform/file.h"
#include "platform/test_temp_dir.h"
#include "tool_check.h"

namespace vor {
namespace {
using testing::ToolCheck;

struct UsedPage {
  int32_t page_no;
  int32_t checked_bytes;  // data bytes under the page's checksum
};

// The pages in use with the data size their owner checksums.
std::vector<UsedPage> UsedPages(const std::string& name) {
  TPageFileManager page_file(name, kOpenModeRead, "", "", "", false, 4096, 8, -1);
  TFreeSpaceManager free_space(page_file);
  TDIRManager directory(page_file, free_space);
  std::vector<UsedPage> used;
  TPageRecord page;
  for (int32_t p = 1; p < page_file.Header().FilePageCount; ++p) {
    if (free_space.PageFree(p - 1)) continue;
    EXPECT_TRUE(page_file.ReadPage(page, p, 0));
    int32_t size = page_file.PageDataSize();
    if (page.PageType == PageTypeDIR) size = directory.DIRPageDataSize();
    if (page.PageType == PageTypePFS) size = free_space.PFSBytesPerPage();
    if (page.PageType == PageTypeGAM || page.PageType == PageTypeSGAM) {
      size = free_space.GAMBytesPerPage();
    }
    used.push_back({p, size});
  }
  return used;
}

class CheckPropertyTest : public testing::TempDirTest {
 protected:
  std::string Container() const { return Path("c.cof"); }

  void Step(std::mt19937& rng) {
    TCoffer coffer(Container(), kOpenModeExclusiveReadWrite, "", "", "", 0);
    coffer.BeginTransaction();
    const int op = static_cast<int>(rng() % 10);
    if (op < 5 || files_.empty()) {
      const std::string folder = folders_[rng() % folders_.size()];
      Put(coffer, folder + "\\f" + std::to_string(next_++), rng);
    } else if (op < 7) {
      auto it = files_.begin();
      std::advance(it, rng() % files_.size());
      ASSERT_TRUE(coffer.DeleteFile(it->first));
      files_.erase(it);
    } else if (op < 9) {
      auto it = files_.begin();
      std::advance(it, rng() % files_.size());
      Put(coffer, it->first, rng);
    } else {
      const std::string folder =
          folders_[rng() % folders_.size()] + "\\d" + std::to_string(next_++);
      ASSERT_GE(coffer.CreateFolder(folder), 0);
      folders_.push_back(folder);
    }
    coffer.Commit();
  }

  void Put(TCoffer& coffer, const std::string& path, std::mt19937& rng) {
    static const uint8_t kTypes[] = {0, 1, 5, 7};
    // Mostly small files, now and then one of several pages or blocks.
    const size_t size = rng() % 8 == 0 ? rng() % 300000 : rng() % 9000;
    std::string content(size, '\0');
    const bool noisy = rng() % 2 == 0;
    for (size_t i = 0; i < size; ++i) {
      content[i] = static_cast<char>(noisy ? rng() : 'a' + (i / 100) % 7);
    }
    TCFRFileStream stream(&coffer, path, kOpenModeCreate, "", "", "", kTypes[rng() % 4]);
    stream.WriteBuffer(content.data(), static_cast<int32_t>(content.size()));
    files_[path] = content;
  }

  void ExpectContent() {
    TCoffer coffer(Container(), kOpenModeRead, "", "", "", 0);
    for (const auto& [path, content] : files_) {
      TCFRFileStream stream(&coffer, path, kOpenModeRead, "", "", "", 0);
      std::string read(static_cast<size_t>(stream.Size()), '\0');
      if (!read.empty()) stream.ReadBuffer(&read[0], static_cast<int32_t>(read.size()));
      EXPECT_TRUE(read == content) << path;
    }
  }

  std::map<std::string, std::string> files_;
  std::vector<std::string> folders_{""};
  int next_ = 0;
};

TEST_F(CheckPropertyTest, PassesAfterEveryStepAndFailsOnEveryFlippedPage) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    platform::DeleteFile(Container());
    files_.clear();
    folders_ = {""};
    { TCoffer created(Container(), kOpenModeCreate, "", "", "", 5); }
    std::mt19937 rng(seed);
    for (int step = 0; step < 40; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      Step(rng);
      ASSERT_EQ(0, ToolCheck(Container()));
    }
    ExpectContent();

    std::string bytes = ReadAll(Container());
    for (const UsedPage& used : UsedPages(Container())) {
      SCOPED_TRACE("page " + std::to_string(used.page_no));
      const size_t at =
          static_cast<size_t>(int64_t{kVolumeHeaderSize} + int64_t{used.page_no} * 4096 +
                              kPageHeaderSize + rng() % used.checked_bytes);
      const char bit = static_cast<char>(1 << (rng() % 8));
      bytes[at] ^= bit;
      ASSERT_TRUE(WriteAll(Container(), bytes));
      EXPECT_NE(0, ToolCheck(Container()));
      bytes[at] ^= bit;
    }
    ASSERT_TRUE(WriteAll(Container(), bytes));
    EXPECT_EQ(0, ToolCheck(Container()));
  }
}

// Directory pages hold seven records (3,584 bytes) and are checksummed over
// those; a page a removed file had filled keeps its old bytes behind them.
TEST_F(CheckPropertyTest, DirectoryPagesReusedFromARemovedFilePass) {
  {
    TCoffer coffer(Container(), kOpenModeCreate, "", "", "", 0);
    std::mt19937 rng(7);
    std::string noise(1000000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    TCFRFileStream stream(&coffer, "\\f.bin", kOpenModeCreate, "", "", "", 0);
    stream.WriteBuffer(noise.data(), static_cast<int32_t>(noise.size()));
  }
  {
    TCoffer coffer(Container(), kOpenModeExclusiveReadWrite, "", "", "", 0);
    ASSERT_TRUE(coffer.DeleteFile("\\f.bin"));
    ASSERT_GE(coffer.CreateFolder("\\m"), 0);
    for (int i = 0; i < 100; ++i) {
      const std::string text = "file " + std::to_string(i);
      TCFRFileStream stream(&coffer, "\\m\\s" + std::to_string(i), kOpenModeCreate, "", "", "", 0);
      stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
    }
  }
  EXPECT_EQ(0, ToolCheck(Container()));
}

// Counts in the header are bounded by what the volume holds before anything
// is sized from them: a header (its checksum made to match) that claims far
// more pages or records than the container has is reported at once.
TEST_F(CheckPropertyTest, HeaderCountsBeyondTheVolumeAreReported) {
  {
    TCoffer coffer(Container(), kOpenModeCreate, "", "", "", 5);
    for (int i = 0; i < 5; ++i) {
      TCFRFileStream stream(&coffer, "\\f" + std::to_string(i), kOpenModeCreate, "", "", "", 0);
      const std::string text(30000, static_cast<char>('a' + i));
      stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
    }
  }
  const std::string good = ReadAll(Container());
  struct Case {
    int offset;  // in the container header
    uint32_t low, high;
  };
  for (const Case& c : {Case{48, 0x7FFFFF7F, 0x7FFFFF7F}, Case{44, 0x40000000, 0x40000000},
                        Case{28, 0x7FFFFFFF, 0x7FFFFFFF}, Case{36, 0x7FFFFFFF, 0x7FFFFFFF},
                        Case{32, 0x40000000, 0x7FFFFFFF}, Case{40, 0x00100000, 0x40000000}}) {
    SCOPED_TRACE("offset " + std::to_string(c.offset));
    std::string bytes = good;
    uint8_t* header = reinterpret_cast<uint8_t*>(&bytes[kVolumeHeaderSize]);
    EncodeFixed32(header + c.offset, c.low);
    EncodeFixed32(header + c.offset + 4, c.high);
    EncodeFixed32(header + 8, ComputeChecksum(header + 12, 244, ChecksumXor));
    ASSERT_TRUE(WriteAll(Container(), bytes));
    EXPECT_EQ(4, ToolCheck(Container()));
  }
}

}  // namespace
}  // namespace vor
