#include "container/store/page_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/coding.h"
#include "common/error.h"
#include "container/volume/volume_header.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

constexpr int64_t kVolumeData = kVolumeHeaderSize;  // a plain volume: data follows the header

class PageFileTest : public testing::TempDirTest {
 protected:
  std::string File() const { return Path("box.cfr"); }

  std::unique_ptr<TPageFileManager> Create(const std::string& password = std::string(),
                                           int32_t page_size = 4096, int32_t extents = 8) {
    return std::make_unique<TPageFileManager>(File(), kOpenModeCreate, password, "", "", false,
                                              page_size, extents, -1);
  }
  std::unique_ptr<TPageFileManager> Open(uint16_t mode = kOpenModeReadWrite,
                                         const std::string& password = std::string()) {
    return std::make_unique<TPageFileManager>(File(), mode, password, "", "", false, 4096, 8, -1);
  }

  // The message Open raises, or "" when it opens; its kind goes to
  // open_error_kind_.
  std::string OpenError() {
    open_error_kind_ = ErrorKind::kGeneral;
    try {
      Open();
    } catch (const EVorError& e) {
      open_error_kind_ = e.Kind();
      return e.what();
    }
    return std::string();
  }
  ErrorKind open_error_kind_ = ErrorKind::kGeneral;

  // Overwrites bytes of the container file at volume data offset `offset`.
  void Patch(int64_t offset, const std::string& bytes) {
    std::string all = ReadAll(File());
    ASSERT_LE(static_cast<size_t>(kVolumeData + offset) + bytes.size(), all.size());
    all.replace(static_cast<size_t>(kVolumeData + offset), bytes.size(), bytes);
    ASSERT_TRUE(WriteAll(File(), all));
  }
  uint8_t ByteAt(int64_t offset) {
    return static_cast<uint8_t>(ReadAll(File())[static_cast<size_t>(kVolumeData + offset)]);
  }

  // A container with page 1 added and written from `data`.
  void WriteFirstPage(TPageFileManager& pf, std::vector<uint8_t>& data, uint8_t encryption,
                      uint8_t checksum_kind = 0) {
    ASSERT_TRUE(pf.AddPages(1));
    TPageRecord page;
    page.PageType = PageTypeData;
    page.EncryptionType = encryption;
    page.ChecksumKind = checksum_kind;
    page.pData = data.data();
    ASSERT_TRUE(pf.WritePage(page, 1, -1));
  }

  static std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
    return v;
  }
};

TEST_F(PageFileTest, FreshContainerHoldsOnlyItsHeader) {
  Create().reset();
  const std::string bytes = ReadAll(File());
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kVolumeData + kContainerHeaderSize));
  auto pf = Open();
  const TContainerHeader& h = pf->Header();
  EXPECT_TRUE(h.HasSignature());
  EXPECT_EQ(h.FormatVersion, kContainerFormatVersion);
  EXPECT_EQ(h.PageSize, 4096);
  EXPECT_EQ(h.ExtentPageCount, 8);
  EXPECT_EQ(h.FirstExtentPageNo, 1);
  EXPECT_EQ(h.FilePageCount, 1);
  EXPECT_EQ(h.GAMPageCount + h.PFSPageCount + h.DIRPageCount + h.FirstDIRPageNo + h.DIRItemCount,
            0);
  EXPECT_EQ(h.Encrypted, 0);
  EXPECT_EQ(h.HeaderChecksum, h.ComputeHeaderChecksum());
  EXPECT_TRUE(pf->PageKey().empty());
  EXPECT_FALSE(pf->ReadOnly());
  EXPECT_EQ(pf->PageDataSize(), 4064);
  EXPECT_EQ(pf->PageOffset(600000), 600000LL * 4096);
}

TEST_F(PageFileTest, GeometryIsCheckedWithItsMessages) {
  struct Case {
    int32_t page_size, extents;
    const char* message;  // nullptr: accepted
  } cases[] = {
      {599, 8, "TPageFileManager.Create - page size should be >= 600bytes ."},
      {600, 8, nullptr},
      {4096, 0, "TPageFileManager.Create - extent page count should be >= 1 Page."},
      {4096, -1, "TPageFileManager.Create - extent page count should be >= 1 Page."},
  };
  for (const auto& c : cases) {
    try {
      Create("", c.page_size, c.extents);
      EXPECT_EQ(c.message, nullptr) << c.page_size << "/" << c.extents;
    } catch (const EVorError& e) {
      ASSERT_NE(c.message, nullptr) << e.what();
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.Kind(), ErrorKind::kMisuse);
    }
  }
}

