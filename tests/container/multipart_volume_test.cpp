#include "container/volume/multipart_volume.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "common/error.h"
#include "container/multipart_volume_test_util.h"
#include "container/volume/disk_file.h"
#include "container/volume/store_environment.h"

namespace vor {
namespace {

using vor::testing::HugeFileTest;

void ExpectMessage(const std::function<void()>& action, const char* message, ErrorKind kind) {
  try {
    action();
    ADD_FAILURE() << "expected: " << message;
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), message);
    EXPECT_EQ(e.Kind(), kind) << message;
  }
}

TEST_F(HugeFileTest, ThousandBytePartsMakeThreeLinkedFiles) {
  const std::string data = ContainerData(2000);
  {
    auto v = NewVolume("vol.dat", 1000);
    ASSERT_TRUE(v->Open(true, false));
    EXPECT_TRUE(v->Opened());
    EXPECT_EQ(v->GetSize(), 0);
    EXPECT_EQ(v->Write(data.data(), 2000), 2000);
    EXPECT_EQ(v->GetSize(), 2000);
    EXPECT_EQ(v->GetPosition(), 2000);
    EXPECT_EQ(v->PartCount(), 3u);
  }
  EXPECT_EQ(FileSize("vol.dat"), 1000);
  EXPECT_EQ(FileSize("vol.dat1"), 1000);
  EXPECT_EQ(FileSize("vol.dat2"), 840);
  EXPECT_EQ(NextPartName("vol.dat"), "vol.dat1");
  EXPECT_EQ(NextPartName("vol.dat1"), "vol.dat2");
  EXPECT_EQ(NextPartName("vol.dat2"), "");
  for (const char* part : {"vol.dat", "vol.dat1", "vol.dat2"}) {
    const std::string bytes = ReadAll(Path(part));
    EXPECT_EQ(bytes.substr(0, 8), "QZMVHFSS") << part;
    EXPECT_EQ(HeaderPartSize(part), 1000) << part;
    EXPECT_EQ(bytes.substr(16 + NextPartName(part).size(), 261 - NextPartName(part).size()),
              std::string(261 - NextPartName(part).size(), '\0'))
        << part;
  }
  EXPECT_EQ(ReadAll(Path("vol.dat")).substr(280), data.substr(0, 720));
  EXPECT_EQ(ReadAll(Path("vol.dat1")).substr(280), data.substr(720, 720));
  EXPECT_EQ(ReadAll(Path("vol.dat2")).substr(280), data.substr(1440));
}

TEST_F(HugeFileTest, ReopenFollowsTheChain) {
  const std::string data = MakeThreePartVolume();
  auto v = NewVolume("vol.dat", -1);  // the first header's part size replaces the automatic one
  ASSERT_TRUE(v->Open(false, false));
  EXPECT_EQ(v->PartSize(), 1000);
  EXPECT_EQ(v->PartDataSize(), 720);
  EXPECT_EQ(v->HeaderOffset(), 0);
  EXPECT_EQ(v->PartCount(), 3u);
  EXPECT_EQ(v->GetSize(), 2000);
  EXPECT_EQ(ReadVolume(*v, 0, 2000), data);
  // Reads across part boundaries from any start.
  EXPECT_EQ(ReadVolume(*v, 700, 800), data.substr(700, 800));
  EXPECT_EQ(ReadVolume(*v, 1439, 2), data.substr(1439, 2));
}

TEST_F(HugeFileTest, MissingLastPartOpensOnlyWithForce) {
  MakeThreePartVolume();
  ASSERT_TRUE(platform::DeleteFile(Path("vol.dat2")));
  {
    auto v = NewVolume("vol.dat", -1);
    EXPECT_FALSE(v->Open(false, false));
    EXPECT_FALSE(v->Opened());
    EXPECT_EQ(v->PartCount(), 0u);
    // A failed open leaves nothing behind: the volume opens again.
    ASSERT_TRUE(v->Open(false, true));
    EXPECT_EQ(v->GetSize(), 1440);
    EXPECT_EQ(v->PartCount(), 2u);
    // Writing at the end makes a new third part and links it.
    v->Seek(0, 2);
    v->WriteBuffer("tail", 4);
    EXPECT_EQ(v->GetSize(), 1444);
  }
  EXPECT_EQ(FileSize("vol.dat2"), 284);
  EXPECT_EQ(NextPartName("vol.dat1"), "vol.dat2");
}

