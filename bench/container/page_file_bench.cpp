// Page throughput of the page file and allocation speed of the maps.
//
// ReadPage / WritePage: pages per second over a container of 1,024 pages,
// plain and enciphered. GetPages: 1 and 1,000 pages (then freed again) in
// a container of 1 GB, once with every extent open and once with only the
// last extents free, so that the scan runs over the whole GAM map.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "container/store/allocation_maps.h"
#include "container/store/page_file.h"
#include "platform/fs.h"

namespace vor {
namespace {

constexpr int32_t kPages = 1024;
constexpr int32_t kGigabytePages = (1 << 30) / 4096;

// A temporary container that is removed with its folder.
class ScratchContainer {
 public:
  explicit ScratchContainer(const std::string& password) {
    dir_ = platform::MakeTempDirectory("vor-bench-");
    pf_ = std::make_unique<TPageFileManager>(dir_ + platform::PathDelimiter() + "bench.cfr",
                                             kOpenModeCreate, password, "", "", false, 4096, 8, -1);
  }
  ~ScratchContainer() {
    fs_.reset();
    pf_.reset();
    platform::RemoveDirectoryTree(dir_);
  }
  TPageFileManager& PageFile() { return *pf_; }
  TFreeSpaceManager& Maps() {
    if (!fs_) fs_ = std::make_unique<TFreeSpaceManager>(*pf_);
    return *fs_;
  }

 private:
  std::string dir_;
  std::unique_ptr<TPageFileManager> pf_;
  std::unique_ptr<TFreeSpaceManager> fs_;
};

void BM_WritePage(benchmark::State& state) {
  const bool enciphered = state.range(0) != 0;
  ScratchContainer box(enciphered ? "bench password" : "");
  TPageFileManager& pf = box.PageFile();
  pf.AddPages(kPages);
  TPageRecord page;
  pf.InitPage(page);
  page.PageType = PageTypeData;
  page.EncryptionType = enciphered ? EncryptionRijndael : EncryptionNone;
  int32_t page_no = 1;
  for (auto _ : state) {
    if (!pf.WritePage(page, page_no, -1)) state.SkipWithError("WritePage failed");
    page_no = page_no % kPages + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_WritePage)->ArgName("enciphered")->Arg(0)->Arg(1);

void BM_ReadPage(benchmark::State& state) {
  const bool enciphered = state.range(0) != 0;
  ScratchContainer box(enciphered ? "bench password" : "");
  TPageFileManager& pf = box.PageFile();
  pf.AddPages(kPages);
  TPageRecord page;
  pf.InitPage(page);
  page.PageType = PageTypeData;
  for (int32_t p = 1; p <= kPages; ++p) {
    page.EncryptionType = enciphered ? EncryptionRijndael : EncryptionNone;
    pf.WritePage(page, p, -1);
  }
  int32_t page_no = 1;
  for (auto _ : state) {
    if (!pf.ReadPage(page, page_no, -1)) state.SkipWithError("ReadPage failed");
    page_no = page_no % kPages + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_ReadPage)->ArgName("enciphered")->Arg(0)->Arg(1);

// range(0): pages per request; range(1): 1 = only the last extents free.
void BM_GetPages(benchmark::State& state) {
  const int32_t count = static_cast<int32_t>(state.range(0));
  const bool nearly_full = state.range(1) != 0;
  ScratchContainer box("");
  TFreeSpaceManager& maps = box.Maps();
  TIntegerArray pages;
  maps.GetPages(kGigabytePages - 40, 1, false, pages);
  if (!nearly_full) {
    maps.FreePages(pages);
  } else {
    // Free the last 2,000 pages taken: whole extents at the end open again.
    TIntegerArray tail;
    for (int32_t i = pages.Count() - 2000; i < pages.Count(); ++i) tail.Add(pages[i]);
    maps.FreePages(tail);
  }
  for (auto _ : state) {
    if (!maps.GetPages(count, 1, false, pages)) state.SkipWithError("GetPages failed");
    state.PauseTiming();
    maps.FreePages(pages);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_GetPages)
    ->ArgNames({"pages", "nearly_full"})
    ->Args({1, 0})
    ->Args({1000, 0})
    ->Args({1, 1})
    ->Args({1000, 1});

}  // namespace
}  // namespace vor
