// Page runs: ReadPageRun and WritePageRun against page-by-page ReadPage and
// WritePage.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "container/store/page_file.h"
#include "container/volume/volume_header.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

class PageRunTest : public testing::TempDirTest {
 protected:
  std::unique_ptr<TPageFileManager> Create(const std::string& name,
                                           const std::string& password = std::string()) {
    return std::make_unique<TPageFileManager>(Path(name), kOpenModeCreate, password, "", "", false,
                                              4096, 8, -1);
  }

  // Distinct, non-repeating bytes for `pages` pages.
  static std::vector<uint8_t> Data(const TPageFileManager& pf, int32_t pages, uint32_t seed) {
    std::vector<uint8_t> data(static_cast<size_t>(pages) * pf.PageDataSize());
    uint32_t x = seed;
    for (uint8_t& b : data) {
      x = x * 1664525u + 1013904223u;
      b = static_cast<uint8_t>(x >> 24);
    }
    return data;
  }

  static TPageRecord DataHeader(uint8_t encryption) {
    TPageRecord page;
    page.PageType = PageTypeData;
    page.EncryptionType = encryption;
    page.ChecksumKind = 0;
    return page;
  }

  // Writes pages 1..pages of pf one by one with WritePage.
  static void WriteOneByOne(TPageFileManager& pf, const std::vector<uint8_t>& data, int32_t pages,
                            uint8_t encryption) {
    std::vector<uint8_t> buffer(static_cast<size_t>(pf.PageDataSize()));
    TPageRecord page = DataHeader(encryption);
    page.pData = buffer.data();
    for (int32_t k = 0; k < pages; ++k) {
      std::memcpy(buffer.data(), data.data() + static_cast<size_t>(k) * buffer.size(),
                  buffer.size());
      ASSERT_TRUE(pf.WritePage(page, 1 + k, pf.PageDataSize()));
    }
  }
};

// More pages than one run holds, so that the run boundary is crossed.
constexpr int32_t kPages = kPageRunLimit * 2 + 5;

TEST_F(PageRunTest, RunWriteStoresTheBytesOfPageByPageWrites) {
  for (const char* password : {"", "secret"}) {
    SCOPED_TRACE(*password == 0 ? "plain" : "enciphered");
    const uint8_t encryption = *password == 0 ? EncryptionNone : EncryptionRijndael;
    auto single = Create("single.cfr", password);
    auto run = Create("run.cfr", password);
    ASSERT_TRUE(single->AddPages(kPages));
    ASSERT_TRUE(run->AddPages(kPages));
    const std::vector<uint8_t> data = Data(*single, kPages, 7);
    WriteOneByOne(*single, data, kPages, encryption);
    const std::vector<uint8_t> before = data;
    // The two containers have their own master keys: compare each page as
    // read back, and the plain containers byte for byte.
    ASSERT_EQ(run->WritePageRun(DataHeader(encryption), 1, kPages, data.data()), kPages);
    EXPECT_EQ(data, before) << "the caller's bytes were changed";
    std::vector<uint8_t> got(data.size());
    ASSERT_EQ(run->ReadPageRun(1, kPages, got.data()), kPages);
    EXPECT_EQ(got, data);
    single.reset();
    run.reset();
    if (*password == 0) {
      EXPECT_EQ(ReadAll(Path("single.cfr")), ReadAll(Path("run.cfr")));
    }
  }
}

TEST_F(PageRunTest, RunReadEqualsPageByPageReads) {
  for (const char* password : {"", "secret"}) {
    SCOPED_TRACE(*password == 0 ? "plain" : "enciphered");
    const uint8_t encryption = *password == 0 ? EncryptionNone : EncryptionRijndael;
    auto pf = Create("box.cfr", password);
    ASSERT_TRUE(pf->AddPages(kPages));
    const std::vector<uint8_t> data = Data(*pf, kPages, 11);
    WriteOneByOne(*pf, data, kPages, encryption);

    std::vector<uint8_t> by_page(data.size());
    TPageRecord page;
    for (int32_t k = 0; k < kPages; ++k) {
      page.pData = by_page.data() + static_cast<size_t>(k) * pf->PageDataSize();
      ASSERT_TRUE(pf->ReadPage(page, 1 + k, pf->PageDataSize()));
    }
    EXPECT_EQ(by_page, data);
    // Runs starting at every offset of a few pages, of several lengths.
    for (int32_t first = 1; first <= 3; ++first) {
      for (int32_t count : {1, 2, kPageRunLimit, kPageRunLimit + 1, kPages - first + 1}) {
        std::vector<uint8_t> run(static_cast<size_t>(count) * pf->PageDataSize());
        ASSERT_EQ(pf->ReadPageRun(first, count, run.data()), count);
        EXPECT_EQ(0,
                  std::memcmp(run.data(),
                              by_page.data() + static_cast<size_t>(first - 1) * pf->PageDataSize(),
                              run.size()))
            << "first " << first << ", count " << count;
      }
    }
  }
}

TEST_F(PageRunTest, RunReadStopsAtADamagedPageWithItsCode) {
  auto pf = Create("box.cfr");
  ASSERT_TRUE(pf->AddPages(kPages));
  const std::vector<uint8_t> data = Data(*pf, kPages, 3);
  WriteOneByOne(*pf, data, kPages, EncryptionNone);
  pf.reset();
  // Flip one data byte of page 1 + 40 (inside the second run).
  std::string all = ReadAll(Path("box.cfr"));
  const size_t at = kVolumeHeaderSize + size_t{41} * 4096 + kPageHeaderSize + 100;
  all[at] = static_cast<char>(all[at] ^ 0x5A);
  ASSERT_TRUE(WriteAll(Path("box.cfr"), all));

  pf = std::make_unique<TPageFileManager>(Path("box.cfr"), 0, "", "", "", false, 4096, 8, -1);
  std::vector<uint8_t> got(data.size());
  EXPECT_EQ(pf->ReadPageRun(1, kPages, got.data()), 40);
  EXPECT_EQ(pf->LastError(), kPageChecksumError);
  EXPECT_EQ(0, std::memcmp(got.data(), data.data(), size_t{40} * pf->PageDataSize()));
}

TEST_F(PageRunTest, RunReadPastTheEndReportsAHeaderError) {
  auto pf = Create("box.cfr");
  ASSERT_TRUE(pf->AddPages(4));
  const std::vector<uint8_t> data = Data(*pf, 4, 5);
  WriteOneByOne(*pf, data, 4, EncryptionNone);
  std::vector<uint8_t> got(size_t{6} * pf->PageDataSize());
  EXPECT_EQ(pf->ReadPageRun(1, 6, got.data()), 4);
  EXPECT_EQ(pf->LastError(), kPageReadHeaderError);
  EXPECT_EQ(pf->ReadPageRun(-1, 1, got.data()), 0);
  EXPECT_EQ(pf->LastError(), kPageReadHeaderError);
}

TEST_F(PageRunTest, RunWriteIsRefusedOnAReadOnlyContainer) {
  {
    auto pf = Create("box.cfr");
    ASSERT_TRUE(pf->AddPages(2));
  }
  TPageFileManager pf(Path("box.cfr"), 0, "", "", "", false, 4096, 8, -1);
  const std::vector<uint8_t> data = Data(pf, 2, 9);
  EXPECT_EQ(pf.WritePageRun(DataHeader(EncryptionNone), 1, 2, data.data()), 0);
  EXPECT_EQ(pf.LastError(), kPageWriteHeaderError);
}

}  // namespace
}  // namespace vor
