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

// "installer reads, never writes. " eight times, as the full codecs packed
// it at type 7 (bzip2) and type 3 (PPM): this program cannot make them.
std::vector<uint8_t> FixtureText() {
  std::string text;
  for (int i = 0; i < 8; ++i) text += "installer reads, never writes. ";
  return std::vector<uint8_t>(text.begin(), text.end());
}
const std::vector<uint8_t> kBzip2Fixture = {
    0x42, 0x5a, 0x68, 0x32, 0x31, 0x41, 0x59, 0x26, 0x53, 0x59, 0x36, 0x84, 0x71, 0xef, 0x00,
    0x00, 0x3b, 0x91, 0x80, 0x40, 0x05, 0x26, 0x25, 0x1d, 0x80, 0x20, 0x00, 0x70, 0x40, 0x00,
    0x00, 0xaa, 0xa3, 0x68, 0x13, 0xd3, 0x49, 0x61, 0x61, 0xf0, 0x48, 0x68, 0x70, 0x68, 0x5c,
    0x48, 0xa1, 0x71, 0x42, 0x46, 0x06, 0x06, 0x44, 0x0a, 0x1b, 0x0b, 0x0e, 0x8e, 0x88, 0x1b,
    0x1c, 0x19, 0x10, 0x32, 0x3f, 0x17, 0x72, 0x45, 0x38, 0x50, 0x90, 0x36, 0x84, 0x71, 0xef};
const std::vector<uint8_t> kPpmFixture = {
    0x84, 0x61, 0x00, 0x00, 0xb7, 0xef, 0xf3, 0x1a, 0x63, 0xaa, 0x70, 0x33, 0xd9, 0x86,
    0x79, 0xf5, 0xe3, 0x42, 0xe1, 0x4d, 0x26, 0x32, 0xb0, 0x92, 0x0e, 0x93, 0xb8, 0x09,
    0x3a, 0x8b, 0x67, 0x77, 0xa0, 0x90, 0x00, 0x00, 0xee, 0x31, 0x47, 0x05, 0x00};

TEST(DecodeOnly, EveryFamilyStillDecodes) {
  const std::vector<uint8_t> text = FixtureText();
  // The deflate block is made with zlib itself, which this program links for
  // inflating anyway.
  uLongf bound = compressBound(static_cast<uLong>(text.size()));
  std::vector<uint8_t> deflated(bound);
  ASSERT_EQ(compress2(deflated.data(), &bound, text.data(), static_cast<uLong>(text.size()), 9),
            Z_OK);
  deflated.resize(bound);
  struct Case {
    uint8_t type;
    const std::vector<uint8_t>* packed;
  };
  // Every type of a family decodes every block of that family.
  for (const Case& c : {Case{0, &text}, Case{1, &deflated}, Case{2, &deflated}, Case{5, &deflated},
                        Case{7, &kBzip2Fixture}, Case{9, &kBzip2Fixture}, Case{3, &kPpmFixture},
                        Case{6, &kPpmFixture}}) {
    SCOPED_TRACE(c.type);
    std::vector<uint8_t> out;
    int32_t size = static_cast<int32_t>(text.size());
    ASSERT_TRUE(UnpackBuffer(c.packed->data(), static_cast<int32_t>(c.packed->size()), &out, c.type,
                             &size));
    EXPECT_EQ(size, static_cast<int32_t>(text.size()));
    EXPECT_EQ(out, text);
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
