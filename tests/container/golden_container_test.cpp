// Containers built from the same input and seed are the same bytes from one
// build of the engine to the next.
//
// The test builds two containers (one plain, one protected by a password,
// holding a file with its own password too) from fixed contents with the
// seeded key generator and fixed times, and compares them with the files an
// earlier build made, kept in tests/data. A change to the engine that moves
// any byte on disk fails here. When the format is changed on purpose, run the
// test with VOR_WRITE_GOLDEN=1 to write the files anew and say why in the
// commit.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "container/coffer.h"
#include "container/store/open_mode.h"
#include "container/stream/file_stream.h"
#include "crypto/random.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {
constexpr uint64_t kTime = 133000000000000000ULL;  // a fixed UTC FILETIME

// Text-like content that every codec compresses, different per seed.
std::string Content(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"page ",   "block ",  "volume ", "stream ", "map ",
                                       "folder ", "record ", "\r\n",    "key ",    "4096 "};
  std::string s;
  uint32_t x = seed * 2654435761u + 1;
  while (s.size() < n) {
    x = x * 1103515245u + 12345u;
    s += kWords[(x >> 16) % 10];
  }
  s.resize(n);
  return s;
}

void WriteFile(TCoffer& coffer, const std::string& name, const std::string& content,
               uint8_t compression, const std::string& password = std::string()) {
  TCFRFileStream stream(&coffer, name, kOpenModeCreate, password, "", "", compression);
  ASSERT_EQ(stream.Write(content.data(), static_cast<int32_t>(content.size())),
            static_cast<int32_t>(content.size()));
}

// Builds the golden container at path: a folder tree, one file per
// compression type, a file that spans several blocks, a file cut short, a
// file deleted (its pages reused) and, with a password, a file with its own.
void Build(const std::string& path, const std::string& password) {
  SeedRandom(20261210);
  SetKeySource(KeySource::kSeededGenerator);
  std::vector<std::string> names;
  {
    TCoffer coffer(path, kOpenModeCreate, password, "question", "answer", 5);
    ASSERT_GE(coffer.CreateFolder("\\Docs\\Deep"), 0);
    names = {"\\Docs", "\\Docs\\Deep"};
    for (uint8_t type = 0; type <= kLastCompressionType; ++type) {
      const std::string name = "\\Docs\\type" + std::to_string(type) + ".txt";
      WriteFile(coffer, name, Content(9000 + type * 700, type), type);
      names.push_back(name);
    }
    WriteFile(coffer, "\\Docs\\Deep\\large.bin", Content(100000, 99), 0);
    names.push_back("\\Docs\\Deep\\large.bin");
    WriteFile(coffer, "\\gone.txt", Content(20000, 7), 3);
    ASSERT_TRUE(coffer.DeleteFile("\\gone.txt"));
    {
      TCFRFileStream cut(&coffer, "\\cut.txt", kOpenModeCreate, "", "", "", 0);
      const std::string text = Content(12000, 8);
      cut.Write(text.data(), static_cast<int32_t>(text.size()));
      cut.SetSize(5000);
    }
    names.push_back("\\cut.txt");
    WriteFile(coffer, "\\empty.txt", std::string(), 5);
    names.push_back("\\empty.txt");
    if (!password.empty()) {
      WriteFile(coffer, "\\own.txt", Content(4000, 11), 5, "own password");
      names.push_back("\\own.txt");
    }
    for (const std::string& name : names) {
      ASSERT_TRUE(coffer.FileSetTimes(name, kTime, kTime + 1, kTime + 2)) << name;
    }
  }
  SetKeySource(KeySource::kSystemEntropy);
}

class GoldenContainerTest : public testing::TempDirTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(GoldenContainerTest, SameBytesAsTheStoredContainer) {
  const char* data_dir = std::getenv("VOR_TEST_DATA");
  ASSERT_NE(data_dir, nullptr) << "VOR_TEST_DATA names the folder of the stored containers";
  const std::string password = GetParam();
  const std::string golden =
      std::string(data_dir) + "/golden-" + (password.empty() ? "plain" : "protected") + ".cfr";
  const std::string built = Path("built.cfr");
  Build(built, password);
  if (HasFatalFailure()) return;
  const std::string now = ReadAll(built);
  ASSERT_FALSE(now.empty());
  if (std::getenv("VOR_WRITE_GOLDEN") != nullptr) {
    std::ofstream(golden, std::ios::binary)
        .write(now.data(), static_cast<std::streamsize>(now.size()));
  }
  const std::string stored = ReadAll(golden);
  ASSERT_FALSE(stored.empty()) << "missing " << golden;
  ASSERT_EQ(now.size(), stored.size());
  size_t first_difference = 0;
  while (first_difference < now.size() && now[first_difference] == stored[first_difference]) {
    ++first_difference;
  }
  EXPECT_EQ(first_difference, now.size())
      << "the containers differ first at byte " << first_difference;

  // The stored container still reads back: the comparison is of a working one.
  TCoffer coffer(golden, 0, password, "", "", 0);
  TCFRFileStream stream(&coffer, "\\Docs\\type9.txt", 0, "", "", "", 0);
  std::string text(9000 + 9 * 700, '\0');
  ASSERT_EQ(stream.Read(&text[0], static_cast<int32_t>(text.size())),
            static_cast<int32_t>(text.size()));
  EXPECT_EQ(text, Content(text.size(), 9));
}

INSTANTIATE_TEST_SUITE_P(Containers, GoldenContainerTest, ::testing::Values("", "golden password"));

}  // namespace
}  // namespace vor
