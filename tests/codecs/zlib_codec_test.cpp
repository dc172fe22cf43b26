#include "codecs/zlib_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "codecs/codec_fixtures.h"

namespace vor {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Deflate(const Bytes& data, int32_t level) {
  Bytes packed;
  ZCompressBuffer(data.data(), static_cast<int32_t>(data.size()), &packed, level);
  return packed;
}

// Runs ZDecompressBuffer expecting failure; returns the message.
std::string DecodeFailure(const Bytes& packed, int32_t estimate, int32_t max_size) {
  Bytes out{9, 9};
  try {
    ZDecompressBuffer(packed.data(), static_cast<int32_t>(packed.size()), estimate, &out, max_size);
  } catch (const EDecompressionError& e) {
    EXPECT_TRUE(out.empty());
    return e.what();
  }
  ADD_FAILURE() << "no EDecompressionError";
  return "";
}

TEST(ZlibCodec, GrowsFromAnyEstimate) {
  // 300 KB of text packs to a few KB, so small estimates need many steps.
  const Bytes data = fixtures::Text(300000);
  const Bytes packed = Deflate(data, 9);
  const int32_t exact = static_cast<int32_t>(data.size());
  for (int32_t estimate : {0, -5, 1, 4096, exact - 1, exact, exact * 3}) {
    Bytes out;
    ZDecompressBuffer(packed.data(), static_cast<int32_t>(packed.size()), estimate, &out);
    EXPECT_TRUE(out == data) << "estimate " << estimate;
  }
}

TEST(ZlibCodec, IncompressibleInputStillPacks) {
  const Bytes data = fixtures::Random(200000);
  for (int32_t level : {1, 5, 9}) {
    const Bytes packed = Deflate(data, level);
    EXPECT_GT(packed.size(), data.size());
    Bytes out;
    ZDecompressBuffer(packed.data(), static_cast<int32_t>(packed.size()), 0, &out);
    EXPECT_TRUE(out == data);
  }
}

TEST(ZlibCodec, OutputNeverPassesMaxSize) {
  const Bytes data = fixtures::Binary(20000);
  const Bytes packed = Deflate(data, 5);
  Bytes out;
  ZDecompressBuffer(packed.data(), static_cast<int32_t>(packed.size()), 20000, &out, 20000);
  EXPECT_TRUE(out == data);
  // Estimate below, at and above the cap: the cap wins each time.
  for (int32_t estimate : {100, 19999, 40000}) {
    EXPECT_EQ(DecodeFailure(packed, estimate, 19999), "error") << estimate;
  }
  EXPECT_EQ(DecodeFailure(packed, 0, 0), "error");
}

TEST(ZlibCodec, DamagedOrUnusableStreamsRaise) {
  const Bytes data = fixtures::Text(50000);
  const Bytes good = Deflate(data, 9);

  Bytes cut(good.begin(), good.begin() + static_cast<long>(good.size() / 3));
  EXPECT_EQ(DecodeFailure(cut, 50000, 50000), "error");
  EXPECT_EQ(DecodeFailure(Bytes{}, 0, 1000), "error");

  Bytes bad_sum = good;
  bad_sum[bad_sum.size() - 2] ^= 0x10;
  EXPECT_EQ(DecodeFailure(bad_sum, 50000, 50000), "error");

  // A stream asking for a preset dictionary can never finish: it must fail
  // at once rather than grow its output for ever.
  Bytes with_dictionary(1000);
  z_stream s{};
  ASSERT_EQ(deflateInit(&s, 6), Z_OK);
  const Bytes dictionary = fixtures::Text(500, 7);
  ASSERT_EQ(deflateSetDictionary(&s, dictionary.data(), static_cast<uInt>(dictionary.size())),
            Z_OK);
  s.next_in = const_cast<Bytef*>(data.data());
  s.avail_in = 400;
  s.next_out = with_dictionary.data();
  s.avail_out = static_cast<uInt>(with_dictionary.size());
  ASSERT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
  with_dictionary.resize(s.total_out);
  deflateEnd(&s);
  EXPECT_EQ(DecodeFailure(with_dictionary, 400, 400), "error");
}

TEST(ZlibCodec, BadParametersRaiseAndLeaveNoOutput) {
  const Bytes data = fixtures::Text(1000);
  Bytes out{1};
  EXPECT_THROW(ZCompressBuffer(data.data(), 1000, &out, 10), ECompressionError);
  EXPECT_TRUE(out.empty());
  out = {1};
  EXPECT_THROW(ZCompressBuffer(data.data(), -1, &out, 5), ECompressionError);
  EXPECT_TRUE(out.empty());
  // Both error classes are zlib errors and engine errors.
  EXPECT_THROW(ZCompressBuffer(nullptr, 10, &out, 5), EZlibError);
  EXPECT_THROW(ZDecompressBuffer(nullptr, 10, 0, &out), EVorError);
}

}  // namespace
}  // namespace vor
