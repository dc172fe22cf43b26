// Choosing a file's compression type among candidates: the smallest stored
// stream wins, content that the first type cannot shrink is stored, and the
// chosen blocks read back as an ordinary stream of their type.
#include "container/stream/type_choice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "container/stream/block_packer.h"
#include "container/stream/block_stream.h"
#include "container/stream/stream.h"
#include "support/content.h"

namespace vor {
namespace {

const uint8_t* Data(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

std::string Text(size_t n) {
  return testing::WordBytes(n, 3, {"install ", "the ", "program ", "files ", "folder\r\n"});
}

// The bytes a stream of `type` stores `content` in, packed the plain way.
int64_t StoredBytesOf(const std::string& content, uint8_t type) {
  std::vector<TPackedBlock> blocks;
  if (!PackContent(Data(content), static_cast<int64_t>(content.size()), type, &blocks, 1)) {
    return -1;
  }
  return PackedStreamBytes(blocks);
}

struct ChoiceCase {
  const char* name;
  std::string content;
  std::vector<uint8_t> types;
  bool compresses;
};

TEST(TypeChoice, SmallestTypeOrStoredAndReadsBack) {
  const std::vector<ChoiceCase> cases = {
      {"text", Text(200000), DefaultAutoTypes(), true},
      {"text over two blocks", Text(1572864 + 5000), {1, 7}, true},
      {"random bytes", testing::RandomBytes(100000, 9), DefaultAutoTypes(), false},
      {"empty", "", DefaultAutoTypes(), false},
      // Shorter than the stream header: nothing can save bytes.
      {"a few bytes", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", DefaultAutoTypes(), false},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int64_t size = static_cast<int64_t>(c.content.size());
    const TTypeChoice choice = ChooseSmallestType(Data(c.content), size, c.types, 2);
    if (!c.compresses) {
      EXPECT_EQ(choice.type, 0);
      EXPECT_TRUE(choice.blocks.empty());
      EXPECT_EQ(choice.stored_bytes, size);
      continue;
    }
    ASSERT_NE(choice.type, 0);
    // The first type that stores it smallest of all the candidates.
    int64_t best = size;
    uint8_t best_type = 0;
    for (uint8_t type : c.types) {
      const int64_t bytes = StoredBytesOf(c.content, type);
      if (bytes >= 0 && bytes < best) {
        best = bytes;
        best_type = type;
      }
    }
    EXPECT_EQ(choice.type, best_type);
    EXPECT_EQ(choice.stored_bytes, best);
    EXPECT_EQ(PackedStreamBytes(choice.blocks), best);

    // Written into a stream of the chosen type, the blocks are the stream
    // a plain write of that type makes, and read back as the content.
    auto plain_memory = std::make_unique<TMemoryStream>();
    TMemoryStream* plain_raw = plain_memory.get();
    TCFRAdvancedFileStream plain(std::move(plain_memory), choice.type, true);
    ASSERT_EQ(plain.Write(c.content.data(), static_cast<int32_t>(size)), size);
    auto memory = std::make_unique<TMemoryStream>();
    TMemoryStream* raw = memory.get();
    TCFRAdvancedFileStream stream(std::move(memory), choice.type, true);
    stream.WritePacked(choice.blocks);
    EXPECT_TRUE(raw->Bytes() == plain_raw->Bytes());
    EXPECT_EQ(static_cast<int64_t>(raw->Bytes().size()), choice.stored_bytes);
    TCFRAdvancedFileStream reader(std::make_unique<TMemoryStream>(raw->Bytes()), 0, false);
    EXPECT_EQ(reader.Compression(), choice.type);
    std::string back(static_cast<size_t>(reader.Size()), '\0');
    ASSERT_EQ(reader.Read(&back[0], static_cast<int32_t>(back.size())), size);
    EXPECT_TRUE(back == c.content);
  }
}

TEST(TypeChoice, ParsesTheAutoOption) {
  struct Case {
    const char* text;
    std::vector<uint8_t> types;  // empty: refused
  };
  const std::vector<Case> cases = {
      {"auto", DefaultAutoTypes()},
      {"auto:5,9", {5, 9}},
      {"auto:1", {1}},
      {"auto:9,8,7,6,5,4,3,2,1", {9, 8, 7, 6, 5, 4, 3, 2, 1}},
      {"auto:", {}},
      {"auto:0", {}},
      {"auto:10", {}},
      {"auto:5,", {}},
      {"auto:5,,9", {}},
      {"auto:5,5", {}},
      {"auto:x", {}},
      {"automatic", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_TRUE(IsAutoCompression(c.text));
    std::vector<uint8_t> types = {42};
    const std::string problem = ParseAutoTypes(c.text, &types);
    if (c.types.empty()) {
      EXPECT_FALSE(problem.empty());
      EXPECT_EQ(types, std::vector<uint8_t>{42}) << "a refused list changes nothing";
    } else {
      EXPECT_EQ(problem, "");
      EXPECT_EQ(types, c.types);
    }
  }
  EXPECT_FALSE(IsAutoCompression("5"));
  std::vector<uint8_t> types;
  EXPECT_EQ(ParseAutoTypes("auto:5,5", &types), "type 5 is listed twice in 'auto:5,5'");
  EXPECT_EQ(ParseAutoTypes("auto:0", &types), "'0' in 'auto:0' is not a compression type 1 to 9");
}

}  // namespace
}  // namespace vor
