// Opening volumes: the header search behind a prefix and damaged volumes.
#include <gtest/gtest.h>

#include <string>

#include "container/multipart_volume_test_util.h"
#include "container/volume/multipart_volume.h"

namespace vor {
namespace {

using vor::testing::HugeFileTest;

constexpr int64_t kUnlimited = 0x7FFFFFFFFFFFFFFELL;
constexpr size_t kWindow = 65535;

// Prefix bytes without any 'Q', so that only planted signatures count.
std::string Prefix(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 80);
  return s;
}

TEST_F(HugeFileTest, FindsTheHeaderBehindAPrefix) {
  struct Case {
    const char* what;
    size_t prefix;
    // A decoy planted in the prefix at this offset (npos: none).
    size_t decoy_at;
    std::string decoy;
  };
  const std::string fake_header = "QZMVHFSS";
  const size_t none = std::string::npos;
  const Case cases[] = {
      {"plain volume", 0, none, ""},
      {"short prefix", 1000, none, ""},
      {"inside the first window", kWindow - 4, none, ""},
      {"last three bytes of a window (-3)", kWindow - 3, none, ""},
      {"last three bytes of a window (-2)", kWindow - 2, none, ""},
      {"last three bytes of a window (-1)", kWindow - 1, none, ""},
      {"start of the second window", kWindow, none, ""},
      {"third window, straddling", 2 * kWindow - 2, none, ""},
      {"decoy volume signature", 5000, 100, fake_header},
      {"decoy header with a wrong container signature", 5000, 100,
       fake_header + std::string(272, '\0') + "QZCFRSGX"},
      {"decoy straddling a window", kWindow + 500, kWindow - 2, fake_header},
      {"decoy right before the header", 3000, 3000 - 8, fake_header},
  };
  const std::string data = ContainerData(3000);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string prefix = Prefix(c.prefix);
    if (c.decoy_at != none) prefix.replace(c.decoy_at, c.decoy.size(), c.decoy);
    ASSERT_EQ(prefix.size(), c.prefix);
    ASSERT_TRUE(WriteAll(Path("setup.exe"), prefix + Header(kUnlimited) + data));
    auto v = NewVolume("setup.exe", -1);
    ASSERT_TRUE(v->Open(false, true));
    EXPECT_EQ(v->HeaderOffset(), static_cast<int64_t>(c.prefix));
    EXPECT_EQ(v->PartSize(), kUnlimited);
    EXPECT_EQ(v->GetSize(), 3000);
    EXPECT_EQ(ReadVolume(*v, 0, 3000), data);
  }
}

TEST_F(HugeFileTest, WritesBehindAPrefixLeaveThePrefixAlone) {
  const std::string prefix = Prefix(70000);
  const std::string data = ContainerData(500);
  ASSERT_TRUE(WriteAll(Path("setup.exe"), prefix + Header(kUnlimited) + data));
  {
    auto v = NewVolume("setup.exe", -1);
    ASSERT_TRUE(v->Open(false, true));
    v->Seek(8, 0);
    v->WriteBuffer("new", 3);
    v->Seek(0, 2);
    v->WriteBuffer("grown", 5);
    EXPECT_EQ(v->GetSize(), 505);
    v->SetSize(400);
  }
  const std::string bytes = ReadAll(Path("setup.exe"));
  ASSERT_EQ(bytes.size(), 70000u + 280 + 400);
  EXPECT_EQ(bytes.substr(0, 70280), prefix + Header(kUnlimited));
  EXPECT_EQ(bytes.substr(70280, 11), "QZCFRSGNnew");
  EXPECT_EQ(bytes.substr(70291), data.substr(11, 389));
}

TEST_F(HugeFileTest, PrefixCountsAgainstTheFirstPart) {
  // A part size of 1,000 with a 200-byte prefix leaves 520 data bytes in the
  // first part.
  const std::string data = ContainerData(520);
  ASSERT_TRUE(WriteAll(Path("setup.exe"), Prefix(200) + Header(1000) + data));
  auto v = NewVolume("setup.exe", -1);
  ASSERT_TRUE(v->Open(false, false));
  EXPECT_EQ(v->GetSize(), 520);
  v->Seek(0, 2);
  v->WriteBuffer("x", 1);
  EXPECT_EQ(v->PartCount(), 2u);
  EXPECT_EQ(FileSize("setup.exe"), 1000);
  EXPECT_EQ(FileSize("setup.exe1"), 281);
  EXPECT_EQ(NextPartName("setup.exe", 200), "setup.exe1");
  v->Close();
  ASSERT_TRUE(v->Open(false, false));
  EXPECT_EQ(v->GetSize(), 521);
  EXPECT_EQ(ReadVolume(*v, 0, 521), data + "x");
}

