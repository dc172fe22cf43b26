// Replays inputs through the fuzz targets' entries: those the fuzzers found
// (kept as hex below) and hostile variants of containers and block streams
// that the engine makes here, each with one stored count, offset or link
// set to a value the container cannot hold.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "common/coding.h"
#include "container/coffer.h"
#include "container/store/page.h"
#include "container/stream/block_stream.h"
#include "container/stream/stream.h"
#include "crypto/checksum.h"
#include "entries/fuzz_support.h"
#include "fuzz_entries.h"
#include "platform/test_temp_dir.h"
#include "support/container_files.h"

namespace vor {
namespace {

using Entry = std::string (*)(const uint8_t*, size_t);
using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// An exception other than the engine's own is a fault too; it is reported
// as one so that the case that raised it is named.
std::string Replay(Entry entry, const Bytes& input) {
  try {
    return entry(input.data(), input.size());
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
}

// The container entry takes a flags byte first: 0 leaves the checksums as
// they are, 1 recomputes them.
std::string ReplayContainer(const Bytes& container, uint8_t flags = 0) {
  Bytes input(container);
  input.insert(input.begin(), flags);
  return Replay(fuzz::ContainerEntry, input);
}

// ------------------------------------------------------------ kept inputs

struct KeptInput {
  const char* name;
  Entry entry;
  const char* hex;
};

const KeptInput kKeptInputs[] = {
    // Empty text for an unregistered format: "" before any lookup.
    {"string_format_empty_unregistered", fuzz::StringFormatEntry, "0846"},
    // Type 0 with an empty block: nothing to copy, whatever was expected.
    {"store_empty_block", fuzz::UnpackEntry, "00ed0f021d"},
    // PPM stream of maximum order 1, which no encoder writes.
    {"ppm_order_one", fuzz::UnpackEntry, "0364000000006000000000"},
    // PPM stream asking for the largest model, with nothing behind it.
    {"ppm_largest_model_empty", fuzz::UnpackEntry, "0410000000ff6f0000"},
    // A damaged stream read as pass-through, then written: the bytes written
    // look like a stream header with a wild block count when read again.
    {"block_stream_pass_through_write", fuzz::BlockStreamEntry,
     "04515a435300001000000000515a4353dcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdc"
     "dcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdcdc"
     "dcdcdcdcdcdcdc0000000001180000000000010000000000000000"},
    // Block stream: signature and nothing else.
    {"block_stream_signature_only", fuzz::BlockStreamEntry, "04515a4353"},
};

class KeptInputTest : public ::testing::TestWithParam<KeptInput> {};

TEST_P(KeptInputTest, IsAnsweredWithoutFault) {
  EXPECT_EQ(Replay(GetParam().entry, FromHex(GetParam().hex)), "");
}

INSTANTIATE_TEST_SUITE_P(Fuzz, KeptInputTest, ::testing::ValuesIn(kKeptInputs),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ hostile containers

// A container the engine writes: folders, files of several compression
// types, one spanning many pages. Returned as the bytes of its file.
class HostileContainerTest : public testing::TempDirTest {
 protected:
  static constexpr size_t kVolumeHeader = 280;
  static constexpr size_t kPage = 4096;

  Bytes MakeContainer() {
    const std::string name = Path("c.cfr");
    {
      TCoffer coffer(name, 0xFFFF, "", "", "", 1);
      coffer.CreateFolder("\\Programfiles\\sub");
      Store(coffer, "\\Programfiles\\a.txt", 1, std::string(30000, 'a'));
      Store(coffer, "\\Programfiles\\sub\\b", 0, std::string(9000, 'b'));
      Store(coffer, "\\c", 6, std::string(500, 'c'));
    }
    const std::string bytes = ReadAll(name);
    return Bytes(bytes.begin(), bytes.end());
  }

  static void Store(TCoffer& coffer, const std::string& path, uint8_t type,
                    const std::string& content) {
    testing::StoreFile(coffer, path, content, type);
  }

  // Sets a 32-bit field of the container header and its checksum.
  static void SetHeaderField(Bytes* c, size_t offset, uint32_t value) {
    uint8_t* header = c->data() + kVolumeHeader;
    EncodeFixed32(header + offset, value);
    EncodeFixed32(header + 8, ComputeChecksum(header + 12, 256 - 12, ChecksumXor));
  }
  static uint32_t HeaderField(const Bytes& c, size_t offset) {
    return DecodeFixed32(c.data() + kVolumeHeader + offset);
  }
  // The page header's NextPageNo is outside the page checksum.
  static void SetNextPageNo(Bytes* c, int32_t page_no, int32_t next) {
    EncodeFixed32(c->data() + kVolumeHeader + static_cast<size_t>(page_no) * kPage,
                  static_cast<uint32_t>(next));
  }
};

TEST_F(HostileContainerTest, UntouchedContainerPassesTheEntry) {
  EXPECT_EQ(ReplayContainer(MakeContainer()), "");
  EXPECT_EQ(ReplayContainer(MakeContainer(), 1), "");
}

TEST_F(HostileContainerTest, StoredCountsAndPageNumbersOutOfRange) {
  const Bytes original = MakeContainer();
  struct Case {
    const char* field;
    size_t offset;
    std::vector<uint32_t> values;
  };
  const Case cases[] = {
      {"PageSize", 16, {0, 599, 600, 4095, 4097, 0x7FFFFFFF, 0x80000000u}},
      {"ExtentPageCount", 20, {0, 1, 7, 9, 1000000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"FirstExtentPageNo", 24, {0, 2, 0xFFFFFFFFu}},
      {"GAMPageCount", 28, {0, 2, 1000000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"PFSPageCount", 32, {0, 2, 1000000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"DIRPageCount", 36, {0, 2, 5, 1000000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"FirstDIRPageNo", 40, {0, 1, 2, 3, 100000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"DIRItemCount", 44, {0, 1, 9, 100, 1000000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"FilePageCount", 48, {0, 1, 5, 100000, 0x7FFFFFFF, 0xFFFFFFFFu}},
  };
  for (const Case& c : cases) {
    for (uint32_t value : c.values) {
      SCOPED_TRACE(std::string(c.field) + " = " + std::to_string(value));
      Bytes hostile = original;
      SetHeaderField(&hostile, c.offset, value);
      EXPECT_EQ(ReplayContainer(hostile), "");
    }
  }
}

TEST_F(HostileContainerTest, ChainsThatLoopOrLeaveTheContainer) {
  const Bytes original = MakeContainer();
  const int32_t first_dir = static_cast<int32_t>(HeaderField(original, 40));
  const int32_t pages = static_cast<int32_t>(HeaderField(original, 48));
  // Every page's link set to itself, to the page before, to page 0, past
  // the end and far out: the directory chain and every map chain meet them.
  for (int32_t page_no = 1; page_no < pages; ++page_no) {
    for (int32_t next : {page_no, page_no - 1, 0, pages, 0x7FFFFFFF, -2}) {
      SCOPED_TRACE("page " + std::to_string(page_no) + " -> " + std::to_string(next));
      Bytes hostile = original;
      SetNextPageNo(&hostile, page_no, next);
      EXPECT_EQ(ReplayContainer(hostile), "");
    }
  }
  // The directory's first page linked to itself with a count that asks for
  // more pages than the chain has.
  Bytes loop = original;
  SetNextPageNo(&loop, first_dir, first_dir);
  SetHeaderField(&loop, 36, 50);
  EXPECT_EQ(ReplayContainer(loop), "");
}

TEST_F(HostileContainerTest, RecordsAndMapEntriesBehindValidChecksums) {
  const Bytes original = MakeContainer();
  const size_t pages = (original.size() - kVolumeHeader) / kPage;
  struct Field {
    const char* name;
    size_t offset;  // in a 512-byte record
    int width;      // bytes
    std::vector<uint64_t> values;
  };
  const Field record_fields[] = {
      {"FirstMapPageNo", 0, 4, {0, 1, 2, 3, 0x7FFFFFFF, 0xFFFFFFFE, 0x80000000u}},
      // The largest size plus the other files' overflowed the sum of sizes
      // in the tool's check; the smallest made the export size a buffer.
      {"FileSize", 4, 8, {1, 4064, 4065, 1ull << 40, 0x7FFFFFFFFFFFFFFFull, 1ull << 63}},
      {"Attributes", 36, 4, {0, 0x10, 0xFFFFFFFF}},
      {"ParentID", 40, 4, {0, 1, 2, 3, 100, 0x7FFFFFFF, 0xFFFFFFFE, 0x80000000u}},
      {"OpenBlocked", 220, 1, {1}},
      {"Deleted", 221, 1, {1, 2}},
      {"OwnEncryption", 222, 1, {1}},
      {"FileName", 224, 1, {0, '\\', '.', '/', ':'}},
      {"FileName end", 224 + 259, 1, {'x'}},
  };
  int dir_pages = 0;
  int map_pages = 0;
  for (size_t page_no = 1; page_no < pages; ++page_no) {
    const size_t page = kVolumeHeader + page_no * kPage;
    const uint8_t type = original[page + 8];
    if (type == 1) {
      ++dir_pages;
      for (size_t record = 0; record < HeaderField(original, 44); ++record) {
        for (const Field& f : record_fields) {
          for (uint64_t value : f.values) {
            SCOPED_TRACE("record " + std::to_string(record) + " " + f.name + " = " +
                         std::to_string(value));
            Bytes hostile = original;
            uint8_t* at = hostile.data() + page + kPageHeaderSize + record * 512 + f.offset;
            for (int i = 0; i < f.width; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
            EXPECT_EQ(ReplayContainer(hostile, 1), "");
          }
        }
      }
    } else if (type == 5) {
      ++map_pages;
      for (size_t entry : {0, 1, 2, 5}) {
        for (uint32_t value : {0u, 1u, 2u, static_cast<uint32_t>(page_no),
                               static_cast<uint32_t>(pages), 0x7FFFFFFFu, 0xFFFFFFFFu}) {
          SCOPED_TRACE("map page " + std::to_string(page_no) + " entry " + std::to_string(entry) +
                       " = " + std::to_string(value));
          Bytes hostile = original;
          EncodeFixed32(hostile.data() + page + kPageHeaderSize + entry * 4, value);
          EXPECT_EQ(ReplayContainer(hostile, 1), "");
        }
      }
    }
  }
  EXPECT_GE(dir_pages, 1);
  EXPECT_GE(map_pages, 3);
}

TEST_F(HostileContainerTest, CutShortAnywhere) {
  const Bytes original = MakeContainer();
  for (size_t cut = 0; cut < original.size(); cut += 1531) {
    SCOPED_TRACE(cut);
    const Bytes hostile(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(ReplayContainer(hostile), "");
  }
}

// ------------------------------------------------------------ hostile block streams

Bytes MakeBlockStream(uint8_t type, size_t size) {
  TMemoryStream raw;
  {
    TCFRAdvancedFileStream stream(std::make_unique<fuzz::ForwardingStream>(raw), type, true);
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>("abcdefgh"[i % 8] + i / 4000);
    stream.WriteBuffer(content.data(), static_cast<int32_t>(content.size()));
  }
  return Bytes(raw.Bytes().begin(), raw.Bytes().end());
}

TEST(HostileBlockStreamTest, StoredSizesCountsAndOffsets) {
  // Two blocks of type 1 (block size 524,288).
  const Bytes original = MakeBlockStream(1, 600000);
  const size_t block0 = kStreamHeaderSize;
  const uint32_t block1 = DecodeFixed32(original.data() + block0 + 12);
  struct Case {
    const char* field;
    size_t offset;
    std::vector<uint32_t> values;
  };
  const Case cases[] = {
      {"BlockSize", 4, {0, 1, 1000, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu}},
      {"BlockCount", 12, {0, 1, 3, 1000000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"ExtraSize", 23, {1, 1000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"CompressedSize 0", block0, {0, 1, 0x10000, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"UncompressedSize 0", block0 + 4, {0, 1, 524289, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"NextOffset 0", block0 + 12, {0, 1, 128, 0x7FFFFFFF, 0xFFFFFFFFu}},
      {"NextOffset 1", block1 + 12u, {0, 128, block1, 0xFFFFFFFFu}},
      {"CompressedSize 1", block1 + 0u, {0, 0xFFFFFFFFu}},
  };
  for (const Case& c : cases) {
    for (uint32_t value : c.values) {
      for (uint8_t mode : {0, 4}) {
        SCOPED_TRACE(std::string(c.field) + " = " + std::to_string(value) +
                     (mode ? " with writes" : ""));
        Bytes hostile = original;
        if (c.offset + 4 > hostile.size()) continue;
        EncodeFixed32(hostile.data() + c.offset, value);
        hostile.insert(hostile.begin(), mode);
        EXPECT_EQ(Replay(fuzz::BlockStreamEntry, hostile), "");
      }
    }
  }
}

TEST(HostileBlockStreamTest, EveryTypeCutShortAndReadBack) {
  for (uint8_t type = 0; type <= 9; ++type) {
    const Bytes original = MakeBlockStream(type, 5000);
    ASSERT_GT(original.size(), static_cast<size_t>(kStreamHeaderSize));
    for (size_t cut = 0; cut <= original.size(); cut += 97) {
      SCOPED_TRACE("type " + std::to_string(type) + " cut " + std::to_string(cut));
      Bytes hostile(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(cut));
      hostile.insert(hostile.begin(), uint8_t{4});
      EXPECT_EQ(Replay(fuzz::BlockStreamEntry, hostile), "");
    }
  }
}

}  // namespace
}  // namespace vor