TEST_F(PageFileTest, OpeningRefusesMissingFilesAndBadVolumes) {
  try {
    Open();
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_EQ(std::string(e.what()), "File '" + File() + "' not found");
    EXPECT_EQ(e.Kind(), ErrorKind::kNotFound);
  }
  ASSERT_TRUE(WriteAll(File(), std::string(1000, 'x')));
  EXPECT_EQ(OpenError(), "File box.cfr has corrupted header.");
  EXPECT_EQ(open_error_kind_, ErrorKind::kDamaged);
}

TEST_F(PageFileTest, DamagedHeaderIsRefusedUnlessOnlyTheVersionChangedWithItsChecksum) {
  const std::string corrupted = "TCoffer.LoadHeader - Invalid CFR file, header is corrupted.";
  struct Case {
    const char* what;
    int offset;
    int32_t value;
    bool fix_checksum;
    bool opens;
  } cases[] = {
      {"signature", 0, 0x58585858, true, false},
      {"format version, checksum fixed", 12, 0x3F800000, true, true},
      {"format version, checksum stale", 12, 0x3F800000, false, false},
      {"reserved byte, checksum stale", 252, 1, false, false},
      {"file page count, checksum stale", 48, 2, false, false},
      // Fields later layers size buffers by are checked too.
      {"page size too small", 16, 100, true, false},
      {"page size huge", 16, 0x40000000, true, false},
      {"extent page count 0", 20, 0, true, false},
      {"first extent page 2", 24, 2, true, false},
      {"file page count 0", 48, 0, true, false},
      {"negative PFS count", 32, -1, true, false},
  };
  for (const auto& c : cases) {
    Create().reset();
    uint8_t b[4];
    EncodeFixedI32(b, c.value);
    Patch(c.offset, std::string(reinterpret_cast<char*>(b), 4));
    if (c.fix_checksum) {
      const std::string all = ReadAll(File());
      TContainerHeader h;
      h.Decode(reinterpret_cast<const uint8_t*>(all.data()) + kVolumeData);
      EncodeFixed32(b, h.ComputeHeaderChecksum());
      Patch(8, std::string(reinterpret_cast<char*>(b), 4));
    }
    EXPECT_EQ(OpenError(), c.opens ? std::string() : corrupted) << c.what;
    if (!c.opens) {
      EXPECT_EQ(open_error_kind_, ErrorKind::kDamaged) << c.what;
    }
  }
}

TEST_F(PageFileTest, ReadPageHonoursDataSizeZeroAndMinusOne) {
  auto pf = Create();
  std::vector<uint8_t> data = Pattern(4064);
  WriteFirstPage(*pf, data, EncryptionNone);
  EXPECT_EQ(pf->Header().FilePageCount, 2);

  TPageRecord page;
  std::vector<uint8_t> untouched(4064, 0xAB);
  page.pData = untouched.data();
  ASSERT_TRUE(pf->ReadPage(page, 1, 0));
  EXPECT_EQ(page.PageType, PageTypeData);
  EXPECT_EQ(untouched, std::vector<uint8_t>(4064, 0xAB));

  ASSERT_TRUE(pf->ReadPage(page, 1, -1));
  EXPECT_EQ(untouched, Pattern(4064));
  EXPECT_EQ(pf->LastError(), 0);

  page.pData = nullptr;
  try {
    pf->ReadPage(page, 1, 10);
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TPageFileManager.ReadPage - pData is nil.");
    EXPECT_EQ(e.Kind(), ErrorKind::kMisuse);
  }
}

TEST_F(PageFileTest, PagesOutsideTheContainerReadAsShortWithoutRaising) {
  auto pf = Create();
  std::vector<uint8_t> data = Pattern(4064);
  WriteFirstPage(*pf, data, EncryptionNone);
  TPageRecord page;
  pf->InitPage(page);
  for (int32_t page_no : {2, 3, 1000000, -1}) {
    EXPECT_FALSE(pf->ReadPage(page, page_no, -1)) << page_no;
    EXPECT_EQ(pf->LastError(), kPageReadHeaderError) << page_no;
  }
  // A header that is there with data cut short.
  EXPECT_FALSE(pf->ReadPage(page, 1, 5000));
  EXPECT_EQ(pf->LastError(), kPageReadDataError);
}

