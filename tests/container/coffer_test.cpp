#include "container/coffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "container/store/page_file.h"
#include "container/stream/user_file_stream.h"
#include "platform/input_dialog.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

std::string Pattern(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + seed * 13 + i / 251) & 0xFF);
  return s;
}

class CofferTest : public testing::TempDirTest {
 protected:
  std::string File() const { return Path("box.cfr"); }
  void Create(const std::string& password = std::string()) {
    coffer_.reset();
    coffer_ = std::make_unique<TCoffer>(File(), kOpenModeCreate, password, "", "", 1);
  }
  void Open(uint16_t mode = kOpenModeReadWrite, const std::string& password = std::string()) {
    coffer_.reset();
    coffer_ = std::make_unique<TCoffer>(File(), mode, password, "", "", 0);
  }
  int32_t NewFile(const std::string& name, const std::string& content) {
    const int32_t h = coffer_->FileOpen(name, kOpenModeCreate, "", "", "");
    EXPECT_GE(h, 0);
    EXPECT_EQ(coffer_->FileWrite(h, content.data(), static_cast<int32_t>(content.size())),
              static_cast<int32_t>(content.size()));
    return h;
  }
  std::string ReadFrom(int32_t h, int64_t position, int32_t count) {
    coffer_->FileSeek(h, 0, position);
    std::string out(static_cast<size_t>(count), '\0');
    out.resize(static_cast<size_t>(coffer_->FileRead(h, &out[0], count)));
    return out;
  }
  int64_t SizeOf(int32_t h) {
    const int64_t position = coffer_->FileSeek(h, 1, 0);
    const int64_t size = coffer_->FileSeek(h, 2, 0);
    coffer_->FileSeek(h, 0, position);
    return size;
  }

  std::unique_ptr<TCoffer> coffer_;
};

TEST_F(CofferTest, HandleNumbersCountFromZeroAndAreNeverReused) {
  Create();
  const int32_t a = NewFile("\\a", "x");
  EXPECT_EQ(a, 0);
  coffer_->FileClose(a);
  EXPECT_EQ(coffer_->HandleCount(), 0);
  EXPECT_EQ(coffer_->FileOpen("\\a", kOpenModeReadWrite, "", "", ""), 1);
  EXPECT_EQ(coffer_->FileOpen("/a", kOpenModeReadWrite, "", "", ""), 2);  // one file, two handles
  coffer_->FileClose(77);                                                 // unknown: ignored
  EXPECT_EQ(coffer_->HandleCount(), 2);
  EXPECT_EQ(coffer_->FileOpen("\\missing", kOpenModeReadWrite, "", "", ""), kFileNotFound);
  EXPECT_EQ(coffer_->FileRead(a, nullptr, 10), 0);  // closed handle
}

TEST_F(CofferTest, ReadsAtAndPastTheEnd) {
  Create();
  const std::string data = Pattern(100, 1);
  const int32_t h = NewFile("\\f", data);
  EXPECT_EQ(ReadFrom(h, 100, 10), "");
  EXPECT_EQ(ReadFrom(h, 90, 50), data.substr(90));
  EXPECT_EQ(coffer_->FileSeek(h, 1, 0), 100);  // advanced by the 10 bytes read
  EXPECT_EQ(ReadFrom(h, 500, 10), "");
  EXPECT_EQ(coffer_->LastError(), 0);
}

TEST_F(CofferTest, PartialPageWritesKeepTheOtherBytes) {
  Create();
  std::string data = Pattern(3 * 4064 + 500, 2);
  const int32_t h = NewFile("\\f", data);
  struct Case {
    int64_t at;
    size_t length;
  };
  // Inside one page; across a page boundary; a whole page; the last bytes.
  for (const Case& c : {Case{5000, 10}, Case{4060, 10}, Case{4064, 4064}, Case{12690, 2}}) {
    const std::string patch = Pattern(c.length, static_cast<int>(c.at));
    coffer_->FileSeek(h, 0, c.at);
    ASSERT_EQ(coffer_->FileWrite(h, patch.data(), static_cast<int32_t>(c.length)),
              static_cast<int32_t>(c.length));
    data.replace(static_cast<size_t>(c.at), c.length, patch);
  }
  EXPECT_EQ(SizeOf(h), static_cast<int64_t>(data.size()));
  EXPECT_EQ(ReadFrom(h, 0, static_cast<int32_t>(data.size())), data);
}

TEST_F(CofferTest, WriteAfterSeekBeyondEndSetsSizeToNewPosition) {
  Create();
  const int32_t h = NewFile("\\f", "head");
  coffer_->FileSeek(h, 0, 10000);
  ASSERT_EQ(coffer_->FileWrite(h, "tail", 4), 4);
  EXPECT_EQ(SizeOf(h), 10004);
  const std::string all = ReadFrom(h, 0, 20000);
  EXPECT_EQ(all, "head" + std::string(9996, '\0') + "tail");
}

