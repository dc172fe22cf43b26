#include "container/stream/block_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "common/coding.h"
#include "common/error.h"
#include "container/stream/stream.h"
#include "support/content.h"

namespace vor {
namespace {

constexpr uint8_t kDeflateFast = 1;  // 512 KiB blocks
constexpr int32_t kBlock = 524288;

using testing::RandomBytes;

// Text-like bytes that deflate well.
std::string TextBytes(size_t n, uint32_t seed) {
  return testing::WordBytes(n, seed, {"alpha ", "beta ", "gamma ", "delta ", "epsilon\n"});
}

// A block stream over a memory stream that the test can look into.
class BlockStreamTest : public ::testing::Test {
 protected:
  void Create(uint8_t type = kDeflateFast) {
    auto raw = std::make_unique<TMemoryStream>();
    raw_ = raw.get();
    stream_ = std::make_unique<TCFRAdvancedFileStream>(std::move(raw), type, true);
  }
  // Reopens the raw bytes as they stand (the old stream is dropped first).
  void Reopen(uint8_t type = kDeflateFast) {
    std::string bytes = raw_->Bytes();
    stream_.reset();
    auto raw = std::make_unique<TMemoryStream>(std::move(bytes));
    raw_ = raw.get();
    stream_ = std::make_unique<TCFRAdvancedFileStream>(std::move(raw), type, false);
  }
  void WriteAt(int64_t position, const std::string& bytes) {
    stream_->Seek(position, 0);
    ASSERT_EQ(stream_->Write(bytes.data(), static_cast<int32_t>(bytes.size())),
              static_cast<int32_t>(bytes.size()));
  }
  std::string ReadAt(int64_t position, int32_t count) {
    stream_->Seek(position, 0);
    std::string out(static_cast<size_t>(count), '\0');
    out.resize(static_cast<size_t>(stream_->Read(&out[0], count)));
    return out;
  }
  std::string ReadAll() { return ReadAt(0, static_cast<int32_t>(stream_->Size())); }
  std::vector<int64_t> Offsets() const {
    std::vector<int64_t> v;
    for (int32_t i = 0; i < stream_->BlockCount(); ++i) v.push_back(stream_->BlockOffset(i));
    return v;
  }
  const uint8_t* Raw(int64_t offset) const {
    return reinterpret_cast<const uint8_t*>(raw_->Bytes().data()) + offset;
  }
  std::string LoadError() {
    try {
      Reopen();
      ReadAll();
    } catch (const EVorError& e) {
      return e.what();
    }
    return std::string();
  }