TEST_F(PageFileTest, FlippedDataBitFailsTheChecksumUnlessTheKindIsNone) {
  struct Case {
    const char* password;
    uint8_t encryption, checksum_kind;
    int32_t expected_error;
  } cases[] = {
      {"", EncryptionNone, 0, kPageChecksumError},
      {"", EncryptionNone, 1, kPageChecksumError},
      {"secret", EncryptionRijndael, 0, kPageChecksumError},
      {"", EncryptionNone, 2, 0},
  };
  for (const auto& c : cases) {
    auto pf = Create(c.password);
    std::vector<uint8_t> data = Pattern(4064);
    WriteFirstPage(*pf, data, c.encryption, c.checksum_kind);
    pf.reset();
    const int64_t offset = 4096 + kPageHeaderSize + 100;
    Patch(offset, std::string(1, static_cast<char>(ByteAt(offset) ^ 0x10)));
    pf = Open(kOpenModeReadWrite, c.password);
    TPageRecord page;
    pf->InitPage(page);
    EXPECT_EQ(pf->ReadPage(page, 1, -1), c.expected_error == 0) << int(c.checksum_kind);
    EXPECT_EQ(pf->LastError(), c.expected_error);
  }
}

TEST_F(PageFileTest, EncipheredPageDiffersOnDiskAndReadsBackAfterReopen) {
  auto pf = Create("p4ss", 4096, 8);
  EXPECT_EQ(pf->Header().Encrypted, 1);
  ASSERT_EQ(pf->PageKey().size(), 33u);
  const std::string key = pf->PageKey();
  const std::vector<uint8_t> plain = Pattern(4064);
  std::vector<uint8_t> data = plain;
  WriteFirstPage(*pf, data, EncryptionRijndael);
  // The caller's buffer now holds the enciphered bytes, exactly as stored.
  EXPECT_NE(data, plain);
  pf.reset();
  const std::string stored = ReadAll(File()).substr(kVolumeData + 4096 + kPageHeaderSize, 4064);
  EXPECT_EQ(std::memcmp(stored.data(), data.data(), 4064), 0);

  pf = Open(kOpenModeReadWrite, "p4ss");
  EXPECT_EQ(pf->PageKey(), key);
  TPageRecord page;
  pf->InitPage(page);
  ASSERT_TRUE(pf->ReadPage(page, 1, -1));
  EXPECT_EQ(page.Buffer, plain);
  // NoDecode hands back the stored bytes.
  ASSERT_TRUE(pf->ReadPage(page, 1, -1, std::string(), true));
  EXPECT_EQ(page.Buffer, data);
  pf.reset();

  // A wrong password yields another key: the page passes its checksum but
  // does not decipher to the plain bytes.
  pf = Open(kOpenModeReadWrite, "wrong");
  EXPECT_NE(pf->PageKey(), key);
  ASSERT_TRUE(pf->ReadPage(page, 1, -1));
  EXPECT_NE(page.Buffer, plain);
}