TEST_F(HugeFileTest, FilesWithoutAValidVolumeFailToOpen) {
  std::string decoyed = Prefix(70000);
  decoyed.replace(65534, 8, "QZMVHFSS");
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty file", ""},
      {"shorter than a header", "QZMVHFSS"},
      {"no header at all", Prefix(70000)},
      {"only a decoy", decoyed},
      {"prefixed header without the container signature", Prefix(100) + Header(1000) + "QZCFRSGX"},
      {"first header part size 379", Header(379) + ContainerData(50)},
      {"first header part size negative", Header(-1) + ContainerData(50)},
      {"part longer than its part size", Header(400) + ContainerData(200)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteAll(Path("bad.dat"), c.bytes));
    for (bool force : {false, true}) {
      auto v = NewVolume("bad.dat", -1);
      EXPECT_FALSE(v->Open(false, force));
      EXPECT_FALSE(v->Opened());
      EXPECT_EQ(v->PartCount(), 0u);
    }
  }
  auto missing = NewVolume("missing.dat", -1);
  EXPECT_FALSE(missing->Open(false, true));
  // The smallest valid part size opens.
  ASSERT_TRUE(WriteAll(Path("ok.dat"), Header(380) + ContainerData(100)));
  auto v = NewVolume("ok.dat", -1);
  EXPECT_TRUE(v->Open(false, false));
  EXPECT_EQ(v->GetSize(), 100);
}

TEST_F(HugeFileTest, NextPartNamesNeverLeaveTheFolder) {
  ASSERT_TRUE(platform::CreateDirectory(Path("sub")));
  ASSERT_TRUE(WriteAll(Path("victim"), "keep me"));
  const std::string d(1, platform::PathDelimiter());
  for (const std::string& next : {std::string("..") + d + "victim", std::string("../victim"),
                                  std::string("..\\victim"), dir_ + d + "victim"}) {
    SCOPED_TRACE(next);
    const std::string name = "sub" + d + "vol.dat";
    ASSERT_TRUE(WriteAll(Path(name), Header(1000, next) + ContainerData(720)));
    {
      auto v = NewVolume(name, -1);
      EXPECT_FALSE(v->Open(false, false));
      ASSERT_TRUE(v->Open(false, true));
      EXPECT_EQ(v->PartCount(), 1u);
      EXPECT_EQ(v->GetSize(), 720);
    }
    auto creator = NewVolume(name, 1000);
    ASSERT_TRUE(creator->Open(true, false));
    EXPECT_EQ(ReadAll(Path("victim")), "keep me");
  }
}

TEST_F(HugeFileTest, ChainLoopEnds) {
  // vol.dat names vol.dat1, which names vol.dat again.
  ASSERT_TRUE(WriteAll(Path("vol.dat"), Header(1000, "vol.dat1") + ContainerData(720)));
  ASSERT_TRUE(WriteAll(Path("vol.dat1"), Header(1000, "VOL.DAT") + Pattern(720)));
  auto v = NewVolume("vol.dat", -1);
  EXPECT_FALSE(v->Open(false, false));
  ASSERT_TRUE(v->Open(false, true));
  EXPECT_EQ(v->PartCount(), 2u);
  EXPECT_EQ(v->GetSize(), 1440);
}

TEST_F(HugeFileTest, CreatingOverAForeignFileDeletesOnlyThatFile) {
  // A file that is not a volume, whose bytes at the name's place happen to
  // read like a part name.
  std::string foreign = Prefix(400);
  foreign.replace(16, 8, std::string("sibling\0", 8));
  ASSERT_TRUE(WriteAll(Path("vol.dat"), foreign));
  ASSERT_TRUE(WriteAll(Path("sibling"), "keep me"));
  auto v = NewVolume("vol.dat", 1000);
  ASSERT_TRUE(v->Open(true, false));
  EXPECT_EQ(ReadAll(Path("sibling")), "keep me");
  EXPECT_EQ(FileSize("vol.dat"), 280);
}

}  // namespace
}  // namespace vor