TEST_F(CofferTest, FileSetSizeMovesThePosition) {
  Create();
  const int32_t h = NewFile("\\f", Pattern(9000, 3));
  EXPECT_EQ(coffer_->FileSetSize(h, 20000), 20000);
  EXPECT_EQ(coffer_->FileSeek(h, 1, 0), 20000);
  EXPECT_EQ(ReadFrom(h, 8990, 100), Pattern(9000, 3).substr(8990) + std::string(90, '\0'));
  EXPECT_EQ(coffer_->FileSetSize(h, 10), 10);
  EXPECT_EQ(coffer_->FileSeek(h, 1, 0), 10);
  EXPECT_EQ(SizeOf(h), 10);
  EXPECT_EQ(coffer_->FileSetSize(h + 1, 10), kInvalidHandle);
  EXPECT_EQ(coffer_->FileSetSize(h, -1), kFileNotFound);
  EXPECT_EQ(SizeOf(h), 10);
}

TEST_F(CofferTest, OpenFileCannotBeDeletedOrReplaced) {
  Create();
  const int32_t h = NewFile("\\f", "content");
  EXPECT_FALSE(coffer_->DeleteFile("\\f"));
  EXPECT_EQ(coffer_->FileCreate("\\f", "", "", ""), kFileInUse);
  const int32_t again = coffer_->FileOpen("\\f", kOpenModeCreate, "", "", "");
  ASSERT_GE(again, 0);
  EXPECT_EQ(ReadFrom(again, 0, 100), "content");

  coffer_->FileClose(h);
  coffer_->FileClose(again);
  EXPECT_TRUE(coffer_->DeleteFile("\\f"));
  EXPECT_FALSE(coffer_->FileExists("\\f"));
  EXPECT_FALSE(coffer_->DeleteFile("\\f"));
  // A closed file is replaced by an empty one.
  coffer_->FileClose(NewFile("\\g", "old"));
  EXPECT_GE(coffer_->FileCreate("\\g", "", "", ""), 0);
  const int32_t g = coffer_->FileOpen("\\g", kOpenModeReadWrite, "", "", "");
  EXPECT_EQ(SizeOf(g), 0);
}

TEST_F(CofferTest, ContentSurvivesReopening) {
  Create();
  const std::string data = Pattern(50000, 4);
  coffer_->FileClose(NewFile("\\keep", data));
  Open(kOpenModeReadWrite);
  const int32_t h = coffer_->FileOpen("\\keep", kOpenModeReadWrite, "", "", "");
  EXPECT_EQ(ReadFrom(h, 0, 60000), data);
}

TEST_F(CofferTest, ContainerPasswordIsChecked) {
  Create("secret");
  EXPECT_TRUE(coffer_->IsProtected());
  coffer_->FileClose(NewFile("\\f", "enciphered"));
  coffer_.reset();

  EXPECT_FALSE(TCoffer::CheckPassword(File(), "wrong"));
  // Read-only opens check the password on their own page file, the others
  // on a probe first: the same refusal either way.
  for (const uint16_t mode : {kOpenModeRead, kOpenModeReadWrite}) {
    SCOPED_TRACE(mode);
    try {
      Open(mode, "wrong");
      FAIL() << "opened with a wrong password";
    } catch (const EVorError& e) {
      EXPECT_EQ(std::string(e.what()),
                "TCoffer.Create - invalid password specified, file name = \"" + File() + "\"");
      EXPECT_EQ(e.Kind(), ErrorKind::kWrongPassword);
    }
  }
  // Nothing stayed open: an exclusive open succeeds and reads the file.
  Open(kOpenModeExclusiveReadWrite, "secret");
  EXPECT_EQ(coffer_->Password(), "secret");
  const int32_t h = coffer_->FileOpen("\\f", kOpenModeReadWrite, "", "", "");
  EXPECT_EQ(ReadFrom(h, 0, 100), "enciphered");
  // The content is not on disk in plain text.
  coffer_.reset();
  EXPECT_EQ(ReadAll(File()).find("enciphered"), std::string::npos);
}

TEST_F(CofferTest, ContainerWithoutPasswordAcceptsAnyAndKeepsNone) {
  Create();
  coffer_.reset();
  EXPECT_TRUE(TCoffer::CheckPassword(File(), ""));
  EXPECT_TRUE(TCoffer::CheckPassword(File(), "anything"));
  Open(kOpenModeReadWrite, "anything");
  EXPECT_FALSE(coffer_->IsProtected());
  EXPECT_EQ(coffer_->Password(), "");
}

