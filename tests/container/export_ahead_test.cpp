// ExportFiles with and without read-ahead: the same files on disk, the same
// events in the same order and the same error, whatever is read ahead.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "container/coffer.h"
#include "container/stream/file_stream.h"
#include "platform/folder_list.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "support/content.h"

namespace vor {
namespace {

constexpr uint16_t kCreate = 0xFFFF;
constexpr uint16_t kReadWrite = 2;
constexpr int32_t kBlock = 1048576;  // block size of compression type 2

// Compressible bytes that differ from file to file.
std::string Content(size_t size, uint32_t seed) {
  return testing::WordBytes(size, seed, {"alpha ", "beta ", "gamma ", "delta\n", "epsilon "});
}

// Threads of this process, where the system shows them; -1 elsewhere.
int ThreadCount() {
  std::vector<platform::FolderEntry> entries;
  if (!platform::ListFolder("/proc/self/task", &entries)) return -1;
  return static_cast<int>(entries.size());
}

// What one export did: the events in order, the disk tree, the error.
struct Outcome {
  std::vector<std::string> events;
  std::map<std::string, std::string> tree;
  std::string error;  // empty when it ran through
  ErrorKind kind = ErrorKind::kGeneral;
};

class ExportAheadTest : public testing::TempDirTest {
 public:
  void SetUp() override {
    TempDirTest::SetUp();
    coffer_ = std::make_unique<TCoffer>(Path("box.cfr"), kCreate, "", "", "", 1);
  }
  void TearDown() override {
    coffer_.reset();
    TempDirTest::TearDown();
  }

  void Store(const std::string& name, const std::string& data,
             const std::string& password = std::string()) {
    const size_t cut = name.find_last_of('\\');
    if (cut > 0) coffer_->CreateFolder(name.substr(0, cut));
    TCFRFileStream stream(coffer_.get(), name, kCreate, password, "", "", 2);
    if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  }

  // The files of \P in the order the export takes them (the folder search's).
  std::vector<std::string> Order() {
    std::vector<std::string> names;
    TSearchRec rec;
    for (int32_t r = coffer_->FindFirst("\\P\\*.*", 63, &rec); r == 0;
         r = coffer_->FindNext(&rec)) {
      names.push_back(rec.Name);
    }
    coffer_->FindClose(&rec);
    return names;
  }

  // Overwrites stored bytes of a block through the raw stream: the pages
  // stay sound, the block no longer unpacks.
  void SpoilBlock(const std::string& name, int32_t block) {
    TCFRFileStream stream(coffer_.get(), name, kReadWrite, "", "", "", 0);
    TCFRAdvancedFileStream& blocks = stream.BlockStream();
    ASSERT_LT(block, blocks.BlockCount());
    const std::string junk(64, '\x5a');
    blocks.RawStream().Seek(blocks.BlockOffset(block) + 16 + 8, 0);
    blocks.RawStream().WriteBuffer(junk.data(), static_cast<int32_t>(junk.size()));
  }

  // Changes one byte of a page holding the block's stored bytes in the
  // container file: the page fails its checksum and cannot be read.
  void SpoilPage(const std::string& name, int32_t block) {
    std::string probe;
    {
      TCFRFileStream stream(coffer_.get(), name, 0, "", "", "", 0);
      TCFRBlockHeader header;
      std::vector<uint8_t> packed;
      stream.BlockStream().ReadPackedBlock(block, &header, &packed);
      ASSERT_GE(packed.size(), 200u);
      // From the middle of the block: no block header shares its page.
      probe.assign(reinterpret_cast<const char*>(packed.data()) + packed.size() / 2, 48);
    }
    coffer_.reset();
    std::string bytes = ReadAll(Path("box.cfr"));
    const size_t at = bytes.find(probe);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes.find(probe, at + 1), std::string::npos);
    bytes[at + 10] = static_cast<char>(bytes[at + 10] ^ 0x40);
    ASSERT_TRUE(WriteAll(Path("box.cfr"), bytes));
    coffer_ = std::make_unique<TCoffer>(Path("box.cfr"), 0, "", "", "", 0);
  }