  TMemoryStream* raw_ = nullptr;
  std::unique_ptr<TCFRAdvancedFileStream> stream_;
};

TEST_F(BlockStreamTest, EmptyStreamIsExactlyTheHeader) {
  Create();
  ASSERT_EQ(raw_->Bytes().size(), 128u);
  EXPECT_EQ(raw_->Bytes().substr(0, 4), "QZCS");
  EXPECT_EQ(DecodeFixedI32(Raw(4)), kBlock);
  EXPECT_EQ(DecodeFixedI32(Raw(12)), 0);           // BlockCount
  EXPECT_EQ(DecodeFixed32(Raw(16)), 0x40000000u);  // 2.0f
  EXPECT_EQ(Raw(0)[20], kDeflateFast);             // Compression
  EXPECT_EQ(DecodeFixed32(Raw(23)), 0u);           // ExtraSize
  for (int i = 27; i < 128; ++i) ASSERT_EQ(Raw(0)[i], 0) << i;
  EXPECT_EQ(stream_->Size(), 0);
  EXPECT_EQ(stream_->Ratio(), 0);
}

TEST_F(BlockStreamTest, BlockSizePlusOneMakesTwoChainedBlocks) {
  Create();
  const std::string data = TextBytes(kBlock + 1, 1);
  WriteAt(0, data);
  ASSERT_EQ(stream_->BlockCount(), 2);
  EXPECT_EQ(DecodeFixedI32(Raw(12)), 2);
  const TCFRBlockHeader b0 = stream_->BlockHeader(0);
  const TCFRBlockHeader b1 = stream_->BlockHeader(1);
  EXPECT_EQ(stream_->BlockOffset(0), 128);
  EXPECT_EQ(b0.UncompressedSize, static_cast<uint32_t>(kBlock));
  EXPECT_EQ(b1.UncompressedSize, 1u);
  EXPECT_EQ(stream_->BlockOffset(1), b0.NextOffset);
  EXPECT_EQ(b0.NextOffset, 128 + 16 + b0.CompressedSize);
  // The block headers on disk say the same, field by field.
  EXPECT_EQ(DecodeFixed32(Raw(128)), b0.CompressedSize);
  EXPECT_EQ(DecodeFixed32(Raw(132)), b0.UncompressedSize);
  EXPECT_EQ(DecodeFixed32(Raw(136)), b0.Checksum);
  EXPECT_EQ(DecodeFixed32(Raw(140)), b0.NextOffset);
  EXPECT_GT(stream_->Ratio(), 50);

  Reopen();
  EXPECT_EQ(stream_->Size(), kBlock + 1);
  EXPECT_EQ(ReadAll(), data);
}

TEST_F(BlockStreamTest, ReadsAcrossBoundaryAndAtOrPastTheEnd) {
  Create();
  const std::string data = TextBytes(2 * kBlock + 300, 2);
  WriteAt(0, data);
  Reopen();
  EXPECT_EQ(ReadAt(kBlock - 100, 200), data.substr(kBlock - 100, 200));
  EXPECT_EQ(ReadAt(kBlock - 5, kBlock + 10), data.substr(kBlock - 5, kBlock + 10));
  EXPECT_EQ(ReadAt(static_cast<int64_t>(data.size()) - 3, 100), data.substr(data.size() - 3));
  EXPECT_EQ(ReadAt(static_cast<int64_t>(data.size()), 10), "");
  EXPECT_EQ(ReadAt(static_cast<int64_t>(data.size()) + 50, 10), "");
  EXPECT_EQ(stream_->Seek(-10, 0), 0);  // positions below 0 become 0
}

TEST_F(BlockStreamTest, GrowingBlockMovesLaterBlocksShrinkingMovesNone) {
  Create();
  const std::string data = TextBytes(3 * kBlock, 3);
  WriteAt(0, data);
  const std::vector<int64_t> before = Offsets();

  // Random bytes in the middle of block 0 compress worse: blocks 1 and 2
  // move behind it and still read back.
  const std::string noise = RandomBytes(20000, 4);
  WriteAt(1000, noise);
  const std::vector<int64_t> grown = Offsets();
  EXPECT_EQ(grown[0], before[0]);
  EXPECT_GT(grown[1], before[1]);
  EXPECT_GT(grown[2], before[2]);
  for (int i = 1; i < 3; ++i) EXPECT_EQ(grown[i], stream_->BlockHeader(i - 1).NextOffset);
  std::string expect = data;
  expect.replace(1000, noise.size(), noise);

  // Restoring the text makes block 0 smaller again: nothing moves, and a gap
  // of stale bytes stays in front of block 1.
  WriteAt(1000, data.substr(1000, noise.size()));
  EXPECT_EQ(Offsets(), grown);
  const TCFRBlockHeader b0 = stream_->BlockHeader(0);
  EXPECT_LT(128 + 16 + int64_t{b0.CompressedSize}, grown[1]);
  EXPECT_EQ(b0.NextOffset, grown[1]);

  Reopen();
  EXPECT_EQ(ReadAll(), data);
}

TEST_F(BlockStreamTest, WriteBeyondEndFillsGapWithZeros) {
  Create();
  WriteAt(0, "abc");
  WriteAt(13, "Z");
  EXPECT_EQ(stream_->Size(), 14);
  EXPECT_EQ(ReadAll(), std::string("abc") + std::string(10, '\0') + "Z");

  // A gap across several blocks.
  WriteAt(2 * kBlock + 7, "end");
  Reopen();
  const std::string all = ReadAll();
  ASSERT_EQ(all.size(), static_cast<size_t>(2 * kBlock + 10));
  EXPECT_EQ(all.substr(0, 3), "abc");
  EXPECT_EQ(all.substr(13, 1), "Z");
  EXPECT_EQ(all.substr(all.size() - 3), "end");
  EXPECT_EQ(all.find_first_not_of('\0', 14), all.size() - 3);
}

TEST_F(BlockStreamTest, ShrinkToBlockMultipleAndIntoBlock) {
  Create();
  const std::string data = TextBytes(3 * kBlock + 1000, 5);
  WriteAt(0, data);
  const std::vector<int64_t> offsets = Offsets();

  stream_->SetSize(2 * kBlock);
  EXPECT_EQ(stream_->BlockCount(), 2);
  EXPECT_EQ(static_cast<int64_t>(raw_->Bytes().size()), offsets[2]);
  EXPECT_EQ(DecodeFixedI32(Raw(12)), 2);

  stream_->Seek(0, 2);
  stream_->SetSize(kBlock + 10);
  EXPECT_EQ(stream_->Position(), kBlock + 10);  // the position follows the size
  ASSERT_EQ(stream_->BlockCount(), 2);
  const TCFRBlockHeader last = stream_->BlockHeader(1);
  EXPECT_EQ(last.UncompressedSize, 10u);
  EXPECT_EQ(stream_->BlockOffset(1), offsets[1]);
  EXPECT_EQ(static_cast<int64_t>(raw_->Bytes().size()), offsets[1] + 16 + last.CompressedSize);
  EXPECT_EQ(last.NextOffset, raw_->Bytes().size());

  Reopen();
  EXPECT_EQ(ReadAll(), data.substr(0, kBlock + 10));

  stream_->SetSize(0);
  EXPECT_EQ(raw_->Bytes().size(), 128u);
  EXPECT_EQ(stream_->BlockCount(), 0);
}

TEST_F(BlockStreamTest, SetSizeGrowsWithZeros) {
  Create();
  WriteAt(0, "xy");
  stream_->SetSize(kBlock + 5);
  Reopen();
  const std::string all = ReadAll();
  ASSERT_EQ(all.size(), static_cast<size_t>(kBlock + 5));
  EXPECT_EQ(all.substr(0, 2), "xy");
  EXPECT_EQ(all.find_first_not_of('\0', 2), std::string::npos);
}

TEST_F(BlockStreamTest, CutBlockListIsRepairedOnOpen) {
  Create();
  const std::string data = TextBytes(3 * kBlock, 6);
  WriteAt(0, data);
  const std::vector<int64_t> offsets = Offsets();
  // The raw stream ends 8 bytes into block 2's header.
  raw_->SetSize(offsets[2] + 8);

  Reopen();
  EXPECT_EQ(stream_->BlockCount(), 2);
  EXPECT_EQ(stream_->Size(), 2 * kBlock);
  EXPECT_EQ(static_cast<int64_t>(raw_->Bytes().size()), offsets[2]);
  EXPECT_EQ(DecodeFixedI32(Raw(12)), 2);  // the header on the raw stream is rewritten
  EXPECT_EQ(ReadAll(), data.substr(0, 2 * kBlock));
}

TEST_F(BlockStreamTest, IncompleteStoredBlockRaisesClearError) {
  Create();
  WriteAt(0, TextBytes(kBlock + 5000, 7));
  const TCFRBlockHeader b1 = stream_->BlockHeader(1);
  raw_->SetSize(stream_->BlockOffset(1) + 16 + b1.CompressedSize / 2);
  EXPECT_EQ(LoadError(),
            "TCFRAdvancedFileStream.LoadBlock - the stored block cannot be read in full.");
}

TEST_F(BlockStreamTest, TypeZeroContentHasNoHeaderAndReadsUnderAnyType) {
  Create(0);
  const std::string data = TextBytes(3000, 8);
  WriteAt(0, data);
  EXPECT_EQ(raw_->Bytes(), data);
  EXPECT_TRUE(stream_->PassThrough());
  for (uint8_t type : {uint8_t{0}, uint8_t{1}, uint8_t{3}, uint8_t{5}, uint8_t{9}}) {
    Reopen(type);
    EXPECT_TRUE(stream_->PassThrough());
    EXPECT_EQ(ReadAll(), data) << int{type};
  }
}

TEST_F(BlockStreamTest, FlippedStoredByteIsCaughtByTheCodec) {
  // Deflate carries an Adler-32, bzip2 a block CRC: a changed byte fails
  // the decoder itself.
  for (uint8_t type : {uint8_t{1}, uint8_t{5}, uint8_t{7}}) {
    SCOPED_TRACE(int{type});
    Create(type);
    WriteAt(0, TextBytes(100000, 9));
    const int64_t at = stream_->BlockOffset(0) + 16 + 40;
    raw_->MutableBytes()[static_cast<size_t>(at)] ^= 0x55;
    EXPECT_EQ(LoadError(), "TCFRAdvancedFileStream.LoadBlock - decompression error.");
  }
}

// A stored block whose codec output decodes cleanly to other bytes: only the
// CRC-16 can tell, and the size check catches a short block.
TEST_F(BlockStreamTest, CrcAndSizeCatchWhatTheCodecLetsThrough) {
  Create();
  const std::string data = TextBytes(50000, 10);
  WriteAt(0, data);
  const int64_t at = stream_->BlockOffset(0);
  const TCFRBlockHeader h = stream_->BlockHeader(0);

  // Replace the stored bytes with a valid deflate stream of other content of
  // the same length.
  std::string other = data;
  other[100] = other[100] == 'x' ? 'y' : 'x';
  std::vector<uint8_t> packed;
  ASSERT_TRUE(PrepareBuffer(reinterpret_cast<const uint8_t*>(other.data()),
                            static_cast<int32_t>(other.size()), &packed, kDeflateFast));
  TCFRBlockHeader patched = h;
  patched.CompressedSize = static_cast<uint32_t>(packed.size());
  patched.NextOffset = static_cast<uint32_t>(at + 16 + packed.size());
  std::string bytes = raw_->Bytes().substr(0, static_cast<size_t>(at));
  uint8_t hb[16];
  patched.Encode(hb);
  bytes.append(reinterpret_cast<const char*>(hb), 16);
  bytes.append(reinterpret_cast<const char*>(packed.data()), packed.size());
  raw_->MutableBytes() = bytes;
  EXPECT_EQ(LoadError(), "TCFRAdvancedFileStream.LoadBlock - decompression crc error.");

  // The same stream, one byte shorter than the header says.
  other = data.substr(0, data.size() - 1);
  ASSERT_TRUE(PrepareBuffer(reinterpret_cast<const uint8_t*>(other.data()),
                            static_cast<int32_t>(other.size()), &packed, kDeflateFast));
  patched.CompressedSize = static_cast<uint32_t>(packed.size());
  patched.NextOffset = static_cast<uint32_t>(at + 16 + packed.size());
  bytes = raw_->Bytes().substr(0, static_cast<size_t>(at));
  patched.Encode(hb);
  bytes.append(reinterpret_cast<const char*>(hb), 16);
  bytes.append(reinterpret_cast<const char*>(packed.data()), packed.size());
  raw_->MutableBytes() = bytes;
  EXPECT_EQ(LoadError(), "TCFRAdvancedFileStream.LoadBlock - decompression error, invalid size.");
}

// Numbers read from the raw stream are bounded before they size anything.
TEST_F(BlockStreamTest, DamagedHeaderNumbersAreRefused) {
  struct Case {
    int offset;  // into the raw stream
    uint32_t value;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {4, 0, "TCFRAdvancedFileStream.LoadHeaders - invalid block size, BlockSize = 0"},
      {4, 0x7FFFFFFF,
       "TCFRAdvancedFileStream.LoadHeaders - invalid block size, BlockSize = 2147483647"},
      {12, 0xFFFFFFFF, "TCFRAdvancedFileStream.LoadHeaders - invalid block count, BlockCount = -1"},
      {23, 0x10000000,
       "TCFRAdvancedFileStream.LoadHeaders - invalid extra size, ExtraSize = 268435456"},
      // Block 0: CompressedSize far beyond any block, UncompressedSize 0,
      // NextOffset pointing back into the block.
      {128, 0x7FFFFFF0, "TCFRAdvancedFileStream.LoadHeaders - block list is damaged."},
      {132, 0, "TCFRAdvancedFileStream.LoadHeaders - block list is damaged."},
      {140, 130, "TCFRAdvancedFileStream.LoadHeaders - block list is damaged."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    Create();
    WriteAt(0, TextBytes(kBlock + 10, 11));
    EncodeFixed32(reinterpret_cast<uint8_t*>(&raw_->MutableBytes()[static_cast<size_t>(c.offset)]),
                  c.value);
    EXPECT_EQ(LoadError(), c.expected);
  }
}

// A raw stream whose bytes are there but cannot be read, as a stored file
// whose first page fails its checksum.
class UnreadableStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  int32_t Read(void*, int32_t) override { return 0; }
};

// A header that cannot be read is damage, not a sign of plain content: taken
// as plain, the file's stored bytes would be handed out as its data.
TEST(BlockStreamOpen, UnreadableHeaderIsDamageNotPlainContent) {
  for (const std::string& bytes : {std::string(kStreamHeaderSize, 'x'), std::string(5000, 'x')}) {
    try {
      TCFRAdvancedFileStream stream(std::make_unique<UnreadableStream>(bytes), 0, false);
      ADD_FAILURE() << "opened as " << stream.Size() << " plain bytes";
    } catch (const EVorError& e) {
      EXPECT_EQ(e.Kind(), ErrorKind::kDamaged);
      EXPECT_STREQ(e.what(),
                   "TCFRAdvancedFileStream.LoadHeaders - error reading the stream header.");
    }
  }
  // Shorter than a header: plain content, nothing to read.
  const std::string shorter(kStreamHeaderSize - 1, 'x');
  TCFRAdvancedFileStream short_stream(std::make_unique<UnreadableStream>(shorter), 0, false);
  EXPECT_EQ(short_stream.Size(), kStreamHeaderSize - 1);
}

TEST_F(BlockStreamTest, ProgressReportsZeroBlocksAndHundred) {
  Create();
  const std::string data = TextBytes(2 * kBlock + 10, 12);
  WriteAt(0, data);
  std::vector<double> seen;
  stream_->SetOnProgress([&](TStream&, double p) { seen.push_back(p); });
  ReadAt(0, static_cast<int32_t>(data.size()));
  // 0 on entry, the accumulator before each of the three blocks, 100.
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen[1], 0);
  EXPECT_NEAR(seen[2], 100.0 / 3, 1e-9);
  EXPECT_NEAR(seen[3], 200.0 / 3, 1e-9);
  EXPECT_EQ(seen.back(), 100);