class FilePasswordTest : public CofferTest {
 protected:
  void SetUp() override {
    CofferTest::SetUp();
    Create();
    const int32_t h = coffer_->FileOpen("\\own", kOpenModeCreate, "pw", "", "");
    ASSERT_GE(h, 0);
    ASSERT_EQ(coffer_->FileWrite(h, "private", 7), 7);
    coffer_->FileClose(h);
  }
  void TearDown() override {
    platform::SetInputQueryHook(nullptr);
    CofferTest::TearDown();
  }
};

TEST_F(FilePasswordTest, HandlerIsAskedUntilItCancelsOrGivesThePassword) {
  std::vector<std::string> asked;
  coffer_->SetOnPassword(
      [&](TCoffer&, const std::string& name, std::string& password, bool& cancel) {
        EXPECT_TRUE(cancel);  // enters as true
        asked.push_back(name + "=" + password);
        password = asked.size() == 1 ? "still wrong" : "pw";
        cancel = false;
      });
  const int32_t h = coffer_->FileOpen("\\own", kOpenModeReadWrite, "wrong", "", "");
  ASSERT_GE(h, 0);
  EXPECT_EQ(asked, (std::vector<std::string>{"\\own=wrong", "\\own=still wrong"}));
  EXPECT_EQ(ReadFrom(h, 0, 10), "private");

  coffer_->SetOnPassword([](TCoffer&, const std::string&, std::string&, bool&) {});
  EXPECT_EQ(coffer_->FileOpen("\\own", kOpenModeReadWrite, "wrong", "", ""), kFileNotFound);
}

TEST_F(FilePasswordTest, WithoutHandlerTheInputDialogAsks) {
  std::vector<std::string> shown;
  platform::SetInputQueryHook(
      [&](const std::string& caption, const std::string& prompt, bool hidden, std::string* value) {
        shown.push_back(caption + "|" + prompt + "|" + *value);
        EXPECT_TRUE(hidden);
        return false;  // cancelled
      });
  try {
    TCFRUserFileStream stream(coffer_.get(), "\\own", kOpenModeReadWrite, "wrong", "", "");
    FAIL() << "opened without the password";
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TCFRUserFileStream.Create - unable to open file \"\\own\"");
    EXPECT_EQ(e.Kind(), ErrorKind::kWrongPassword);
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"Password for \"\\own\"|Enter password: |wrong"}));
  EXPECT_EQ(coffer_->HandleCount(), 0);

  platform::SetInputQueryHook([](const std::string&, const std::string&, bool, std::string* value) {
    *value = "pw";
    return true;
  });
  TCFRUserFileStream stream(coffer_.get(), "\\own", kOpenModeReadWrite, "", "", "");
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 16), 7);
  EXPECT_EQ(std::string(buffer), "private");
}

TEST_F(CofferTest, UserFileStreamRefusesMissingCofferAndFile) {
  Create();
  try {
    TCFRUserFileStream stream(nullptr, "\\x", kOpenModeReadWrite, "", "", "");
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TCFRUserFileStream.Create - Coffer = nil!");
    EXPECT_EQ(e.Kind(), ErrorKind::kMisuse);
  }
  try {
    TCFRUserFileStream stream(coffer_.get(), "\\no\"pe", kOpenModeReadWrite, "", "", "");
    FAIL();
  } catch (const EVorError& e) {
    EXPECT_STREQ(e.what(), "TCFRUserFileStream.Create - unable to open file \"\\no\"\"pe\"");
    EXPECT_EQ(e.Kind(), ErrorKind::kNotFound);
  }
}

TEST_F(CofferTest, UserFileStreamSeeksInBothWidths) {
  Create();
  TCFRUserFileStream stream(coffer_.get(), "\\s", kOpenModeCreate, "", "", "");
  stream.WriteBuffer("0123456789", 10);
  EXPECT_EQ(stream.Seek32(-3, 2), 7);
  EXPECT_EQ(stream.Seek(int64_t{5000000000}, 0), int64_t{5000000000});
  EXPECT_EQ(stream.Seek32(0, 1), static_cast<int32_t>(int64_t{5000000000} & 0xFFFFFFFF));
  stream.SetSize32(4);
  EXPECT_EQ(stream.Size(), 4);
  EXPECT_EQ(stream.Position(), 4);
}

