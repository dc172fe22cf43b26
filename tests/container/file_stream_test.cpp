#include "container/stream/file_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "common/error.h"
#include "container/coffer.h"
#include "container/store/open_mode.h"
#include "container/stream/block_stream.h"
#include "platform/test_temp_dir.h"
#include "support/content.h"

namespace vor {
namespace {

// Mixed content: runs of words with stretches of noise, so every codec has
// something to do.
std::string Content(size_t n, uint32_t seed) {
  return testing::WordBytes(n, seed, {"container ", "page ", "block ", "stream\r\n", "map "}, 8,
                            64);
}

class FileStreamTest : public testing::TempDirTest {
 protected:
  std::string File() const { return Path("box.cfr"); }
  void Create(const std::string& password = std::string(), uint8_t compression = 1) {
    coffer_.reset();
    coffer_ = std::make_unique<TCoffer>(File(), kOpenModeCreate, password, "", "", compression);
  }
  void Open(uint16_t mode, const std::string& password = std::string()) {
    coffer_.reset();
    coffer_ = std::make_unique<TCoffer>(File(), mode, password, "", "", 0);
  }
  void Store(const std::string& name, const std::string& data, uint8_t type,
             const std::string& password = std::string()) {
    TCFRFileStream stream(coffer_.get(), name, kOpenModeCreate, password, "", "", type);
    // In chunks of various sizes, as a copy would write them.
    size_t done = 0;
    size_t chunk = 70000;
    while (done < data.size()) {
      const size_t n = std::min(chunk, data.size() - done);
      ASSERT_EQ(stream.Write(data.data() + done, static_cast<int32_t>(n)), static_cast<int32_t>(n));
      done += n;
      chunk = chunk * 3 + 1;
    }
  }
  std::string Load(const std::string& name, const std::string& password = std::string()) {
    TCFRFileStream stream(coffer_.get(), name, kOpenModeRead, password, "", "", 0);
    const int64_t size = stream.Size();
    std::string out(static_cast<size_t>(size), '\0');
    if (size > 0) stream.ReadBuffer(&out[0], static_cast<int32_t>(size));
    return out;
  }
  // The stored (raw) size of a file.
  int64_t RawSize(const std::string& name) {
    const int32_t h = coffer_->FileOpen(name, kOpenModeRead, "", "", "");
    const int64_t size = coffer_->FileSeek(h, 2, 0);
    coffer_->FileClose(h);
    return size;
  }

  std::unique_ptr<TCoffer> coffer_;
};

TEST_F(FileStreamTest, EmptyCompressedFileIsTheStreamHeaderOnly) {
  Create();
  { TCFRFileStream stream(coffer_.get(), "\\empty", kOpenModeCreate, "", "", "", 5); }
  EXPECT_EQ(RawSize("\\empty"), 128);
  EXPECT_EQ(Load("\\empty"), "");
  // Type 0 (and a container default of 0) stores the bytes as they are.
  coffer_->SetDefaultCompression(0);
  Store("\\plain", "plain bytes", 0);
  EXPECT_EQ(RawSize("\\plain"), 11);
  EXPECT_EQ(Load("\\plain"), "plain bytes");
}

TEST_F(FileStreamTest, ReadOnlyStreamRefusesWriteAndSetSize) {
  Create();
  Store("\\f", "original", 1);
  TCFRFileStream stream(coffer_.get(), "\\f", kOpenModeRead, "", "", "", 0);
  EXPECT_TRUE(stream.ReadOnly());
  try {
    stream.Write("x", 1);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TCFRFileStream.Write - file is in read only mode.");
  }
  try {
    stream.SetSize(2);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TCFRFileStream.SetSize - file is in read only mode.");
  }
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 16), 8);
  EXPECT_EQ(std::string(buffer), "original");
}

TEST_F(FileStreamTest, OpenedFileKeepsItsOwnType) {
  Create("", 5);
  Store("\\bz", Content(200000, 1), 7);
  TCFRFileStream stream(coffer_.get(), "\\bz", kOpenModeReadWrite, "", "", "", 0);
  EXPECT_EQ(stream.BlockStream().Compression(), 7);
  // Rewriting inside it keeps type 7 and the content around the patch.
  stream.Seek(1000, 0);
  stream.WriteBuffer("PATCH", 5);
  std::string expect = Content(200000, 1);
  expect.replace(1000, 5, "PATCH");
  EXPECT_EQ(Load("\\bz"), expect);
}

// A changed byte in a stored page fails the page checksum; the block stream
// then cannot read the block's bytes in full and says so.
TEST_F(FileStreamTest, DamagedContainerPageIsReported) {
  Create();
  std::mt19937 rng(7);
  std::string noise(60000, '\0');
  for (char& c : noise) c = static_cast<char>(rng() & 0xFF);
  Store("\\n", noise, 1);  // deflate keeps incompressible bytes as they are
  coffer_.reset();
  std::string bytes = ReadAll(File());
  const size_t at = bytes.find(noise.substr(30000, 32));
  ASSERT_NE(at, std::string::npos);
  bytes[at] ^= 1;
  ASSERT_TRUE(WriteAll(File(), bytes));
  Open(kOpenModeRead);
  try {
    Load("\\n");
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(),
                 "TCFRAdvancedFileStream.LoadBlock - the stored block cannot be read in full.");
  }
}

