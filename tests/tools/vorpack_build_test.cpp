// Building installers with vorpack and opening them the way the installer
// opens its own executable: TCoffer on the file, mode 0, the installer's
// password, then each job file through a file stream.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "builder.h"
#include "common/coding.h"
#include "common/pe_checksum.h"
#include "container/coffer.h"
#include "container/store/file_rec.h"
#include "container/store/page_file.h"
#include "container/stream/file_stream.h"
#include "exit_codes.h"
#include "job_check.h"
#include "package.h"
#include "platform/folder_list.h"
#include "report.h"
#include "tools/vorpack_fixture.h"

namespace vor::testing {
namespace {

constexpr int64_t kEpoch = 1700000000;
// kEpoch as a FILETIME.
constexpr uint64_t kEpochFileTime = (kEpoch + 11644473600ULL) * 10000000ULL;

std::string StoredPath(const std::string& relative) {
  std::string path = "\\";
  for (char c : relative) path += c == '/' ? '\\' : c;
  return path;
}

std::string ReadStored(TCoffer& coffer, const std::string& path) {
  TCFRFileStream stream(&coffer, path, 0, "", "", "", 0);
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  if (!bytes.empty()) stream.ReadBuffer(&bytes[0], static_cast<int32_t>(bytes.size()));
  return bytes;
}

class VorpackBuild : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    stub_ = StubBytes();
  }

  vorpack::BuildOptions Options(const std::string& name) const {
    vorpack::BuildOptions options;
    options.output = Path(name);
    options.stub = stub_;
    return options;
  }

  std::string Build(const vorpack::BuildOptions& options) {
    vorpack::Findings findings;
    vorpack::Package package(PackageDir(), coffer::NameCodec(1252), &findings);
    vorpack::CheckJob(package, &findings);
    EXPECT_TRUE(findings.errors.empty());
    vorpack::BuildInstaller(package, options);
    return options.output;
  }

  std::string BuildAt(const std::string& name, int64_t epoch) {
    vorpack::BuildOptions options = Options(name);
    options.reproducible = true;
    options.epoch = epoch;
    return Build(options);
  }

  // The names in the test folder besides the package.
  std::vector<std::string> Leftovers() const {
    std::vector<platform::FolderEntry> entries;
    platform::ListFolder(dir_, &entries);
    std::vector<std::string> names;
    for (const auto& e : entries) {
      if (e.name != "pkg") names.push_back(e.name);
    }
    return names;
  }

  // Opens the installer as the installer opens itself and reads back every
  // file of the package.
  void ExpectOpensAsTheInstallerDoes(const std::string& setup) {
    TCoffer coffer(setup, 0, kJobPassword, "", "", 0);
    for (const auto& file : stored_files_) {
      SCOPED_TRACE(file.first);
      const std::string path = StoredPath(file.first);
      ASSERT_TRUE(coffer.FileExists(path));
      EXPECT_EQ(ReadStored(coffer, path), file.second);
    }
    EXPECT_TRUE(coffer.FolderExists("\\Programfiles\\empty"));
  }

  static int32_t StoredPageSize(const std::string& path) {
    TPageFileManager pages(path, 0, kJobPassword, "", "", false, 4096, 8, -1);
    return pages.Header().PageSize;
  }

  std::string stub_;
};

TEST_F(VorpackBuild, InstallerOpensItsOwnContainerAndReadsEveryFile) {
  const std::string read_only = PackagePath("Programfiles/lib/server.dll");
  ASSERT_TRUE(platform::SetFileAttributes(read_only, platform::kFileAttributeReadOnly));
  const std::string setup = Build(Options("setup.exe"));
  platform::SetFileAttributes(read_only, platform::kFileAttributeNormal);
  const std::string bytes = ReadAll(setup);
  ASSERT_GT(bytes.size(), stub_.size() + 288);
  // The program's bytes, but for its checksum, which covers the whole
  // installer.
  std::string program = bytes.substr(0, stub_.size());
  PeChecksumFields fields;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (FindPeChecksumFields(data, stub_.size(), &fields)) {
    EXPECT_EQ(DecodeFixed32(data + fields.checksum),
              PeChecksum(data, bytes.size(), fields.checksum));
    program.replace(fields.checksum, 4, stub_, fields.checksum, 4);
  }
  EXPECT_EQ(program, stub_) << "the program's bytes changed";
  const auto* header = reinterpret_cast<const uint8_t*>(bytes.data()) + stub_.size();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(header), 8), "QZMVHFSS");
  EXPECT_EQ(DecodeFixedI64(header + 8), 0x7FFFFFFFFFFFFFFE);
  EXPECT_EQ(header[16], 0) << "a single part names no next part";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(header) + 280, 8), "QZCFRSGN");

  ExpectOpensAsTheInstallerDoes(setup);
  TCoffer coffer(setup, 0, kJobPassword, "", "", 0);
  // Read-only on disk stays read-only.
  EXPECT_EQ(coffer.FileGetAttr("\\Programfiles\\lib\\server.dll") & 1, 1);
  EXPECT_EQ(coffer.FileGetAttr("\\Programfiles\\app.exe") & 1, 0);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"setup.exe"});
}