TEST_F(CofferTest, WriterOperationsMakeFoldersAndSetRecords) {
  Create();
  const int32_t c = coffer_->CreateFolder("\\a\\b/c");
  ASSERT_GE(c, 0);
  for (const char* folder : {"\\a", "\\a\\b", "\\a\\b\\c"}) {
    EXPECT_TRUE(coffer_->FolderExists(folder)) << folder;
    EXPECT_EQ(coffer_->FileGetAttr(folder), 0x10) << folder;
  }
  EXPECT_EQ(coffer_->CreateFolder("a\\b\\c\\"), c);  // already there
  coffer_->FileClose(NewFile("\\a\\file", "x"));
  EXPECT_EQ(coffer_->CreateFolder("\\a\\file\\sub"), -1);  // a file is in the way
  EXPECT_FALSE(coffer_->FileExists("\\a\\file\\sub"));
  EXPECT_EQ(coffer_->CreateFolder("\\a\\..\\x"), -1);

  EXPECT_TRUE(coffer_->FileSetAttr("\\a\\file", 0x21));
  EXPECT_EQ(coffer_->FileGetAttr("\\a\\file"), 0x21);
  EXPECT_FALSE(coffer_->FileSetAttr("\\nothing", 1));
  const uint64_t t1 = 130000000000000000ull, t2 = t1 + 20000000, t3 = t2 + 20000000;
  EXPECT_TRUE(coffer_->FileSetTimes("\\a\\file", t1, t2, t3));

  Open(kOpenModeReadWrite);
  TSearchRec rec;
  ASSERT_EQ(coffer_->FindFirst("\\a\\file", 0x3F, &rec), 0);
  EXPECT_EQ(rec.Attr, 0x21);
  EXPECT_EQ(rec.FindData.ftCreationTime, t1);
  EXPECT_EQ(rec.FindData.ftLastWriteTime, t2);
  EXPECT_EQ(rec.FindData.ftLastAccessTime, t3);
  coffer_->FindClose(&rec);
  EXPECT_EQ(coffer_->FileGetAttr("\\a\\b"), 0x10);
}

TEST_F(CofferTest, DefaultCompressionIsKeptInTheHeader) {
  Create();
  EXPECT_EQ(coffer_->DefaultCompression(), 1);
  coffer_->SetDefaultCompression(7);
  Open(kOpenModeReadWrite);
  EXPECT_EQ(coffer_->DefaultCompression(), 7);
}

TEST_F(CofferTest, ReadOnlyContainerWritesNothing) {
  Create();
  coffer_->FileClose(NewFile("\\f", "abc"));
  Open(0);
  EXPECT_TRUE(coffer_->ReadOnly());
  const int32_t h = coffer_->FileOpen("\\f", 0, "", "", "");
  ASSERT_GE(h, 0);
  EXPECT_EQ(coffer_->FileWrite(h, "xyz", 3), 0);
  EXPECT_EQ(coffer_->LastError(), kPageWriteHeaderError);
  EXPECT_EQ(coffer_->LastErrorKind(), ErrorKind::kReadOnly);
  EXPECT_EQ(ReadFrom(h, 0, 10), "abc");
}

// The failures a program tells apart (a missing container, a damaged one,
// a damaged page, a broken call) carry their kind, whether raised or
// reported by result.
TEST_F(CofferTest, FailuresCarryTheirKind) {
  auto open_kind = [this](const std::string& path) {
    try {
      TCoffer coffer(path, kOpenModeReadWrite, "", "", "", 0);
    } catch (const EVorError& e) {
      return e.Kind();
    }
    return ErrorKind::kGeneral;
  };
  EXPECT_EQ(open_kind(Path("missing.cfr")), ErrorKind::kNotFound);

  Create();
  coffer_->FileClose(NewFile("\f", Pattern(9000, 1)));
  coffer_.reset();
  std::string bytes = ReadAll(File());
  const std::string good = bytes;
  // The file's data pages follow the header page, the maps and the
  // directory; flipping a byte in the last page damages the file's content.
  bytes[bytes.size() - 100] ^= 0x5A;
  ASSERT_TRUE(WriteAll(File(), bytes));
  Open(kOpenModeReadWrite);
  const int32_t h = coffer_->FileOpen("\f", kOpenModeReadWrite, "", "", "");
  ASSERT_GE(h, 0);
  EXPECT_LT(coffer_->FileRead(h, &bytes[0], 9000), 9000);
  EXPECT_EQ(coffer_->LastError(), kPageChecksumError);
  EXPECT_EQ(coffer_->LastErrorKind(), ErrorKind::kDamaged);
  // A call on a handle that is not open is a misuse, reported by result.
  EXPECT_EQ(coffer_->FileSetSize(h + 1, 10), kInvalidHandle);
  EXPECT_EQ(KindOfResult(kInvalidHandle), ErrorKind::kMisuse);
  coffer_.reset();

  bytes = good;
  bytes[300] ^= 0x01;  // inside the container header, behind the volume header
  ASSERT_TRUE(WriteAll(File(), bytes));
  EXPECT_EQ(open_kind(File()), ErrorKind::kDamaged);
}

}  // namespace
}  // namespace vor