  // Every file below a disk folder with its size and a hash of its content,
  // and every folder.
  static void ReadTree(const std::string& dir, const std::string& rel,
                       std::map<std::string, std::string>* tree) {
    std::vector<platform::FolderEntry> entries;
    if (!platform::ListFolder(dir, &entries)) return;
    for (const platform::FolderEntry& e : entries) {
      const std::string path = dir + platform::PathDelimiter() + e.name;
      if (e.kind == platform::FolderEntryKind::kFolder) {
        (*tree)[rel + e.name + "/"] = "";
        ReadTree(path, rel + e.name + "/", tree);
      } else {
        const std::string bytes = ReadAll(path);
        (*tree)[rel + e.name] = std::to_string(bytes.size()) + " bytes, hash " +
                                std::to_string(std::hash<std::string>()(bytes));
      }
    }
  }

  // Existing disk files for the overwrite cases.
  static void ThreeOldFiles(const std::string& dest) {
    for (const char* name : {"f1", "f2", "f3"}) {
      WriteAll(dest + platform::PathDelimiter() + name, "old");
    }
  }

  // Exports \P into a fresh folder, after prepare has put files there.
  Outcome Export(const std::string& dest, int64_t ahead_bytes, int32_t ahead_files,
                 uint8_t overwrite_mode, int abort_after,
                 const std::function<void(const std::string&)>& prepare) {
    Outcome out;
    platform::CreateDirectory(dest);
    if (prepare) prepare(dest);
    coffer_->SetExportReadAhead(ahead_bytes, ahead_files);
    int items = 0;
    coffer_->SetOnProgress([&](TCoffer&, bool& abort, double p) {
      out.events.push_back("progress " + std::to_string(p));
      if (abort_after > 0 && ++items == abort_after + 1) abort = true;
    });
    coffer_->SetOnFileProgress([&](TCoffer&, const std::string& file, double p) {
      out.events.push_back(file + " " + std::to_string(p));
    });
    int asked = 0;
    coffer_->SetOnOverwrite(
        [&](TCoffer&, const std::string& local, const std::string& stored, bool& overwrite) {
          out.events.push_back("overwrite? " + local + " " + stored);
          overwrite = ++asked % 2 == 1;
        });
    coffer_->SetOnPassword(
        [&](TCoffer&, const std::string& file, std::string& password, bool& cancel) {
          out.events.push_back("password? " + file);
          password = "own";
          cancel = false;
        });
    try {
      coffer_->ExportFiles("\\P\\*.*", dest, 63, true, overwrite_mode);
    } catch (const EVorError& e) {
      out.error = e.what();
      out.kind = e.Kind();
    }
    ReadTree(dest, "", &out.tree);
    return out;
  }

