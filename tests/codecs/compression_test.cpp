#include "codecs/compression.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <ostream>
#include <string>
#include <vector>

#include "codecs/codec_fixtures.h"

namespace vor {
namespace {

using Bytes = std::vector<uint8_t>;

enum class Payload { kOneByte, kText, kBinary, kRandom, kFullBlock };

const char* PayloadName(Payload p) {
  switch (p) {
    case Payload::kOneByte:
      return "OneByte";
    case Payload::kText:
      return "Text";
    case Payload::kBinary:
      return "Binary";
    case Payload::kRandom:
      return "Random";
    case Payload::kFullBlock:
      return "FullBlock";
  }
  return "?";
}

void PrintTo(Payload p, std::ostream* os) { *os << PayloadName(p); }

Bytes MakePayload(Payload p, uint8_t type) {
  switch (p) {
    case Payload::kOneByte:
      return Bytes{0x5A};
    case Payload::kText:
      return fixtures::Text(70000);
    case Payload::kBinary:
      return fixtures::Binary(50000);
    case Payload::kRandom:
      return fixtures::Random(40000);
    case Payload::kFullBlock:
      return fixtures::Mixed(static_cast<size_t>(GetBlockSize(type)));
  }
  return {};
}

// Compresses with `type`, failing the test when the codec refuses.
Bytes Pack(const Bytes& data, uint8_t type) {
  Bytes packed;
  EXPECT_TRUE(PrepareBuffer(data.data(), static_cast<int32_t>(data.size()), &packed, type))
      << "type " << int{type};
  return packed;
}

TEST(CompressionTypes, BlockSizesFollowTheTypeTable) {
  const int32_t kExpected[] = {1048576, 524288, 1048576, 1048576, 1572864,
                               1572864, 524288, 524288,  1048576, 1572864};
  for (int type = 0; type <= kLastCompressionType; ++type) {
    EXPECT_EQ(GetBlockSize(static_cast<uint8_t>(type)), kExpected[type]) << "type " << type;
  }
  for (int type = kLastCompressionType + 1; type <= 255; ++type) {
    EXPECT_EQ(GetBlockSize(static_cast<uint8_t>(type)), 1048576) << "type " << type;
  }
}

class RoundTrip : public ::testing::TestWithParam<std::tuple<int, Payload>> {};

TEST_P(RoundTrip, DecodesToTheOriginalBytes) {
  const uint8_t type = static_cast<uint8_t>(std::get<0>(GetParam()));
  const Bytes data = MakePayload(std::get<1>(GetParam()), type);
  const Bytes packed = Pack(data, type);
  ASSERT_FALSE(packed.empty());

  Bytes unpacked;
  int32_t size = static_cast<int32_t>(data.size());
  ASSERT_TRUE(
      UnpackBuffer(packed.data(), static_cast<int32_t>(packed.size()), &unpacked, type, &size));
  EXPECT_EQ(size, static_cast<int32_t>(data.size()));
  EXPECT_TRUE(unpacked == data);
}

INSTANTIATE_TEST_SUITE_P(EveryType, RoundTrip,
                         ::testing::Combine(::testing::Range(0, kLastCompressionType + 1),
                                            ::testing::Values(Payload::kOneByte, Payload::kText,
                                                              Payload::kBinary, Payload::kRandom,
                                                              Payload::kFullBlock)),
                         [](const ::testing::TestParamInfo<RoundTrip::ParamType>& info) {
                           return "Type" + std::to_string(std::get<0>(info.param)) + "_" +
                                  PayloadName(std::get<1>(info.param));
                         });

TEST(CompressionTypes, DecodingDependsOnlyOnTheFamily) {
  struct Case {
    uint8_t packed_with;
    uint8_t unpacked_with;
  };
  const Case kCases[] = {{1, 5}, {5, 1}, {2, 1}, {7, 9}, {9, 7}, {8, 7}, {6, 4}, {4, 3}};
  const Bytes data = fixtures::Mixed(150000);
  for (const Case& c : kCases) {
    SCOPED_TRACE("packed with " + std::to_string(c.packed_with) + ", unpacked with " +
                 std::to_string(c.unpacked_with));
    const Bytes packed = Pack(data, c.packed_with);
    Bytes unpacked;
    int32_t size = static_cast<int32_t>(data.size());
    ASSERT_TRUE(UnpackBuffer(packed.data(), static_cast<int32_t>(packed.size()), &unpacked,
                             c.unpacked_with, &size));
    EXPECT_TRUE(unpacked == data);
  }
}

TEST(CompressionTypes, EmptyInputIsRefusedByEveryType) {
  const uint8_t byte = 1;
  for (int type = 0; type <= 255; ++type) {
    Bytes packed{1, 2, 3};
    EXPECT_FALSE(PrepareBuffer(&byte, 0, &packed, static_cast<uint8_t>(type))) << type;
    EXPECT_TRUE(packed.empty()) << type;
    EXPECT_FALSE(PrepareBuffer(&byte, -1, &packed, static_cast<uint8_t>(type))) << type;
  }
}

TEST(CompressionTypes, ExpectedSizeBelowOneIsRefusedByEveryType) {
  const Bytes packed = Pack(fixtures::Text(1000), 1);
  for (int type = 0; type <= 255; ++type) {
    for (int32_t expected : {0, -1, -1000}) {
      Bytes data{1, 2, 3};
      int32_t size = expected;
      EXPECT_FALSE(UnpackBuffer(packed.data(), static_cast<int32_t>(packed.size()), &data,
                                static_cast<uint8_t>(type), &size))
          << type;
      EXPECT_EQ(size, expected);
      EXPECT_TRUE(data.empty());
    }
  }
}

TEST(CompressionTypes, TypesAboveNineAreRefused) {
  const Bytes data = fixtures::Text(5000);
  const Bytes stored = Pack(data, 0);
  const Bytes deflated = Pack(data, 1);
  for (int type = kLastCompressionType + 1; type <= 255; ++type) {
    const uint8_t t = static_cast<uint8_t>(type);
    Bytes out;
    EXPECT_FALSE(PrepareBuffer(data.data(), static_cast<int32_t>(data.size()), &out, t)) << type;
    EXPECT_TRUE(out.empty());
    for (const Bytes* packed : {&stored, &deflated}) {
      int32_t size = static_cast<int32_t>(data.size());
      EXPECT_FALSE(
          UnpackBuffer(packed->data(), static_cast<int32_t>(packed->size()), &out, t, &size))
          << type;
      EXPECT_EQ(size, static_cast<int32_t>(data.size()));
      EXPECT_TRUE(out.empty());
    }
  }
}

TEST(CompressionTypes, StoreCopiesAndReportsTheCopiedLength) {
  const Bytes data = fixtures::Binary(3000);
  const Bytes packed = Pack(data, 0);
  EXPECT_TRUE(packed == data);

  // The stored length wins over the expected one; the caller compares them.
  for (int32_t expected : {1, 2999, 3000, 5000}) {
    Bytes out;
    int32_t size = expected;
    ASSERT_TRUE(UnpackBuffer(packed.data(), 3000, &out, 0, &size));
    EXPECT_EQ(size, 3000);
    EXPECT_TRUE(out == data);
  }
}

TEST(CompressionTypes, DeflateBlocksAreStandardZlibStreams) {
  struct Case {
    uint8_t type;
    uint8_t header[2];  // CMF, FLG: deflate, 32 KiB window, level class
  };
  const Case kCases[] = {{1, {0x78, 0x01}}, {2, {0x78, 0x5E}}, {5, {0x78, 0xDA}}};
  const Bytes data = fixtures::Text(100000);
  for (const Case& c : kCases) {
    SCOPED_TRACE("type " + std::to_string(c.type));
    const Bytes packed = Pack(data, c.type);
    ASSERT_GE(packed.size(), 6u);
    EXPECT_EQ(packed[0], c.header[0]);
    EXPECT_EQ(packed[1], c.header[1]);
    Bytes plain(data.size());
    uLongf plain_size = static_cast<uLongf>(plain.size());
    ASSERT_EQ(
        uncompress(plain.data(), &plain_size, packed.data(), static_cast<uLong>(packed.size())),
        Z_OK);
    EXPECT_EQ(plain_size, data.size());
    EXPECT_TRUE(plain == data);
  }
}

TEST(CompressionTypes, Bzip2BlocksAreStandardBz2Streams) {
  const struct {
    uint8_t type;
    char level;
  } kCases[] = {{7, '2'}, {8, '6'}, {9, '9'}};
  const Bytes data = fixtures::Text(100000);
  for (const auto& c : kCases) {
    SCOPED_TRACE("type " + std::to_string(c.type));
    Bytes packed = Pack(data, c.type);
    ASSERT_GE(packed.size(), 4u);
    EXPECT_EQ(std::string(packed.begin(), packed.begin() + 4), std::string("BZh") + c.level);
    Bytes plain(data.size());
    unsigned int plain_size = static_cast<unsigned int>(plain.size());
    ASSERT_EQ(BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(plain.data()), &plain_size,
                                         reinterpret_cast<char*>(packed.data()),
                                         static_cast<unsigned int>(packed.size()), 0, 0),
              BZ_OK);
    EXPECT_EQ(plain_size, data.size());
    EXPECT_TRUE(plain == data);
  }
}

// Damage done to a good block before it is unpacked.
enum class Damage {
  kCutToOneByte,
  kCutInHalf,
  kCutLastByte,
  kFlipMiddleByte,
  kFlipLastByte,
  kZeroHeader
};

const char* DamageName(Damage d) {
  switch (d) {
    case Damage::kCutToOneByte:
      return "CutToOneByte";
    case Damage::kCutInHalf:
      return "CutInHalf";
    case Damage::kCutLastByte:
      return "CutLastByte";
    case Damage::kFlipMiddleByte:
      return "FlipMiddleByte";
    case Damage::kFlipLastByte:
      return "FlipLastByte";
    case Damage::kZeroHeader:
      return "ZeroHeader";
  }
  return "?";
}

void PrintTo(Damage d, std::ostream* os) { *os << DamageName(d); }

void Apply(Damage d, Bytes* b) {
  switch (d) {
    case Damage::kCutToOneByte:
      b->resize(1);
      break;
    case Damage::kCutInHalf:
      b->resize(b->size() / 2);
      break;
    case Damage::kCutLastByte:
      b->pop_back();
      break;
    case Damage::kFlipMiddleByte:
      (*b)[b->size() / 2] ^= 0x21;
      break;
    case Damage::kFlipLastByte:
      b->back() ^= 0x80;
      break;  // a checksum bit, never padding
    case Damage::kZeroHeader:
      (*b)[0] = (*b)[1] = 0;
      break;
  }
}

class DamagedBlock : public ::testing::TestWithParam<std::tuple<int, Damage>> {};

TEST_P(DamagedBlock, FailsAndHandsOutNoData) {
  const uint8_t type = static_cast<uint8_t>(std::get<0>(GetParam()));
  const Bytes data = fixtures::Text(60000);
  Bytes packed = Pack(data, type);
  Apply(std::get<1>(GetParam()), &packed);
  Bytes out;
  int32_t size = static_cast<int32_t>(data.size());
  EXPECT_FALSE(UnpackBuffer(packed.data(), static_cast<int32_t>(packed.size()), &out, type, &size));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(size, static_cast<int32_t>(data.size()));
}

INSTANTIATE_TEST_SUITE_P(
    DeflateAndBzip2, DamagedBlock,
    ::testing::Combine(::testing::Values(1, 5, 7, 9),
                       ::testing::Values(Damage::kCutToOneByte, Damage::kCutInHalf,
                                         Damage::kCutLastByte, Damage::kFlipMiddleByte,
                                         Damage::kFlipLastByte, Damage::kZeroHeader)),
    [](const ::testing::TestParamInfo<DamagedBlock::ParamType>& info) {
      return "Type" + std::to_string(std::get<0>(info.param)) + "_" +
             DamageName(std::get<1>(info.param));
    });

TEST(CompressionTypes, BlockLargerThanExpectedFails) {
  const Bytes data = fixtures::Text(1000);
  for (int type = 1; type <= kLastCompressionType; ++type) {
    SCOPED_TRACE("type " + std::to_string(type));
    const uint8_t t = static_cast<uint8_t>(type);
    const Bytes packed = Pack(data, t);
    const int32_t packed_size = static_cast<int32_t>(packed.size());
    Bytes out;

    int32_t size = 999;
    EXPECT_FALSE(UnpackBuffer(packed.data(), packed_size, &out, t, &size));
    EXPECT_TRUE(out.empty());
    size = 1;
    EXPECT_FALSE(UnpackBuffer(packed.data(), packed_size, &out, t, &size));

    // Smaller than expected decodes and reports the actual size.
    size = 1500;
    ASSERT_TRUE(UnpackBuffer(packed.data(), packed_size, &out, t, &size));
    EXPECT_EQ(size, 1000);
    EXPECT_TRUE(out == data);
  }
}

}  // namespace
}  // namespace vor
