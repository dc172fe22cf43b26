// Throughput of one large file through TCFRFileStream, beside the codec
// libraries on the same data.
//
// BM_StreamWrite / BM_StreamRead: the file written (in BlockSize chunks) and
// read back whole, per compression type (0, 1, 5, 7, 3), in a plain and an
// enciphered container. BM_Zlib* / BM_Bzip2*: the same data cut into the same
// blocks, coded with zlib and libbzip2 directly. Reading at type 5 is meant
// to cost at most 1.25 times BM_ZlibInflate/9.
//
// The file is VOR_BENCH_MB megabytes (default 64; the PPM type 3 uses an
// eighth of it, since that codec runs at a few MB/s).
#include <benchmark/benchmark.h>
#include <bzlib.h>
#include <zlib.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "codecs/compression.h"
#include "container/coffer.h"
#include "container/store/open_mode.h"
#include "container/stream/file_stream.h"
#include "platform/fs.h"

namespace vor {
namespace {

size_t FileBytes(uint8_t type) {
  const char* env = std::getenv("VOR_BENCH_MB");
  const size_t mb = env != nullptr && std::atoi(env) > 0 ? static_cast<size_t>(std::atoi(env)) : 64;
  return (type == 3 ? mb / 8 : mb) << 20;
}

// Installer-like content: text with binary stretches, about 3:1 under deflate.
const std::string& Data() {
  static const std::string data = [] {
    static const char* const kWords[] = {"setup ",  "program ", "files ",        "version ",
                                         "window ", "install ", "component\r\n", "data "};
    std::mt19937 rng(42);
    std::string s;
    const size_t n = FileBytes(0);
    s.reserve(n);
    while (s.size() < n) {
      if (rng() % 6 == 0) {
        for (int i = 0; i < 48; ++i) s += static_cast<char>(rng() & 0xFF);
      } else {
        s += kWords[rng() % 8];
      }
    }
    s.resize(n);
    return s;
  }();
  return data;
}

// A container in a temporary folder, removed with it.
class Scratch {
 public:
  Scratch(bool enciphered, uint8_t type) {
    dir_ = platform::MakeTempDirectory("vor-bench-");
    path_ = dir_ + platform::PathDelimiter() + "bench.cfr";
    password_ = enciphered ? "bench password" : "";
    coffer_ = std::make_unique<TCoffer>(path_, kOpenModeCreate, password_, "", "", type);
  }
  ~Scratch() {
    coffer_.reset();
    platform::RemoveDirectoryTree(dir_);
  }
  void Reopen(uint16_t mode) {
    coffer_.reset();
    coffer_ = std::make_unique<TCoffer>(path_, mode, password_, "", "", 0);
  }
  TCoffer* Coffer() { return coffer_.get(); }

