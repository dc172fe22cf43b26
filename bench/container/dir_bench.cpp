// Directory benchmarks: path lookups and loading a large directory.
//
// The directory holds N records: N / 100 folders in the root, each with the
// files "file0" .. "file98" (so every file name occurs in every folder).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "container/store/allocation_maps.h"
#include "container/store/dir_manager.h"
#include "container/store/page_file.h"
#include "platform/fs.h"

namespace vor {
namespace {

constexpr int kFilesPerFolder = 99;

// A temporary folder for the containers, removed at exit.
struct BenchDir {
  BenchDir() : path(platform::MakeTempDirectory("vor-dir-bench-")) {}
  ~BenchDir() { platform::RemoveDirectoryTree(path); }
  std::string path;
};

std::string ContainerPath(int64_t records) {
  static const BenchDir dir;
  return dir.path + platform::PathDelimiter() + "dir" + std::to_string(records) + ".cfr";
}

// Builds the container for `records` records once per process.
const std::string& Container(int64_t records) {
  static std::map<int64_t, std::string> built;
  auto it = built.find(records);
  if (it != built.end()) return it->second;
  const std::string path = ContainerPath(records);
  {
    TPageFileManager pf(path, kOpenModeCreate, "", "", "", false, 4096, 8, -1);
    TFreeSpaceManager fs(pf);
    TDIRManager dir(pf, fs);
    const int64_t folders = records / (kFilesPerFolder + 1);
    for (int64_t f = 0; f < folders; ++f) {
      const std::string folder = "\\dir" + std::to_string(f);
      const int32_t item = dir.CreateEntry(folder, "", "", "");
      TFileRec rec = dir.ReadItem(item);
      rec.Attributes = kFileAttributeDirectory;
      dir.WriteItem(item, rec);
      for (int i = 0; i < kFilesPerFolder; ++i) {
        dir.CreateEntry(folder + "\\file" + std::to_string(i), "", "", "");
      }
    }
  }
  return built.emplace(records, path).first->second;
}

struct OpenDirectory {
  explicit OpenDirectory(const std::string& path)
      : pf(path, 0, "", "", "", false, 4096, 8, -1), fs(pf), dir(pf, fs) {}
  TPageFileManager pf;
  TFreeSpaceManager fs;
  TDIRManager dir;
};

void BM_PathLookup(benchmark::State& state) {
  const int64_t records = state.range(0);
  OpenDirectory open(Container(records));
  const int64_t folders = records / (kFilesPerFolder + 1);
  std::mt19937 rng(7);
  std::vector<std::string> paths;
  for (int i = 0; i < 4096; ++i) {
    paths.push_back("\\DIR" + std::to_string(rng() % folders) + "\\File" +
                    std::to_string(rng() % kFilesPerFolder));
  }
  size_t next = 0;
  for (auto _ : state) {
    const int32_t item = open.dir.GetIndex(paths[next++ & 4095]);
    if (item < 0) state.SkipWithError("path not found");
    benchmark::DoNotOptimize(item);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["records"] = static_cast<double>(open.dir.DirArray().ItemCount());
}
BENCHMARK(BM_PathLookup)->Arg(10000)->Arg(100000);

void BM_Load(benchmark::State& state) {
  const std::string& path = Container(state.range(0));
  for (auto _ : state) {
    OpenDirectory open(path);
    benchmark::DoNotOptimize(open.dir.DirArray().ItemCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Load)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vor
