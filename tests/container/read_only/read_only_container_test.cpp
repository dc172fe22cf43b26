// The container engine in the read-only configuration the installer program
// links (the read_only stand-ins of the container, store and stream layers
// with codecs/without_encoders): stored files read as ever, and every write
// or size change is refused with the read-only error before a byte moves.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "common/result_code.h"
#include "container/coffer.h"
#include "container/store/page.h"
#include "container/store/page_file.h"
#include "container/stream/block_stream.h"
#include "container/stream/file_stream.h"
#include "container/stream/stream.h"
#include "crypto/checksum.h"
#include "platform/test_temp_dir.h"

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

// A copy of a stored container, opened read-only as the installer opens its
// own.
class ReadOnlyContainerTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    const char* data_dir = std::getenv("VOR_TEST_DATA");
    ASSERT_NE(data_dir, nullptr) << "VOR_TEST_DATA names the folder of the stored containers";
    original_ = ReadAll(std::string(data_dir) + "/golden-plain.cfr");
    ASSERT_FALSE(original_.empty());
    ASSERT_TRUE(WriteAll(File(), original_));
  }
  std::string File() const { return Path("job.cfr"); }
  static std::string ReadStored(TCoffer& coffer, const std::string& name) {
    TCFRFileStream stream(&coffer, name, 0, "", "", "", 0);
    std::string out(static_cast<size_t>(stream.Size()), '\0');
    out.resize(static_cast<size_t>(stream.Read(&out[0], static_cast<int32_t>(out.size()))));
    return out;
  }

  std::string original_;
};

constexpr char kStored[] = "\\Docs\\type9.txt";

TEST_F(ReadOnlyContainerTest, FileCallsThatWriteAreRefusedAndNothingMoves) {
  std::string before;
  {
    TCoffer coffer(File(), 0, "", "", "", 0);
    before = ReadStored(coffer, kStored);
    ASSERT_FALSE(before.empty());
    const int32_t handle = coffer.FileOpen(kStored, 0, "", "", "");
    ASSERT_GE(handle, 0);
    struct Case {
      const char* name;
      std::function<int64_t()> call;
      int64_t result;
      bool refused;  // LastError is the page file's refusal
    };
    const Case cases[] = {
        {"write", [&] { return coffer.FileWrite(handle, "abc", 3); }, 0, true},
        {"write to an unknown handle", [&] { return coffer.FileWrite(handle + 7, "abc", 3); }, 0,
         false},
        {"cut", [&] { return coffer.FileSetSize(handle, 5); }, kPageWriteHeaderError, true},
        {"extend", [&] { return coffer.FileSetSize(handle, 1 << 20); }, kPageWriteHeaderError,
         true},
        {"resize an unknown handle", [&] { return coffer.FileSetSize(handle + 7, 5); },
         kInvalidHandle, false},
        {"negative size", [&] { return coffer.FileSetSize(handle, -1); }, kFileNotFound, false},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      EXPECT_EQ(c.call(), c.result);
      if (c.refused) {
        EXPECT_EQ(coffer.LastError(), kPageWriteHeaderError);
        EXPECT_EQ(coffer.LastErrorKind(), ErrorKind::kReadOnly);
      }
    }
    // The page file below refuses the same way.
    std::vector<uint8_t> data(static_cast<size_t>(coffer.PageFile().PageDataSize()), 0x5A);
    TPageRecord page;
    page.pData = data.data();
    EXPECT_FALSE(coffer.PageFile().WritePage(page, 1, -1));
    EXPECT_EQ(coffer.PageFile().LastError(), kPageWriteHeaderError);
    EXPECT_EQ(coffer.PageFile().LastFailureKind(), ErrorKind::kReadOnly);
    EXPECT_EQ(coffer.PageFile().WritePageRun(page, 1, 1, data.data()), 0);
    EXPECT_EQ(coffer.PageFile().LastFailureKind(), ErrorKind::kReadOnly);
    coffer.FileClose(handle);
    EXPECT_EQ(ReadStored(coffer, kStored), before);
  }
  EXPECT_EQ(ReadAll(File()), original_);
}

}  // namespace
}  // namespace vor