TEST_F(HugeFileTest, ShortMiddlePartEndsTheChainUnderForce) {
  MakeThreePartVolume();
  // Cut the second part short: it is no longer full but still names a third.
  {
    auto f = platform::FileHandle::Open(Path("vol.dat1"), platform::FileAccess::kReadWrite,
                                        platform::FileShare::kShared,
                                        platform::FileDisposition::kOpenExisting);
    ASSERT_NE(f, nullptr);
    f->Seek(500, platform::kSeekBegin);
    ASSERT_TRUE(f->SetEndOfFile());
  }
  auto v = NewVolume("vol.dat", -1);
  EXPECT_FALSE(v->Open(false, false));
  ASSERT_TRUE(v->Open(false, true));
  EXPECT_EQ(v->PartCount(), 2u);
  EXPECT_EQ(v->GetSize(), 720 + 220);
}

TEST_F(HugeFileTest, SetSizeShrinksAndGrowsAcrossParts) {
  const std::string data = MakeThreePartVolume();
  auto v = NewVolume("vol.dat", -1);
  ASSERT_TRUE(v->Open(false, false));
  v->SetSize(500);
  EXPECT_EQ(v->GetSize(), 500);
  EXPECT_EQ(v->GetPosition(), 500);
  EXPECT_EQ(v->PartCount(), 1u);
  EXPECT_FALSE(Exists("vol.dat1"));
  EXPECT_FALSE(Exists("vol.dat2"));
  EXPECT_EQ(FileSize("vol.dat"), 780);
  EXPECT_EQ(NextPartName("vol.dat"), "");

  v->SetSize(1800);
  EXPECT_EQ(v->GetSize(), 1800);
  EXPECT_EQ(v->GetPosition(), 1800);
  EXPECT_EQ(FileSize("vol.dat"), 1000);
  EXPECT_EQ(FileSize("vol.dat1"), 1000);
  EXPECT_EQ(FileSize("vol.dat2"), 280 + 360);
  EXPECT_EQ(NextPartName("vol.dat"), "vol.dat1");
  EXPECT_EQ(NextPartName("vol.dat1"), "vol.dat2");
  EXPECT_EQ(ReadVolume(*v, 0, 500), data.substr(0, 500));

  // Shrinking to a part boundary keeps the (empty) part the boundary maps to.
  v->SetSize(720);
  EXPECT_EQ(v->PartCount(), 2u);
  EXPECT_EQ(FileSize("vol.dat1"), 280);
  EXPECT_EQ(NextPartName("vol.dat1"), "");
  v->Close();
  ASSERT_TRUE(v->Open(false, false));
  EXPECT_EQ(v->GetSize(), 720);
  ExpectMessage([&] { v->SetSize(-1); }, "TCFRHugeFile.SetSize - Size < 0.", ErrorKind::kMisuse);
  EXPECT_EQ(v->PartCount(), 2u);  // nothing was deleted
}

TEST_F(HugeFileTest, TakenPartNameIsSkipped) {
  ASSERT_TRUE(WriteAll(Path("vol.dat1"), "someone else's file"));
  {
    auto v = NewVolume("vol.dat", 1000);
    ASSERT_TRUE(v->Open(true, false));
    const std::string data = ContainerData(1000);
    v->WriteBuffer(data.data(), 1000);
    v->Close();
    ASSERT_TRUE(v->Open(false, false));
    EXPECT_EQ(v->GetSize(), 1000);
    EXPECT_EQ(ReadVolume(*v, 0, 1000), data);
  }
  EXPECT_EQ(NextPartName("vol.dat"), "vol.dat2");
  EXPECT_EQ(FileSize("vol.dat2"), 280 + 280);
  EXPECT_EQ(ReadAll(Path("vol.dat1")), "someone else's file");
  // Creating the volume anew deletes its own parts, not the other file.
  auto v = NewVolume("vol.dat", 1000);
  ASSERT_TRUE(v->Open(true, false));
  EXPECT_FALSE(Exists("vol.dat2"));
  EXPECT_EQ(ReadAll(Path("vol.dat1")), "someone else's file");
  EXPECT_EQ(FileSize("vol.dat"), 280);
}