  // SaveToStream: 0, 100 x copied / size after each chunk, 100; the reads
  // inside report nothing.
  seen.clear();
  TMemoryStream copy;
  stream_->SaveToStream(copy);
  EXPECT_EQ(copy.Bytes(), data);
  const std::vector<double> expected = {0, 100.0 * kBlock / data.size(),
                                        100.0 * 2 * kBlock / data.size(), 100, 100};
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_DOUBLE_EQ(seen[i], expected[i]) << i;
}

TEST_F(BlockStreamTest, FailedPackingLeavesStreamUnchanged) {
  // Type 10 is refused by the codec: the write raises before anything is
  // stored, and the stream still reads what it held.
  auto raw = std::make_unique<TMemoryStream>();
  raw_ = raw.get();
  stream_ = std::make_unique<TCFRAdvancedFileStream>(std::move(raw), 10, true);
  const std::string before = raw_->Bytes();
  stream_->Seek(0, 0);
  EXPECT_THROW(
      {
        try {
          stream_->Write("abc", 3);
        } catch (const EVorError& e) {
          EXPECT_STREQ(e.what(),
                       "TCFRAdvancedFileStream.PrepareBufferForWriting - compression error in "
                       "PrepareBuffer.");
          throw;
        }
      },
      EVorError);
  EXPECT_EQ(raw_->Bytes(), before);
  EXPECT_EQ(stream_->Size(), 0);
  EXPECT_EQ(stream_->BlockCount(), 0);
}

}  // namespace
}  // namespace vor
