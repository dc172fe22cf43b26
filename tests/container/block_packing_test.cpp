// Blocks packed on several threads, and content packed apart from its
// stream: the stored bytes must be those of the single-threaded code.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "common/error.h"
#include "container/stream/block_packer.h"
#include "container/stream/block_stream.h"
#include "container/stream/stream.h"
#include "support/content.h"

namespace vor {
namespace {

// Text that compresses, with runs of random bytes that do not, so that
// blocks differ in stored size.
std::string Mixed(size_t n, uint32_t seed) {
  return testing::WordBytes(n, seed, {"alpha ", "beta ", "gamma ", "delta ", "epsilon\n"}, 16, 200);
}

// Restores the packing thread count when a test ends.
class BlockPackingTest : public ::testing::TestWithParam<uint8_t> {
 protected:
  void TearDown() override { SetBlockPackingThreads(0); }

  // A fresh block stream of the parameter's type over a memory stream.
  std::unique_ptr<TCFRAdvancedFileStream> Create(TMemoryStream** raw) {
    auto memory = std::make_unique<TMemoryStream>();
    *raw = memory.get();
    return std::make_unique<TCFRAdvancedFileStream>(std::move(memory), GetParam(), true);
  }

  // The raw bytes after a series of writes made with `threads` threads.
  std::string Scenario(int32_t threads, const std::string& a, const std::string& b,
                       int64_t patch_at) {
    SetBlockPackingThreads(threads);
    TMemoryStream* raw = nullptr;
    auto stream = Create(&raw);
    EXPECT_EQ(stream->Write(a.data(), static_cast<int32_t>(a.size())),
              static_cast<int32_t>(a.size()));
    // Overwrite a stretch in the middle with bytes that compress worse:
    // the block grows and every later block is repacked and moved.
    stream->Seek(patch_at, 0);
    EXPECT_EQ(stream->Write(b.data(), static_cast<int32_t>(b.size())),
              static_cast<int32_t>(b.size()));
    // Append past the end across a block boundary.
    stream->Seek(0, 2);
    EXPECT_EQ(stream->Write(a.data(), 1000), 1000);
    return raw->Bytes();
  }
};

TEST_P(BlockPackingTest, SeveralThreadsStoreTheBytesOfOne) {
  const int32_t block = GetBlockSize(GetParam());
  const std::string a = Mixed(static_cast<size_t>(block) * 4 + 12345, 1);
  std::string b(static_cast<size_t>(block) / 2, '\0');
  std::mt19937 rng(2);
  for (char& c : b) c = static_cast<char>(rng() & 0xFF);
  const int64_t patch_at = int64_t{block} + block / 3;

  const std::string one = Scenario(1, a, b, patch_at);
  for (int32_t threads : {2, 5}) {
    EXPECT_EQ(Scenario(threads, a, b, patch_at), one) << threads << " threads";
  }

  // And the content reads back as written.
  auto memory = std::make_unique<TMemoryStream>(one);
  TCFRAdvancedFileStream stream(std::move(memory), 0, false);
  std::string want = a;
  want.replace(static_cast<size_t>(patch_at), b.size(), b);
  want += a.substr(0, 1000);
  std::string got(want.size(), '\0');
  ASSERT_EQ(stream.Read(&got[0], static_cast<int32_t>(got.size())),
            static_cast<int32_t>(want.size()));
  EXPECT_TRUE(got == want);
}

TEST_P(BlockPackingTest, PackedContentStoresTheBytesOfAPlainWrite) {
  const int32_t block = GetBlockSize(GetParam());
  for (int64_t size : {int64_t{1}, int64_t{block} - 1, int64_t{block}, int64_t{block} + 1,
                       int64_t{block} * 3 + block / 2}) {
    SCOPED_TRACE("size " + std::to_string(size));
    const std::string data = Mixed(static_cast<size_t>(size), 3);

    TMemoryStream* plain_raw = nullptr;
    auto plain = Create(&plain_raw);
    ASSERT_EQ(plain->Write(data.data(), static_cast<int32_t>(size)), static_cast<int32_t>(size));

    std::vector<TPackedBlock> blocks;
    ASSERT_TRUE(
        PackContent(reinterpret_cast<const uint8_t*>(data.data()), size, GetParam(), &blocks, 2));
    TMemoryStream* packed_raw = nullptr;
    auto packed = Create(&packed_raw);
    packed->WritePacked(blocks);

    EXPECT_TRUE(packed_raw->Bytes() == plain_raw->Bytes());
    EXPECT_EQ(packed->Size(), plain->Size());
    EXPECT_EQ(packed->Position(), plain->Position());
    EXPECT_EQ(packed->StoredSize(), plain->StoredSize());
  }
}

INSTANTIATE_TEST_SUITE_P(Types, BlockPackingTest, ::testing::Values(1, 5, 7, 6),
                         [](const ::testing::TestParamInfo<uint8_t>& info) {
                           return "type" + std::to_string(info.param);
                         });

TEST(BlockPacking, PackedContentNeedsAnEmptyBlockStream) {
  const std::string data = Mixed(5000, 4);
  std::vector<TPackedBlock> blocks;
  ASSERT_TRUE(PackContent(reinterpret_cast<const uint8_t*>(data.data()),
                          static_cast<int64_t>(data.size()), 1, &blocks));
  TCFRAdvancedFileStream stream(std::make_unique<TMemoryStream>(), 1, true);
  ASSERT_EQ(stream.Write("x", 1), 1);
  EXPECT_THROW(stream.WritePacked(blocks), EVorError);

  TCFRAdvancedFileStream plain(std::make_unique<TMemoryStream>(), 0, true);
  EXPECT_THROW(plain.WritePacked(blocks), EVorError);
  EXPECT_FALSE(PackContent(reinterpret_cast<const uint8_t*>(data.data()), 10, 0, &blocks));
}

TEST(BlockPacking, EmptyContentWritesOnlyTheHeader) {
  std::vector<TPackedBlock> blocks;
  ASSERT_TRUE(PackContent(nullptr, 0, 5, &blocks));
  EXPECT_TRUE(blocks.empty());
  auto memory = std::make_unique<TMemoryStream>();
  TMemoryStream* raw = memory.get();
  TCFRAdvancedFileStream stream(std::move(memory), 5, true);
  stream.WritePacked(blocks);
  EXPECT_EQ(raw->Bytes().size(), static_cast<size_t>(kStreamHeaderSize));
  EXPECT_EQ(stream.Size(), 0);
}

}  // namespace
}  // namespace vor