TEST_F(VorpackBuild, AutoStoresEachFileWithTheSmallestTypeAndReadsBack) {
  vorpack::BuildOptions options = Options("auto.exe");
  options.auto_types = {5, 9, 4};  // PPM too: every family
  const std::string setup = Build(options);
  ExpectOpensAsTheInstallerDoes(setup);
  {
    TPageFileManager pages(setup, 0, kJobPassword, "", "", false, 4096, 8, -1);
    EXPECT_EQ(pages.Header().DefaultCompression, 5) << "the first type tried";
  }
  TCoffer coffer(setup, 0, kJobPassword, "", "", 0);
  // Random bytes, an empty file and a few bytes are stored as they are;
  // repeated text goes to a type that shrinks it.
  const std::vector<std::pair<std::string, bool>> expected = {
      {"Programfiles/data/noise.bin", false},
      {"Programfiles/zero.txt", false},
      {"Programfiles/app.exe", false},
      {"Programfiles/docs/notes.txt", true},
  };
  for (const auto& file : expected) {
    SCOPED_TRACE(file.first);
    TCFRFileStream stream(&coffer, StoredPath(file.first), 0, "", "", "", 0);
    const uint8_t type = stream.BlockStream().Compression();
    if (file.second) {
      EXPECT_TRUE(type == 5 || type == 9 || type == 4) << int{type};
    } else {
      EXPECT_EQ(type, 0);
    }
  }
}

// The summary's account of the container: its parts add up to every byte
// behind the program, and stored files carry no stream headers.
TEST_F(VorpackBuild, ContainerCostAccountsForEveryByte) {
  struct Case {
    uint8_t type;
    int32_t page_size;
  };
  for (const Case& c : {Case{0, 600}, Case{5, 600}, Case{5, 4096}}) {
    SCOPED_TRACE(std::to_string(c.type) + " at " + std::to_string(c.page_size));
    vorpack::BuildOptions options =
        Options("cost-" + std::to_string(c.type) + "-" + std::to_string(c.page_size) + ".exe");
    options.compression = c.type;
    options.page_size = c.page_size;
    vorpack::Findings findings;
    vorpack::Package package(PackageDir(), coffer::NameCodec(1252), &findings);
    vorpack::CheckJob(package, &findings);
    const vorpack::BuildResult result = vorpack::BuildInstaller(package, options);
    const vorpack::ContainerCost& cost = result.cost;
    EXPECT_EQ(cost.page_size, c.page_size);
    EXPECT_EQ(cost.container_bytes, result.installer_bytes - result.stub_bytes);
    const int64_t parts[] = {
        cost.header_bytes,      cost.directory_bytes,     cost.map_bytes,   cost.allocation_bytes,
        cost.page_header_bytes, cost.stream_header_bytes, cost.slack_bytes, cost.free_bytes};
    int64_t sum = 0;
    for (int64_t part : parts) {
      EXPECT_GE(part, 0);
      sum += part;
    }
    EXPECT_EQ(sum, cost.Overhead());
    EXPECT_EQ(cost.stored_bytes + cost.Overhead(), cost.container_bytes);
    // The container grows by extents of 8 pages: less than one is free.
    EXPECT_LT(cost.free_bytes, 8 * int64_t{c.page_size});
    EXPECT_GE(cost.directory_bytes, c.page_size);
    if (c.type == 0) {
      EXPECT_EQ(cost.stored_bytes, package.TotalBytes());
      EXPECT_EQ(cost.stream_header_bytes, 0);
    } else {
      EXPECT_LT(cost.stored_bytes, package.TotalBytes());
      EXPECT_GT(cost.stream_header_bytes, 0);
    }
  }
}

TEST_F(VorpackBuild, FilesByTypeNamesTheTypesUsed) {
  EXPECT_EQ(vorpack::FilesByType({3, 0, 0, 0, 1, 0, 0, 0, 0, 2}),
            "type 0: 3 files, type 4: 1 file, type 9: 2 files");
  EXPECT_EQ(vorpack::FilesByType(std::vector<int>(10, 0)), "");
}

TEST_F(VorpackBuild, EveryPageSizeOpensAsTheInstallerOpensIt) {
  // The smallest page holds one directory record; the largest is far above
  // the default of 4096.
  for (int32_t page_size : {600, 1024, 4096, 65536}) {
    SCOPED_TRACE(page_size);
    vorpack::BuildOptions options = Options("setup-" + std::to_string(page_size) + ".exe");
    options.page_size = page_size;
    const std::string setup = Build(options);
    EXPECT_EQ(StoredPageSize(setup), page_size);
    ExpectOpensAsTheInstallerDoes(setup);
  }
}