TEST_F(HugeFileTest, PartSizeMinimumIs380) {
  ExpectMessage([&] { NewVolume("vol.dat", 379); },
                "File part size is too small. Minimal part size is 380", ErrorKind::kMisuse);
  ExpectMessage([&] { NewVolume("vol.dat", -2); },
                "File part size is too small. Minimal part size is 380", ErrorKind::kMisuse);
  auto v = NewVolume("vol.dat", 380);
  ASSERT_TRUE(v->Open(true, false));
  const std::string data = ContainerData(250);
  v->WriteBuffer(data.data(), 250);
  EXPECT_EQ(v->PartCount(), 3u);
  EXPECT_EQ(ReadVolume(*v, 0, 250), data);
}

TEST_F(HugeFileTest, SeekAndReadRulesAtAndBeyondSize) {
  MakeThreePartVolume();
  auto v = NewVolume("vol.dat", -1);
  ASSERT_TRUE(v->Open(false, false));
  ExpectMessage([&] { v->Seek(-1, 0); }, "TCFRHugeFile.Seek - Offset < 0 from file beginning.",
                ErrorKind::kMisuse);
  EXPECT_EQ(v->Seek(-1, 2), 1999);
  char buf[16];
  EXPECT_EQ(v->Read(buf, 16), 1);
  EXPECT_EQ(v->Seek(0, 2), 2000);
  EXPECT_EQ(v->Read(buf, 16), 0);
  EXPECT_EQ(v->Seek(1, 1), 2001);
  ExpectMessage([&] { v->Read(buf, 1); }, "TCFRHugeFile.Read - Stream read error.",
                ErrorKind::kMisuse);
  v->Seek(1995, 0);
  ExpectMessage([&] { v->ReadBuffer(buf, 16); }, "TCFRHugeFile.ReadBuffer - Stream read error",
                ErrorKind::kDamaged);
  v->ReadBuffer(buf, 0);
  // Other origins leave the position alone.
  v->Seek(100, 0);
  EXPECT_EQ(v->Seek(5, 9), 100);
}

TEST_F(HugeFileTest, NegativePositionNeitherReadsNorWritesHeaders) {
  auto v = NewVolume("vol.dat", 1000);
  ASSERT_TRUE(v->Open(true, false));
  v->WriteBuffer("QZCFRSGN", 8);
  EXPECT_EQ(v->Seek(-20, 2), -12);
  char buf[4];
  ExpectMessage([&] { v->Read(buf, 4); }, "TCFRHugeFile.Read - Stream read error.",
                ErrorKind::kMisuse);
  EXPECT_EQ(v->Write("XXXX", 4), 0);
  v->Close();
  EXPECT_EQ(ReadAll(Path("vol.dat")), Header(1000) + "QZCFRSGN");
}

TEST_F(HugeFileTest, WritingBeyondSizeExtendsFirst) {
  auto v = NewVolume("vol.dat", 1000);
  ASSERT_TRUE(v->Open(true, false));
  v->WriteBuffer("QZCFRSGN", 8);
  v->Seek(1500, 0);
  EXPECT_EQ(v->GetSize(), 8);
  v->WriteBuffer("end", 3);
  EXPECT_EQ(v->GetSize(), 1503);
  EXPECT_EQ(v->PartCount(), 3u);
  EXPECT_EQ(FileSize("vol.dat"), 1000);
  EXPECT_EQ(FileSize("vol.dat1"), 1000);
  EXPECT_EQ(FileSize("vol.dat2"), 280 + 63);
  EXPECT_EQ(ReadVolume(*v, 0, 1503), "QZCFRSGN" + std::string(1492, '\0') + "end");
}

// A disk with no room left: part files cannot grow.
class FullDiskStore : public TCFRDiskFile {
 public:
  using TCFRDiskFile::TCFRDiskFile;
  void SetSize(int64_t value) override {
    if (value > GetSize()) throw EVorError("no room on the disk", ErrorKind::kDiskFull);
    TCFRDiskFile::SetSize(value);
  }
};

class FullDisk : public TStoreEnvironment {
 public:
  std::unique_ptr<TCFRAbstractFile> NewDiskStore(const std::string& path, bool read_only,
                                                 bool exclusive) override {
    return std::make_unique<FullDiskStore>(path, read_only, exclusive);
  }
};