 private:
  std::string dir_;
  std::string path_;
  std::string password_;
  std::unique_ptr<TCoffer> coffer_;
};

void WriteFile(TCoffer* coffer, uint8_t type, size_t bytes) {
  TCFRFileStream stream(coffer, "\\big.bin", kOpenModeCreate, "", "", "", type);
  const std::string& data = Data();
  const size_t chunk = static_cast<size_t>(GetBlockSize(type));
  for (size_t done = 0; done < bytes; done += chunk) {
    const size_t n = std::min(chunk, bytes - done);
    stream.WriteBuffer(data.data() + done, static_cast<int32_t>(n));
  }
}

void BM_StreamWrite(benchmark::State& state) {
  const uint8_t type = static_cast<uint8_t>(state.range(0));
  const bool enciphered = state.range(1) != 0;
  const size_t bytes = FileBytes(type);
  Data();
  for (auto _ : state) {
    state.PauseTiming();
    {
      Scratch box(enciphered, type);
      state.ResumeTiming();
      WriteFile(box.Coffer(), type, bytes);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_StreamRead(benchmark::State& state) {
  const uint8_t type = static_cast<uint8_t>(state.range(0));
  const bool enciphered = state.range(1) != 0;
  const size_t bytes = FileBytes(type);
  Scratch box(enciphered, type);
  WriteFile(box.Coffer(), type, bytes);
  box.Reopen(kOpenModeRead);
  std::vector<char> buffer(static_cast<size_t>(GetBlockSize(type)));
  for (auto _ : state) {
    TCFRFileStream stream(box.Coffer(), "\\big.bin", kOpenModeRead, "", "", "", 0);
    size_t done = 0;
    while (done < bytes) {
      const int32_t n = stream.Read(buffer.data(), static_cast<int32_t>(buffer.size()));
      if (n <= 0) {
        state.SkipWithError("short read");
        break;
      }
      done += static_cast<size_t>(n);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// The data cut into blocks of the type's size, each coded on its own.
using Blocks = std::vector<std::pair<std::vector<uint8_t>, size_t>>;  // packed, plain size

Blocks ZlibBlocks(int level, int32_t block_size) {
  Blocks blocks;
  const std::string& data = Data();
  for (size_t at = 0; at < data.size(); at += static_cast<size_t>(block_size)) {
    const size_t n = std::min(static_cast<size_t>(block_size), data.size() - at);
    uLongf packed_size = compressBound(static_cast<uLong>(n));
    std::vector<uint8_t> packed(packed_size);
    compress2(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(data.data() + at),
              static_cast<uLong>(n), level);
    packed.resize(packed_size);
    blocks.emplace_back(std::move(packed), n);
  }
  return blocks;
}

void BM_ZlibDeflate(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  const int32_t block = level == 9 ? 1572864 : 524288;
  for (auto _ : state) benchmark::DoNotOptimize(ZlibBlocks(level, block));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Data().size()));
}

void BM_ZlibInflate(benchmark::State& state) {
  const int level = static_cast<int>(state.range(0));
  const Blocks blocks = ZlibBlocks(level, level == 9 ? 1572864 : 524288);
  std::vector<uint8_t> out(1572864);
  for (auto _ : state) {
    for (const auto& b : blocks) {
      uLongf n = static_cast<uLongf>(out.size());
      uncompress(out.data(), &n, b.first.data(), static_cast<uLong>(b.first.size()));
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Data().size()));
}

Blocks Bzip2Blocks() {
  Blocks blocks;
  const std::string& data = Data();
  for (size_t at = 0; at < data.size(); at += 524288) {
    const size_t n = std::min<size_t>(524288, data.size() - at);
    unsigned int packed_size = static_cast<unsigned int>(n + n / 100 + 600);
    std::vector<uint8_t> packed(packed_size);
    BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(packed.data()), &packed_size,
                             const_cast<char*>(data.data() + at), static_cast<unsigned int>(n), 2,
                             0, 0);
    packed.resize(packed_size);
    blocks.emplace_back(std::move(packed), n);
  }
  return blocks;
}

void BM_Bzip2Compress(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Bzip2Blocks());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Data().size()));
}

void BM_Bzip2Decompress(benchmark::State& state) {
  const Blocks blocks = Bzip2Blocks();
  std::vector<char> out(524288);
  for (auto _ : state) {
    for (const auto& b : blocks) {
      unsigned int n = static_cast<unsigned int>(out.size());
      BZ2_bzBuffToBuffDecompress(out.data(), &n,
                                 reinterpret_cast<char*>(const_cast<uint8_t*>(b.first.data())),
                                 static_cast<unsigned int>(b.first.size()), 0, 0);
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Data().size()));
}

void StreamArgs(benchmark::internal::Benchmark* b) {
  for (int type : {0, 1, 5, 7, 3}) {
    for (int enciphered : {0, 1}) b->Args({type, enciphered});
  }
  b->ArgNames({"type", "enciphered"})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_StreamWrite)->Apply(StreamArgs)->Iterations(1);
BENCHMARK(BM_StreamRead)->Apply(StreamArgs)->Iterations(2);
BENCHMARK(BM_ZlibDeflate)->Arg(1)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ZlibInflate)->Arg(1)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Bzip2Compress)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Bzip2Decompress)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace vor