// A small file opened for reading is read whole at opening. A damaged page
// of it must fail the same way, at the same step, as when it is read piece
// by piece (opened for writing): in the stream header's page at opening, in
// a later page when its block is read. Sizes on both sides of the bound.
TEST_F(FileStreamTest, SmallFileReadWholeFailsLikeReadInPieces) {
  auto noise_of = [](size_t size) {
    std::mt19937 rng(static_cast<uint32_t>(size));
    std::string noise(size, '\0');
    for (char& ch : noise) ch = static_cast<char>(rng() & 0xFF);
    return noise;
  };
  // Deflate keeps noise as it is, behind the stream and block headers and
  // its own few bytes of framing: the raw size is the size plus a constant.
  Create();
  Store("\\probe", noise_of(1000), 1);
  const int64_t overhead = RawSize("\\probe") - 1000;
  const size_t content_limit =
      static_cast<size_t>(TCFRAdvancedFileStream::kPrefetchLimit - overhead);
  struct Case {
    size_t size;
    size_t damage;  // content offset of the changed byte; npos: none
  };
  const size_t none = std::string::npos;
  const Case cases[] = {{3000, none},
                        {3000, 100},
                        {10000, 20},
                        {10000, 9000},
                        {content_limit, none},
                        {content_limit, content_limit - 1},
                        {content_limit + 1, none},
                        {content_limit + 1, 6000}};
  // What reading gives: the content, or the message of the step that failed.
  auto outcome = [&](uint16_t mode) -> std::string {
    try {
      TCFRFileStream stream(coffer_.get(), "\\n", mode, "", "", "", 0);
      std::string out(static_cast<size_t>(stream.Size()), '\0');
      try {
        stream.ReadBuffer(&out[0], static_cast<int32_t>(out.size()));
      } catch (const EVorError& e) {
        return std::string("reading: ") + e.what();
      }
      return out;
    } catch (const EVorError& e) {
      return std::string("opening: ") + e.what();
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " bytes, damage at " + std::to_string(c.damage));
    Create();
    const std::string noise = noise_of(c.size);
    Store("\\n", noise, 1);
    ASSERT_EQ(RawSize("\\n"), static_cast<int64_t>(c.size) + overhead);
    coffer_.reset();
    if (c.damage != none) {
      std::string bytes = ReadAll(File());
      const size_t from = std::min(c.damage, c.size - 16);
      const size_t at = bytes.find(noise.substr(from, 16));
      ASSERT_NE(at, std::string::npos);
      bytes[at + (c.damage - from)] ^= 1;
      ASSERT_TRUE(WriteAll(File(), bytes));
    }
    Open(kOpenModeRead);
    const std::string whole = outcome(kOpenModeRead);
    Open(kOpenModeReadWrite);
    const std::string pieces = outcome(kOpenModeReadWrite);
    coffer_.reset();
    EXPECT_EQ(whole, pieces);
    if (c.damage == none) {
      EXPECT_EQ(whole, noise);
    } else {
      EXPECT_NE(whole, noise);
      EXPECT_EQ(whole.rfind(c.damage < 3000 ? "opening: " : "reading: ", 0), 0u) << whole;
    }
  }
}

// A few hundred files of every compression type and of sizes from 0 bytes to
// several blocks, in folders, one of them under a password of its own;
// stored, the container closed and reopened, and everything compared.
TEST_F(FileStreamTest, RoundTripOfManyFilesWithEveryType) {
  const std::vector<size_t> sizes = {0,     1,     2,     3,     17,    100,  511,
                                     1000,  4063,  4064,  4065,  5000,  8128, 10000,
                                     12345, 40000, 65536, 70001, 131071};
  for (const std::string password : {"", "secret"}) {
    SCOPED_TRACE("container password '" + password + "'");
    Create(password, 5);
    struct Stored {
      std::string name;
      std::string data;
    };
    std::vector<Stored> files;
    uint32_t seed = 1;
    for (uint8_t type = 0; type <= kLastCompressionType; ++type) {
      // Type 0 is asked for by name only through a container default of 0.
      coffer_->SetDefaultCompression(type == 0 ? 0 : 5);
      // The PPM codec is slow: its types get the smaller files, and the
      // enciphered container (whose pages do not depend on the type) only
      // the smallest of them and no multi-block file.
      const bool ppm = type == 3 || type == 4 || type == 6;
      const size_t largest = !ppm ? sizes.back() : password.empty() ? 40000 : 12345;
      const std::string folder = "\\t" + std::to_string(type);
      ASSERT_GE(coffer_->CreateFolder(folder + "\\sub"), 0);
      for (size_t i = 0; i < sizes.size() && sizes[i] <= largest; ++i) {
        const std::string where = i % 2 == 0 ? folder : folder + "\\sub";
        files.push_back({where + "\\f" + std::to_string(sizes[i]), Content(sizes[i], ++seed)});
        Store(files.back().name, files.back().data, type);
      }
      // Several blocks, written at once: three of the 512 KiB blocks, two of
      // the larger ones.
      if (ppm && !password.empty()) continue;
      const int32_t block = GetBlockSize(type);
      const int32_t blocks = block == 524288 ? 3 : 2;
      files.push_back(
          {folder + "\\multi",
           Content(static_cast<size_t>(blocks - 1) * static_cast<size_t>(block) + 777, ++seed)});
      {
        TCFRFileStream stream(coffer_.get(), files.back().name, kOpenModeCreate, "", "", "", type);
        stream.WriteBuffer(files.back().data.data(),
                           static_cast<int32_t>(files.back().data.size()));
        EXPECT_EQ(stream.BlockStream().BlockCount(), type == 0 ? 0 : blocks);
      }
    }
    const std::string own = Content(70000, 999);
    Store("\\own", own, 5, "mine");
    coffer_.reset();

    Open(kOpenModeRead, password);
    for (const Stored& f : files) ASSERT_EQ(Load(f.name), f.data) << f.name;
    EXPECT_EQ(Load("\\own", "mine"), own);
  }
}

}  // namespace
}  // namespace vor