// A volume that cannot grow to a position beyond its end writes nothing
// there: Write reports it by its count, and the reason stays readable.
TEST_F(HugeFileTest, WriteBeyondSizeThatCannotGrowReportsByCountAndKind) {
  FullDisk full;
  SetStoreEnvironment(&full);
  {
    auto v = NewVolume("vol.dat", 1000);
    ASSERT_TRUE(v->Open(true, false));
    v->WriteBuffer("QZCFRSGN", 8);
    EXPECT_EQ(v->LastFailureKind(), ErrorKind::kGeneral);
    v->Seek(1500, 0);
    EXPECT_EQ(v->Write("end", 3), 0);
    EXPECT_EQ(v->LastFailureKind(), ErrorKind::kDiskFull);
    EXPECT_EQ(v->GetPosition(), 1500);
    EXPECT_EQ(v->PartCount(), 1u);
    EXPECT_EQ(ReadVolume(*v, 0, 8), "QZCFRSGN");
    // The raising form says the same.
    v->Seek(1500, 0);
    ExpectMessage([&] { v->WriteBuffer("end", 3); },
                  "TCFRHugeFile.WriteBuffer - Stream write error", ErrorKind::kDiskFull);
  }
  SetStoreEnvironment(nullptr);
  EXPECT_FALSE(Exists("vol.dat1"));
}

TEST_F(HugeFileTest, DataEndingAtAPartBoundary) {
  const std::string data = ContainerData(1440);
  auto v = NewVolume("vol.dat", 1000);
  ASSERT_TRUE(v->Open(true, false));
  v->WriteBuffer(data.data(), 720);
  EXPECT_EQ(v->PartCount(), 1u);  // the part after the data does not exist yet
  char buf[8];
  EXPECT_EQ(v->Seek(720, 0), 720);
  EXPECT_EQ(v->Read(buf, 8), 0);
  v->WriteBuffer(data.data() + 720, 720);
  EXPECT_EQ(v->PartCount(), 2u);
  v->Close();
  ASSERT_TRUE(v->Open(false, false));
  EXPECT_EQ(v->GetSize(), 1440);
  EXPECT_EQ(ReadVolume(*v, 0, 1440), data);
}

// A write that ends exactly at a part's end leaves the position at the start
// of the next part; the read that follows must come from there.
TEST_F(HugeFileTest, ReadAfterWriteThatFilledAPart) {
  const std::string data = MakeThreePartVolume();
  auto v = NewVolume("vol.dat", -1);
  ASSERT_TRUE(v->Open(false, false));
  ReadVolume(*v, 1500, 10);  // leaves the third part's store somewhere inside
  ReadVolume(*v, 800, 10);   // and the second part's
  v->Seek(0, 0);
  v->WriteBuffer(data.data(), 720);
  char buf[10];
  v->ReadBuffer(buf, 10);
  EXPECT_EQ(std::string(buf, 10), data.substr(720, 10));
  v->Seek(1000, 0);
  v->WriteBuffer(data.data() + 1000, 440);
  v->WriteBuffer("0123456789", 10);
  EXPECT_EQ(ReadVolume(*v, 1440, 10), "0123456789");
}

TEST_F(HugeFileTest, DeleteLastPartFile) {
  MakeThreePartVolume();
  auto v = NewVolume("vol.dat", -1);
  ASSERT_TRUE(v->Open(false, false));
  v->DeleteLastPartFile();
  EXPECT_EQ(v->PartCount(), 2u);
  EXPECT_EQ(v->GetSize(), 1440);
  EXPECT_FALSE(Exists("vol.dat2"));
  EXPECT_EQ(NextPartName("vol.dat1"), "");
  v->DeleteLastPartFile();
  ExpectMessage([&] { v->DeleteLastPartFile(); },
                "TCFRHugeFile.DeleteLastPartFile - No parts to delete.", ErrorKind::kMisuse);
  EXPECT_EQ(v->GetSize(), 720);
}

TEST_F(HugeFileTest, OpenStateMessages) {
  auto v = NewVolume("vol.dat", 1000);
  ASSERT_TRUE(v->Open(true, false));
  ExpectMessage([&] { v->Open(false, false); }, "TCFRHugeFile.InternalOpen - File is already open.",
                ErrorKind::kMisuse);
  v->Close();
  EXPECT_FALSE(v->Opened());
  EXPECT_EQ(v->GetSize(), 0);
  EXPECT_EQ(v->PartCount(), 0u);
  EXPECT_TRUE(v->Open(false, false));
}

