// The decode-only configuration of the codecs (codecs/without_encoders),
// which the installer program links: every compression type refuses to
// encode with the codec failure result, a block stream write fails with its
// usual compression error and stores nothing, and decoding is unaffected.
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "container/stream/block_stream.h"
#include "container/stream/stream.h"

namespace vor {
namespace {

constexpr char kCompressionError[] =
    "TCFRAdvancedFileStream.PrepareBufferForWriting - compression error in PrepareBuffer.";

std::vector<uint8_t> Sample(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>("decode only "[i % 12]);
  return bytes;
}

TEST(DecodeOnly, EveryTypeRefusesToEncodeAndHandsOutNothing) {
  const std::vector<uint8_t> data = Sample(4096);
  for (int type = 0; type <= kLastCompressionType; ++type) {
    SCOPED_TRACE(type);
    std::vector<uint8_t> packed = {1, 2, 3};
    EXPECT_FALSE(PrepareBuffer(data.data(), static_cast<int32_t>(data.size()), &packed,
                               static_cast<uint8_t>(type)));
    EXPECT_TRUE(packed.empty());
  }
}

TEST(DecodeOnly, StoredAndDeflatedBlocksStillDecode) {
  // The deflate block is made with zlib itself, which this program links for
  // inflating anyway; the codec's own encoder is not there to make it.
  const std::vector<uint8_t> data = Sample(10000);
  uLongf bound = compressBound(static_cast<uLong>(data.size()));
  std::vector<uint8_t> deflated(bound);
  ASSERT_EQ(compress2(deflated.data(), &bound, data.data(), static_cast<uLong>(data.size()), 9),
            Z_OK);
  deflated.resize(bound);
  struct Case {
    uint8_t type;
    const std::vector<uint8_t>* packed;
  };
  for (const Case& c :
       {Case{0, &data}, Case{1, &deflated}, Case{2, &deflated}, Case{5, &deflated}}) {
    SCOPED_TRACE(c.type);
    std::vector<uint8_t> out;
    int32_t size = static_cast<int32_t>(data.size());
    ASSERT_TRUE(UnpackBuffer(c.packed->data(), static_cast<int32_t>(c.packed->size()), &out, c.type,
                             &size));
    EXPECT_EQ(size, static_cast<int32_t>(data.size()));
    EXPECT_EQ(out, data);
  }
}

TEST(DecodeOnly, BlockStreamWriteFailsAndStoresNothing) {
  // One short block, and several full ones (packed on several threads).
  for (const int32_t count : {3, 3 * GetBlockSize(1) + 17}) {
    for (const uint8_t type : {1, 3, 8}) {
      SCOPED_TRACE(std::to_string(count) + " bytes, type " + std::to_string(type));
      auto raw = std::make_unique<TMemoryStream>();
      TMemoryStream* raw_view = raw.get();
      TCFRAdvancedFileStream stream(std::move(raw), type, true);
      const std::string before = raw_view->Bytes();
      const std::vector<uint8_t> data = Sample(static_cast<size_t>(count));
      try {
        stream.Write(data.data(), count);
        ADD_FAILURE() << "the write succeeded";
      } catch (const EVorError& e) {
        EXPECT_STREQ(e.what(), kCompressionError);
        EXPECT_EQ(e.Kind(), ErrorKind::kGeneral);
      }
      EXPECT_EQ(raw_view->Bytes(), before);
      EXPECT_EQ(stream.Size(), 0);
      EXPECT_EQ(stream.BlockCount(), 0);
    }
  }
}

}  // namespace
}  // namespace vor
