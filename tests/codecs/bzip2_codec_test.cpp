#include "codecs/bzip2_codec.h"

#include <bzlib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/codec_fixtures.h"

namespace vor {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pack(const Bytes& data, int32_t block_size_100k) {
  Bytes packed;
  BZCompressBuffer(data.data(), static_cast<int32_t>(data.size()), &packed, block_size_100k);
  return packed;
}

// Runs BZDecompressBuffer expecting failure; returns the message.
std::string DecodeFailure(const Bytes& packed, int32_t estimate, int32_t max_size) {
  Bytes out{9, 9};
  try {
    BZDecompressBuffer(packed.data(), static_cast<int32_t>(packed.size()), estimate, &out,
                       max_size);
  } catch (const EBZDecompressionError& e) {
    EXPECT_TRUE(out.empty());
    return e.what();
  }
  ADD_FAILURE() << "no EBZDecompressionError";
  return "";
}

TEST(Bzip2Codec, GrowsFromAnyEstimate) {
  const Bytes data = fixtures::Text(300000);
  const Bytes packed = Pack(data, 2);  // two library blocks
  const int32_t exact = static_cast<int32_t>(data.size());
  for (int32_t estimate : {0, -5, 1, 4096, exact - 1, exact, exact * 3}) {
    Bytes out;
    BZDecompressBuffer(packed.data(), static_cast<int32_t>(packed.size()), estimate, &out);
    EXPECT_TRUE(out == data) << "estimate " << estimate;
  }
}

TEST(Bzip2Codec, IncompressibleInputStillPacks) {
  // Small noise packs to more than the first output buffer (input + 10 % +
  // 12, rounded up to 256 bytes), so these sizes take the growth path.
  for (int32_t size : {186, 445, 852, 200000}) {
    const Bytes data = fixtures::Random(static_cast<size_t>(size));
    const Bytes packed = Pack(data, 9);
    EXPECT_GT(packed.size(), data.size());
    if (size < 1000) {
      EXPECT_GT(packed.size(), static_cast<size_t>((size + size / 10 + 12 + 255) & ~255));
    }
    Bytes out;
    BZDecompressBuffer(packed.data(), static_cast<int32_t>(packed.size()), 0, &out);
    EXPECT_TRUE(out == data) << size;
  }
}

TEST(Bzip2Codec, StreamEndingEarlyFailsInsteadOfLooping) {
  const Bytes data = fixtures::Binary(250000);
  const Bytes good = Pack(data, 2);
  // Cut in the header, inside the first block, between blocks' worth of data
  // and just before the end-of-stream mark's last byte.
  for (size_t keep : {size_t{0}, size_t{3}, size_t{20}, good.size() / 2, good.size() - 1}) {
    const Bytes cut(good.begin(), good.begin() + static_cast<long>(keep));
    EXPECT_EQ(DecodeFailure(cut, 0, 1 << 30), "error -7") << "kept " << keep;
  }
}

TEST(Bzip2Codec, DamagedStreamsReportTheLibraryCode) {
  const Bytes data = fixtures::Text(50000);
  const Bytes good = Pack(data, 6);
  Bytes bad_magic = good;
  bad_magic[0] = 'X';
  EXPECT_EQ(DecodeFailure(bad_magic, 50000, 50000), "error -5");  // BZ_DATA_ERROR_MAGIC
  // Bytes 10-13 hold the first block's CRC, after "BZh6" and the block magic.
  Bytes bad_crc = good;
  bad_crc[10] ^= 0x40;
  EXPECT_EQ(DecodeFailure(bad_crc, 50000, 50000), "error -4");  // BZ_DATA_ERROR
}

TEST(Bzip2Codec, OutputNeverPassesMaxSize) {
  const Bytes data = fixtures::Binary(20000);
  const Bytes packed = Pack(data, 9);
  Bytes out;
  BZDecompressBuffer(packed.data(), static_cast<int32_t>(packed.size()), 20000, &out, 20000);
  EXPECT_TRUE(out == data);
  for (int32_t estimate : {100, 19999, 40000}) {
    EXPECT_EQ(DecodeFailure(packed, estimate, 19999), "error -8") << estimate;  // BZ_OUTBUFF_FULL
  }
}

TEST(Bzip2Codec, BadBlockSizeRaisesAndLeavesNoOutput) {
  const Bytes data = fixtures::Text(1000);
  for (int32_t block_size : {0, 10}) {
    Bytes out{1};
    try {
      BZCompressBuffer(data.data(), 1000, &out, block_size);
      ADD_FAILURE() << "no EBZCompressionError for " << block_size;
    } catch (const EBZCompressionError& e) {
      EXPECT_STREQ(e.what(), "error -2");  // BZ_PARAM_ERROR
    }
    EXPECT_TRUE(out.empty());
  }
}

TEST(Bzip2Codec, InternalErrorHookRaises) {
  try {
    bz_internal_error(1001);
    ADD_FAILURE() << "bz_internal_error returned";
  } catch (const EBZip2Error& e) {
    EXPECT_STREQ(e.what(), "Compression Error 1001");
  }
}

// The hook's exception must cross libbzip2's own frames (C code) on every
// target. A decoder whose state word holds a value the library never sets
// reaches its internal check 4001 from inside the decompressor. The state
// word follows the stream pointer at the start of the library's private
// decoder record.
TEST(Bzip2Codec, InternalErrorCrossesTheLibrary) {
  struct DecoderPrefix {
    bz_stream* owner;
    int32_t state;
  };
  bz_stream s{};
  ASSERT_EQ(BZ2_bzDecompressInit(&s, 0, 0), BZ_OK);
  auto* prefix = static_cast<DecoderPrefix*>(s.state);
  ASSERT_EQ(prefix->owner, &s);
  prefix->state = 999;
  char in[1] = {0};
  char out[16];
  s.next_in = in;
  s.avail_in = 1;
  s.next_out = out;
  s.avail_out = sizeof(out);
  std::string message;
  try {
    BZ2_bzDecompress(&s);
  } catch (const EBZip2Error& e) {
    message = e.what();
  }
  BZ2_bzDecompressEnd(&s);
  EXPECT_EQ(message, "Compression Error 4001");
}

}  // namespace
}  // namespace vor
