// The block stream in the read-only configuration the installer program
// links (container/stream/read_only with codecs/without_encoders): stored
// files read as ever, and every write or size change raises the read-only
// error before a byte of the raw stream moves.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "container/stream/block_stream.h"
#include "container/stream/stream.h"
#include "crypto/checksum.h"

namespace vor {
namespace {

constexpr uint8_t kDeflate = 1;

std::string Content() {
  std::string text;
  for (int i = 0; text.size() < 20000; ++i) text += "stored line " + std::to_string(i) + "\r\n";
  return text;
}

// The raw bytes of a one-block deflate stream holding content, made by hand
// (this program has no encoder of its own; zlib's compressor is used here).
std::string OneBlockStream(const std::string& content) {
  uLongf packed_size = compressBound(static_cast<uLong>(content.size()));
  std::vector<uint8_t> packed(packed_size);
  EXPECT_EQ(compress2(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(content.data()),
                      static_cast<uLong>(content.size()), 6),
            Z_OK);
  packed.resize(packed_size);

  TCFRStreamHeader header;
  std::copy(kStreamSignature, kStreamSignature + 4, header.Signature.begin());
  header.BlockSize = GetBlockSize(kDeflate);
  header.BlockCount = 1;
  header.FormatVersion = kStreamFormatVersion;
  header.Compression = kDeflate;
  TCFRBlockHeader block;
  block.CompressedSize = static_cast<uint32_t>(packed.size());
  block.UncompressedSize = static_cast<uint32_t>(content.size());
  block.Checksum =
      ComputeChecksum(content.data(), static_cast<int32_t>(content.size()), ChecksumCrc16);
  block.NextOffset = static_cast<uint32_t>(kStreamHeaderSize + kBlockHeaderSize + packed.size());

  std::string raw(kStreamHeaderSize + kBlockHeaderSize, '\0');
  header.Encode(reinterpret_cast<uint8_t*>(&raw[0]));
  block.Encode(reinterpret_cast<uint8_t*>(&raw[kStreamHeaderSize]));
  raw.append(packed.begin(), packed.end());
  return raw;
}

std::string ReadAll(TCFRAdvancedFileStream& stream) {
  std::string out(static_cast<size_t>(stream.Size()), '\0');
  stream.Seek(0, 0);
  out.resize(static_cast<size_t>(stream.Read(&out[0], static_cast<int32_t>(out.size()))));
  return out;
}

TEST(ReadOnlyBlockStream, StoredBlocksStillRead) {
  const std::string content = Content();
  TCFRAdvancedFileStream stream(std::make_unique<TMemoryStream>(OneBlockStream(content)), kDeflate,
                                false);
  EXPECT_EQ(stream.BlockCount(), 1);
  EXPECT_EQ(ReadAll(stream), content);
}

TEST(ReadOnlyBlockStream, EveryChangeRaisesAndMovesNothing) {
  struct Case {
    const char* name;
    std::function<void(TCFRAdvancedFileStream&)> change;
    const char* message;
  };
  const Case cases[] = {
      {"write inside", [](TCFRAdvancedFileStream& s) { s.Write("abc", 3); },
       "TCFRAdvancedFileStream.Write - error writing to data stream."},
      {"write past the end",
       [](TCFRAdvancedFileStream& s) {
         s.Seek(0, 2);
         s.Write("abc", 3);
       },
       "TCFRAdvancedFileStream.Write - error writing to data stream."},
      {"cut", [](TCFRAdvancedFileStream& s) { s.SetSize(10); },
       "TCFRAdvancedFileStream.SetSize - error writing to data stream."},
      {"extend", [](TCFRAdvancedFileStream& s) { s.SetSize(s.Size() + 10); },
       "TCFRAdvancedFileStream.SetSize - error writing to data stream."},
  };
  const std::string content = Content();
  // A block stream and a pass-through one (type 0: the raw bytes are the
  // content).
  const struct {
    uint8_t type;
    std::string raw;
  } streams[] = {{kDeflate, OneBlockStream(content)}, {0, content}};
  for (const auto& s : streams) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", type " + std::to_string(s.type));
      auto raw = std::make_unique<TMemoryStream>(s.raw);
      TMemoryStream* raw_view = raw.get();
      TCFRAdvancedFileStream stream(std::move(raw), s.type, false);
      try {
        c.change(stream);
        ADD_FAILURE() << "the change succeeded";
      } catch (const EVorError& e) {
        EXPECT_STREQ(e.what(), c.message);
        EXPECT_EQ(e.Kind(), ErrorKind::kReadOnly);
      }
      EXPECT_EQ(raw_view->Bytes(), s.raw);
      EXPECT_EQ(ReadAll(stream), content);
    }
  }
}

}  // namespace
}  // namespace vor