TEST_F(HugeFileTest, CreatingReplacesAnExistingVolume) {
  MakeThreePartVolume();
  auto v = NewVolume("vol.dat", 2000);
  ASSERT_TRUE(v->Open(true, false));
  EXPECT_EQ(v->GetSize(), 0);
  EXPECT_FALSE(Exists("vol.dat1"));
  EXPECT_FALSE(Exists("vol.dat2"));
  EXPECT_EQ(FileSize("vol.dat"), 280);
  EXPECT_EQ(HeaderPartSize("vol.dat"), 2000);
}

TEST_F(HugeFileTest, ReadOnlyVolumeChangesNothingOnDisk) {
  const std::string data = MakeThreePartVolume();
  const std::string before = ReadAll(Path("vol.dat2"));
  {
    auto v = NewVolume("vol.dat", -1, /*read_only=*/true);
    ASSERT_TRUE(v->Open(false, false));
    EXPECT_EQ(ReadVolume(*v, 0, 2000), data);
    v->Seek(0, 2);
    EXPECT_EQ(v->Write("more", 4), 0);
    v->Seek(100, 0);
    EXPECT_EQ(v->Write("more", 4), 0);
    ExpectMessage([&] { v->SetSize(10); }, "TCFRHugeFile.SetSize - File is read-only.",
                  ErrorKind::kReadOnly);
    ExpectMessage([&] { v->DeleteLastPartFile(); },
                  "TCFRHugeFile.DeleteLastPartFile - File is read-only.", ErrorKind::kReadOnly);
    EXPECT_EQ(v->GetSize(), 2000);
  }
  auto creator = NewVolume("vol.dat", 1000, /*read_only=*/true);
  EXPECT_FALSE(creator->Open(true, false));
  EXPECT_EQ(ReadAll(Path("vol.dat2")), before);
  EXPECT_FALSE(Exists("vol.dat3"));
  EXPECT_EQ(FileSize("vol.dat"), 1000);
}

TEST_F(HugeFileTest, ExclusiveVolumeKeepsOthersOut) {
  MakeThreePartVolume();
  auto holder = NewVolume("vol.dat", -1, false, /*exclusive=*/true);
  ASSERT_TRUE(holder->Open(false, false));
  auto other = NewVolume("vol.dat", -1, true, false);
  EXPECT_FALSE(other->Open(false, true));
  holder->Close();
  EXPECT_TRUE(other->Open(false, false));
}

TEST_F(HugeFileTest, InMemoryVolumeNeverWritesBack) {
  const std::string data = MakeThreePartVolume();
  const std::string first_before = ReadAll(Path("vol.dat"));
  {
    auto v = NewVolume("vol.dat", -1, false, false, /*in_memory=*/true);
    ASSERT_TRUE(v->Open(false, false));
    EXPECT_EQ(v->GetSize(), 2000);
    EXPECT_EQ(ReadVolume(*v, 0, 2000), data);
    v->Seek(10, 0);
    v->WriteBuffer("changed", 7);
    v->Seek(0, 2);
    v->WriteBuffer(std::string(800, 'x').data(), 800);  // adds a part in memory only
    EXPECT_EQ(v->PartCount(), 4u);
    v->Close();
    // The memory parts survive Close and open again.
    EXPECT_EQ(v->PartCount(), 4u);
    ASSERT_TRUE(v->Open(false, false));
    EXPECT_EQ(v->GetSize(), 2800);
    EXPECT_EQ(ReadVolume(*v, 10, 7), "changed");
    v->SetSize(100);
    EXPECT_EQ(v->PartCount(), 1u);
  }
  EXPECT_EQ(ReadAll(Path("vol.dat")), first_before);
  EXPECT_TRUE(Exists("vol.dat1"));
  EXPECT_TRUE(Exists("vol.dat2"));
  EXPECT_FALSE(Exists("vol.dat3"));

  auto fresh = NewVolume("new.dat", 1000, false, false, /*in_memory=*/true);
  ASSERT_TRUE(fresh->Open(true, false));
  fresh->WriteBuffer(data.data(), 2000);
  EXPECT_EQ(fresh->PartCount(), 3u);
  EXPECT_EQ(ReadVolume(*fresh, 0, 2000), data);
  EXPECT_FALSE(Exists("new.dat"));
  EXPECT_FALSE(Exists("new.dat1"));
}

}  // namespace
}  // namespace vor
