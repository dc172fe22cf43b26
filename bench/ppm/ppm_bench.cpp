// Speed and ratio of the PPM codec for compression types 3, 4 and 6, on a
// text corpus (the system's licence texts and documentation) and on binary
// data (the start of an executable). Both are cut to whole 1.5 MiB blocks,
// the size the block stream hands to the codec.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codecs/ppm.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kBlock = 1572864;
constexpr size_t kCorpusSize = 2 * kBlock;

void AppendFile(const std::string& path, Bytes* out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return;
  out->insert(out->end(), std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool IsPlainText(const std::filesystem::path& p) {
  const std::string ext = p.extension().string();
  return ext != ".gz" && ext != ".xz" && ext != ".bz2" && ext != ".png" && ext != ".jpg" &&
         ext != ".gif" && ext != ".svg" && ext != ".pdf";
}

// Licence texts, then documentation files in name order, until the corpus is
// full; generated prose only when the system has too little text.
const Bytes& TextCorpus() {
  static const Bytes corpus = [] {
    namespace fs = std::filesystem;
    Bytes b;
    for (const char* dir : {"/usr/share/common-licenses", "/usr/share/doc"}) {
      std::error_code ec;
      std::vector<fs::path> files;
      for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && IsPlainText(it->path())) files.push_back(it->path());
      }
      std::sort(files.begin(), files.end());
      for (const fs::path& f : files) {
        if (b.size() >= kCorpusSize) break;
        AppendFile(f.string(), &b);
      }
    }
    const char* const kWords[] = {"the",  "installer",   "copies", "every", "file",
                                  "into", "destination", "folder", "and",   "records",
                                  "it",   "in",          "log"};
    uint32_t r = 1;
    while (b.size() < kCorpusSize) {
      r = r * 1103515245u + 12345u;
      const char* w = kWords[(r >> 16) % 13];
      b.insert(b.end(), w, w + std::strlen(w));
      b.push_back((r >> 8) % 9 == 0 ? '\n' : ' ');
    }
    b.resize(kCorpusSize);
    return b;
  }();
  return corpus;
}

const Bytes& BinaryCorpus() {
  static const Bytes corpus = [] {
    Bytes b;
    for (const char* f : {"/usr/bin/cmake", "/usr/bin/gdb", "/usr/bin/perl", "/bin/bash"}) {
      AppendFile(f, &b);
      if (b.size() >= kCorpusSize) break;
    }
    uint32_t r = 7;
    while (b.size() < kCorpusSize) {
      r = r * 1103515245u + 12345u;
      b.push_back(static_cast<uint8_t>((r >> 16) & 0x0F));
    }
    b.resize(kCorpusSize);
    return b;
  }();
  return corpus;
}

struct Type {
  int32_t memory_mb;
  int32_t max_order;
};
const Type kTypes[] = {{25, 5}, {50, 13}, {10, 3}};  // types 3, 4, 6

const Bytes& Corpus(int64_t which) { return which == 0 ? TextCorpus() : BinaryCorpus(); }

void Compress(benchmark::State& state) {
  const Type t = kTypes[state.range(0)];
  const Bytes& corpus = Corpus(state.range(1));
  Bytes out(kBlock + kBlock / 20 + 50);
  size_t packed = 0;
  for (auto _ : state) {
    packed = 0;
    for (size_t pos = 0; pos < corpus.size(); pos += kBlock) {
      int32_t n = vor::PPMCompress(corpus.data() + pos, static_cast<int32_t>(kBlock), out.data(),
                                   static_cast<int32_t>(out.size()), t.memory_mb, t.max_order);
      if (n == 0) state.SkipWithError("compression failed");
      packed += static_cast<size_t>(n);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.size()));
  state.counters["ratio"] = static_cast<double>(corpus.size()) / static_cast<double>(packed);
}

void Decompress(benchmark::State& state) {
  const Type t = kTypes[state.range(0)];
  const Bytes& corpus = Corpus(state.range(1));
  std::vector<Bytes> streams;
  for (size_t pos = 0; pos < corpus.size(); pos += kBlock) {
    Bytes out(kBlock + kBlock / 20 + 50);
    int32_t n = vor::PPMCompress(corpus.data() + pos, static_cast<int32_t>(kBlock), out.data(),
                                 static_cast<int32_t>(out.size()), t.memory_mb, t.max_order);
    out.resize(static_cast<size_t>(n));
    streams.push_back(out);
  }
  Bytes back(kBlock);
  for (auto _ : state) {
    for (const Bytes& s : streams) {
      int32_t n = vor::PPMDecompress(s.data(), static_cast<int32_t>(s.size()), back.data(),
                                     static_cast<int32_t>(back.size()));
      if (n != static_cast<int32_t>(kBlock)) state.SkipWithError("decompression failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.size()));
}

// Arguments: type index (0 = type 3, 1 = type 4, 2 = type 6), corpus (0 =
// text, 1 = binary).
BENCHMARK(Compress)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"type", "binary"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Decompress)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"type", "binary"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