  std::unique_ptr<TCoffer> coffer_;
};

TEST_F(ExportAheadTest, SameFilesEventsAndErrorsWithAndWithoutReadAhead) {
  struct Case {
    const char* what;
    std::function<void(ExportAheadTest&)> build;
    uint8_t overwrite_mode;
    int abort_after;  // items, 0: no abort
    std::function<void(const std::string&)> prepare;
    const char* error;  // expected, "" for none
  };
  const std::vector<Case> cases = {
      {"many small files, a folder tree",
       [](ExportAheadTest& t) {
         for (int i = 0; i < 150; ++i) {
           const std::string folder = i % 3 == 0   ? "\\P\\"
                                      : i % 3 == 1 ? "\\P\\s\\"
                                                   : "\\P\\s\\d\\";
           t.Store(folder + "f" + std::to_string(i), Content(100 + i * 397, i));
         }
         t.coffer_->CreateFolder("\\P\\empty");
       },
       0, 0, nullptr, ""},
      {"a file larger than the bound between small ones",
       [](ExportAheadTest& t) {
         t.Store("\\P\\a", Content(5000, 1));
         t.Store("\\P\\big", Content(5 * kBlock + 333, 2));
         t.Store("\\P\\c", Content(kBlock, 3));
         t.Store("\\P\\d", Content(7, 4));
       },
       0, 0, nullptr, ""},
      {"empty files",
       [](ExportAheadTest& t) {
         t.Store("\\P\\e1", "");
         t.Store("\\P\\f", Content(3000, 5));
         t.Store("\\P\\e2", "");
         t.Store("\\P\\e3", "");
       },
       0, 0, nullptr, ""},
      {"a block that does not unpack in the 3rd of 5 files",
       [](ExportAheadTest& t) {
         for (int i = 1; i <= 5; ++i) {
           t.Store("\\P\\f" + std::to_string(i), Content(2 * kBlock + 100, i));
         }
         t.SpoilBlock("\\P\\" + t.Order()[2], 1);
       },
       0, 0, nullptr, "TCFRAdvancedFileStream.LoadBlock - decompression error."},
      {"a page that fails its checksum in the 3rd of 5 files",
       [](ExportAheadTest& t) {
         for (int i = 1; i <= 5; ++i) {
           t.Store("\\P\\f" + std::to_string(i), Content(2 * kBlock + 100, 10 + i));
         }
         t.SpoilPage("\\P\\" + t.Order()[2], 1);
       },
       0, 0, nullptr,
       "TCFRAdvancedFileStream.LoadBlock - the stored block cannot be read in full."},
      {"abort in the middle",
       [](ExportAheadTest& t) {
         for (int i = 1; i <= 8; ++i) {
           t.Store("\\P\\f" + std::to_string(i), Content(300000 + i, 20 + i));
         }
       },
       0, 3, nullptr, ""},
      {"overwrite mode 2 asks per file",
       [](ExportAheadTest& t) {
         for (int i = 1; i <= 5; ++i) {
           t.Store("\\P\\f" + std::to_string(i), Content(40000 * i, 30 + i));
         }
       },
       2, 0, ThreeOldFiles, ""},
      {"overwrite mode 1 skips existing files",
       [](ExportAheadTest& t) {
         for (int i = 1; i <= 5; ++i) {
           t.Store("\\P\\f" + std::to_string(i), Content(40000 * i, 40 + i));
         }
       },
       1, 0, ThreeOldFiles, ""},
      {"a file with a password of its own asks in its turn",
       [](ExportAheadTest& t) {
         t.Store("\\P\\a", Content(200000, 50));
         t.Store("\\P\\b", Content(200000, 51), "own");
         t.Store("\\P\\c", Content(200000, 52));
       },
       0, 0, nullptr, ""},
  };

  const int threads_before = ThreadCount();
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Each export gets a container of its own: the folder search's order
    // may change once files have been opened.
    auto run = [&](const std::string& dest, int64_t bytes, int32_t files) {
      coffer_.reset();
      platform::DeleteFile(Path("box.cfr"));
      coffer_ = std::make_unique<TCoffer>(Path("box.cfr"), kCreate, "", "", "", 1);
      c.build(*this);
      Outcome out = Export(dest, bytes, files, c.overwrite_mode, c.abort_after, c.prepare);
      EXPECT_EQ(coffer_->HandleCount(), 0);
      if (threads_before >= 0) {
        EXPECT_EQ(ThreadCount(), threads_before);
      }
      return out;
    };
    const std::string base = Path("out" + std::to_string(n++));
    const Outcome plain = run(base + "-plain", 0, 0);
    EXPECT_EQ(plain.error, c.error);
    // A small bound (two blocks, two files), and the default one.
    const Outcome narrow = run(base + "-narrow", 2 * kBlock, 2);
    const Outcome wide = run(base + "-wide", kExportAheadBytes, kExportAheadFiles);
    for (const Outcome* ahead : {&narrow, &wide}) {
      EXPECT_EQ(ahead->events, plain.events);
      EXPECT_EQ(ahead->tree, plain.tree);
      EXPECT_EQ(ahead->error, plain.error);
      EXPECT_EQ(ahead->kind, plain.kind);
    }
  }
}

// What the cases above must show beyond sameness: a failed file is not left
// half written, the files before it are whole, the ones after it absent.
TEST_F(ExportAheadTest, FailedFileLeavesNoPartBehind) {
  for (int i = 1; i <= 5; ++i) Store("\\P\\f" + std::to_string(i), Content(3 * kBlock, i));
  const std::vector<std::string> order = Order();
  SpoilBlock("\\P\\" + order[2], 2);
  for (const int64_t bytes : {int64_t{0}, kExportAheadBytes}) {
    SCOPED_TRACE(bytes);
    const std::string dest = Path(bytes == 0 ? "plain" : "ahead");
    const Outcome out = Export(dest, bytes, kExportAheadFiles, 0, 0, nullptr);
    EXPECT_EQ(out.kind, ErrorKind::kDamaged);
    std::map<std::string, std::string> whole;
    const std::string expected = Path("expected");
    platform::CreateDirectory(expected);
    for (size_t k = 0; k < 2; ++k) {
      WriteAll(expected + platform::PathDelimiter() + order[k],
               Content(3 * kBlock, order[k][1] - '0'));
    }
    ReadTree(expected, "", &whole);
    EXPECT_EQ(out.tree, whole);
    // The failed file reported its first two chunks before the error.
    ASSERT_GE(out.events.size(), 3u);
    EXPECT_EQ(out.events.back(), order[2] + " " + std::to_string(200.0 / 3));
  }
}

}  // namespace
}  // namespace vor