// A record unlocked before is taken only when the header holds exactly the
// same bytes; any other record is unlocked with the password as usual. The
// given key string is marked, so the test sees which path was taken.
TEST_F(PageFileTest, AnUnlockedRecordIsTakenOnlyForTheSameRecordBytes) {
  auto pf = Create("p4ss", 4096, 8);
  const std::string real_key = pf->PageKey();
  const TPasswordRecord stored = pf->Header().PasswordRecord;
  pf.reset();

  struct Case {
    const char* name;
    int flip_byte;  // -1: the record as stored
    const char* password;
    bool taken;
  };
  const Case cases[] = {
      {"same record", -1, "p4ss", true},
      {"master key byte differs", 3, "p4ss", false},
      {"last byte differs", kPasswordRecordSize - 1, "p4ss", false},
      {"other record, wrong password", 3, "wrong", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TUnlockedRecord unlocked;
    unlocked.record = stored;
    if (c.flip_byte >= 0) unlocked.record.bytes[c.flip_byte] ^= 0x5A;
    unlocked.key_string = std::string(32, 'K') + '\0';
    pf = std::make_unique<TPageFileManager>(File(), kOpenModeRead, c.password, "", "", false, 4096,
                                            8, -1, &unlocked);
    if (c.taken) {
      EXPECT_EQ(pf->PageKey(), unlocked.key_string);
      EXPECT_TRUE(pf->PasswordAccepted());
    } else {
      EXPECT_EQ(pf->PageKey() == real_key, std::string(c.password) == "p4ss");
      EXPECT_EQ(pf->PasswordAccepted(), std::string(c.password) == "p4ss");
    }
    pf.reset();
  }

  // Creating a container never takes one: the new record is unlocked.
  TUnlockedRecord unlocked;
  unlocked.record = stored;
  unlocked.key_string = std::string(32, 'K') + '\0';
  pf = std::make_unique<TPageFileManager>(Path("new.cfr"), kOpenModeCreate, "p4ss", "", "", false,
                                          4096, 8, -1, &unlocked);
  EXPECT_NE(pf->PageKey(), unlocked.key_string);
}

TEST_F(PageFileTest, UnknownEncryptionTypeCannotBeReadOrWritten) {
  auto pf = Create();
  std::vector<uint8_t> data = Pattern(4064);
  WriteFirstPage(*pf, data, EncryptionNone);
  pf.reset();
  Patch(4096 + 9, std::string(1, '\x07'));
  pf = Open();
  TPageRecord page;
  pf->InitPage(page);
  EXPECT_FALSE(pf->ReadPage(page, 1, -1));
  EXPECT_EQ(pf->LastError(), kPageDecodeError);
  EXPECT_EQ(pf->LastFailureKind(), ErrorKind::kDamaged);
  ASSERT_TRUE(pf->ReadPage(page, 1, 0));  // the header alone reads
  EXPECT_EQ(page.EncryptionType, 7);
  // Writing reports by result as reading does, and leaves the page as it was.
  const std::string before = ReadAll(File());
  EXPECT_FALSE(pf->WritePage(page, 1, -1));
  EXPECT_EQ(pf->LastError(), kPageEncodeError);
  EXPECT_EQ(pf->LastFailureKind(), ErrorKind::kMisuse);
  EXPECT_FALSE(pf->EncodeBuffer(data.data(), 16, 7, "key"));
  EXPECT_FALSE(pf->DecodeBuffer(data.data(), 16, 7, "key"));
  pf.reset();
  EXPECT_EQ(ReadAll(File()), before);
}

TEST_F(PageFileTest, EncipheringWithoutAKeyFailsByResult) {
  auto pf = Create();
  ASSERT_TRUE(pf->AddPages(1));
  TPageRecord page;
  pf->InitPage(page);
  page.EncryptionType = EncryptionRijndael;
  EXPECT_FALSE(pf->WritePage(page, 1, -1));
  EXPECT_EQ(pf->LastError(), kPageEncodeError);
  // With a key of its own the page goes.
  EXPECT_TRUE(pf->WritePage(page, 1, -1, "file key"));
}

TEST_F(PageFileTest, ReadOnlyContainerNeitherGrowsNorWrites) {
  {
    auto pf = Create();
    ASSERT_TRUE(pf->AddPages(3));
  }
  const std::string before = ReadAll(File());
  auto pf = Open(kOpenModeRead);
  EXPECT_TRUE(pf->ReadOnly());
  EXPECT_FALSE(pf->AddPages(1));
  EXPECT_EQ(pf->LastFailureKind(), ErrorKind::kReadOnly);
  EXPECT_EQ(pf->Header().FilePageCount, 4);
  TPageRecord page;
  pf->InitPage(page);
  EXPECT_FALSE(pf->WritePage(page, 1, -1));
  EXPECT_EQ(pf->LastError(), kPageWriteHeaderError);
  EXPECT_EQ(pf->LastFailureKind(), ErrorKind::kReadOnly);
  pf->Header().DIRItemCount = 9;
  pf->SaveHeader();
  pf.reset();
  EXPECT_EQ(ReadAll(File()), before);
}

TEST_F(PageFileTest, AddPagesGrowsVolumeAndSavesHeader) {
  auto pf = Create();
  ASSERT_TRUE(pf->AddPages(8));
  EXPECT_FALSE(pf->AddPages(-1));
  pf.reset();
  EXPECT_EQ(ReadAll(File()).size(), static_cast<size_t>(kVolumeData + 9 * 4096));
  pf = Open();
  EXPECT_EQ(pf->Header().FilePageCount, 9);
  // A page inside the container that was never written reads as type 0.
  TPageRecord page;
  ASSERT_TRUE(pf->ReadPage(page, 5, 0));
  EXPECT_EQ(page.PageType, PageTypeNone);
}

}  // namespace
}  // namespace vor