TEST_F(VorpackBuild, RefusedPageSizeWritesNothing) {
  for (int32_t page_size : {599, 602, 65540}) {
    SCOPED_TRACE(page_size);
    vorpack::BuildOptions options = Options("setup.exe");
    options.page_size = page_size;
    try {
      Build(options);
      ADD_FAILURE() << "page size " << page_size << " was taken";
    } catch (const coffer::ECofferError& e) {
      EXPECT_EQ(e.Code(), coffer::kExitUsage);
    }
    EXPECT_TRUE(Leftovers().empty());
  }
}

TEST_F(VorpackBuild, PageSizeIsChosenWhenNotGiven) {
  // The test package is a dozen small files and one of 1.7 MB: the page
  // headers of 600-byte pages would cost the large file more than the
  // small files gain, so pages with 1 KiB of data win.
  const std::string setup = Build(Options("setup.exe"));
  EXPECT_EQ(StoredPageSize(setup), 1056);
  ExpectOpensAsTheInstallerDoes(setup);
}

TEST_F(VorpackBuild, OtherPasswordsDoNotOpenTheInstaller) {
  const std::string setup = Build(Options("setup.exe"));
  EXPECT_THROW(TCoffer(setup, 0, "another password", "", "", 0), EVorError);
  EXPECT_FALSE(TCoffer::CheckPassword(setup, ""));
}

TEST_F(VorpackBuild, EpochMakesBuildsIdenticalAndChoosesTheKey) {
  const std::string first = BuildAt("first.exe", kEpoch);
  const std::string second = BuildAt("second.exe", kEpoch);
  const std::string later = BuildAt("later.exe", kEpoch + 1);
  EXPECT_TRUE(ReadAll(first) == ReadAll(second)) << "builds with one epoch differ";

  const auto page_key = [](const std::string& path) {
    TPageFileManager pages(path, 0, kJobPassword, "", "", false, 4096, 8, -1);
    return pages.PageKey();
  };
  EXPECT_EQ(page_key(first), page_key(second));
  EXPECT_NE(page_key(first), page_key(later));

  // The package's files were written just now: their times are clamped.
  TCoffer coffer(first, 0, kJobPassword, "", "", 0);
  TSearchRec rec;
  ASSERT_EQ(coffer.FindFirst("\\Programfiles\\*", 0x3F, &rec), 0);
  do {
    EXPECT_EQ(rec.FindData.ftLastWriteTime, kEpochFileTime) << rec.Name;
    EXPECT_EQ(rec.FindData.ftLastAccessTime, kEpochFileTime) << rec.Name;
  } while (coffer.FindNext(&rec) == 0);
  coffer.FindClose(&rec);
}

TEST_F(VorpackBuild, ExistingOutputIsKeptUnlessForced) {
  ASSERT_TRUE(WriteAll(Path("setup.exe"), "old"));
  vorpack::BuildOptions options = Options("setup.exe");
  try {
    Build(options);
    ADD_FAILURE() << "an existing output was replaced without force";
  } catch (const coffer::ECofferError& e) {
    EXPECT_EQ(e.Code(), coffer::kExitFailure);
  }
  EXPECT_EQ(ReadAll(Path("setup.exe")), "old");
  options.force = true;
  Build(options);
  EXPECT_TRUE(TCoffer::CheckPassword(Path("setup.exe"), kJobPassword));
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"setup.exe"});
}

TEST_F(VorpackBuild, FailedBuildLeavesNoFile) {
  vorpack::Findings findings;
  vorpack::Package package(PackageDir(), coffer::NameCodec(1252), &findings);
  vorpack::CheckJob(package, &findings);
  // The package changes between the check and the build.
  ASSERT_TRUE(Put("Programfiles/docs/notes.txt", "shorter"));
  EXPECT_THROW(vorpack::BuildInstaller(package, Options("setup.exe")), coffer::ECofferError);
  Remove("Programfiles/app.exe");
  EXPECT_ANY_THROW(vorpack::BuildInstaller(package, Options("setup.exe")));
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(VorpackBuild, FinishedInstallerCannotBeTheProgram) {
  const std::string setup = Build(Options("setup.exe"));
  try {
    vorpack::ReadStub(setup, nullptr);
    ADD_FAILURE() << "a finished installer was taken as the program";
  } catch (const coffer::ECofferError& e) {
    EXPECT_EQ(e.Code(), coffer::kExitFailure);
    EXPECT_NE(std::string(e.what()).find("already carries a container"), std::string::npos);
  }
}

}  // namespace
}  // namespace vor::testing
