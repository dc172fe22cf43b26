// The uninstaller's program file cut from an installer made in the test: a
// program stand-in followed by a container the engine made.
#include "installer/engine/uninstaller_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "common/coding.h"
#include "common/pe_checksum.h"
#include "container/coffer.h"
#include "package/install_error.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

class UninstallerImageTest : public testing::TempDirTest {
 protected:
  // A container with one file, as its bytes.
  std::string ContainerBytes() {
    const std::string path = Path("job.cof");
    {
      TCoffer coffer(path, 0xFFFF, "", "", "", 1);
      const int32_t h = coffer.FileOpen("\\JOB.INI", 0xFFFF, "", "", "");
      EXPECT_GE(h, 0);
      const std::string text = "[Job]\r\nAppname=Demo\r\n";
      EXPECT_EQ(coffer.FileWrite(h, text.data(), static_cast<int32_t>(text.size())),
                static_cast<int32_t>(text.size()));
      coffer.FileClose(h);
    }
    return ReadAll(path);
  }

  // Program bytes: every byte value, and a volume signature that is not
  // followed by a container (the search must pass over it).
  static std::string Stub(size_t size) {
    std::string stub;
    for (size_t i = 0; i < size; ++i) stub += static_cast<char>(i * 7 + 3);
    stub.replace(size / 2, 8, "QZMVHFSS");
    return stub;
  }
};

TEST_F(UninstallerImageTest, WritesTheProgramBytesOnly) {
  const std::string container = ContainerBytes();
  ASSERT_FALSE(container.empty());
  for (const size_t size : {size_t{1}, size_t{4096}, size_t{200000}}) {
    SCOPED_TRACE(size);
    const std::string stub = size == 1 ? std::string("M") : Stub(size);
    ASSERT_TRUE(WriteAll(Path("setup.exe"), stub + container));
    EXPECT_EQ(ProgramImageSize(Path("setup.exe")), static_cast<int64_t>(stub.size()));
    // An older, longer file of that name is replaced whole.
    ASSERT_TRUE(WriteAll(Path("uninstall.exe"), std::string(300000, 'z')));
    WriteUninstallerImage(Path("setup.exe"), Path("uninstall.exe"));
    EXPECT_EQ(ReadAll(Path("uninstall.exe")), stub);
    EXPECT_EQ(ReadAll(Path("setup.exe")), stub + container);  // the installer is untouched
    EXPECT_FALSE(platform::FileExists(Path("uninstall.exe.new")));
  }
}

TEST_F(UninstallerImageTest, Refusals) {
  const std::string container = ContainerBytes();
  ASSERT_TRUE(WriteAll(Path("bare.cof"), container));
  ASSERT_TRUE(WriteAll(Path("plain.exe"), Stub(5000)));
  ASSERT_TRUE(WriteAll(Path("setup.exe"), Stub(5000) + container));
  const struct {
    std::string source;
    std::string dest;
    InstallErrorKind kind;
  } cases[] = {
      {Path("bare.cof"), Path("u1.exe"), InstallErrorKind::kNoProgramImage},
      {Path("plain.exe"), Path("u2.exe"), InstallErrorKind::kNoProgramImage},
      {Path("missing.exe"), Path("u3.exe"), InstallErrorKind::kNoProgramImage},
      {Path("setup.exe"), Path("no-such-folder") + platform::PathDelimiter() + "u4.exe",
       InstallErrorKind::kImageWrite},
  };
  for (const auto& c : cases) {
    try {
      WriteUninstallerImage(c.source, c.dest);
      ADD_FAILURE() << c.source;
    } catch (const EInstallError& e) {
      EXPECT_EQ(e.Kind(), c.kind) << c.source;
      const std::string expected =
          c.kind == InstallErrorKind::kImageWrite
              ? "Cannot create file " + c.dest + ": "
              : "No installer program in front of a container: " + c.source;
      EXPECT_EQ(std::string(e.what()).substr(0, expected.size()), expected);
    }
    EXPECT_FALSE(platform::FileExists(c.dest)) << c.dest;
    EXPECT_FALSE(platform::FileExists(c.dest + ".new")) << c.dest;
  }
  // A refused source leaves an older uninstaller as it was.
  ASSERT_TRUE(WriteAll(Path("uninstall.exe"), "older"));
  EXPECT_THROW(WriteUninstallerImage(Path("bare.cof"), Path("uninstall.exe")), EInstallError);
  EXPECT_EQ(ReadAll(Path("uninstall.exe")), "older");
}

// A signed installer: its certificate lies behind the container and its
// header's security directory points there. The uninstaller is the program
// alone, so its header must not point past its end: the directory is
// cleared and the checksum made right for the bytes written.
TEST_F(UninstallerImageTest, SignedInstallerGivesAnUnsignedProgram) {
  const std::string container = ContainerBytes();
  ASSERT_FALSE(container.empty());
  for (const uint16_t magic : {uint16_t{0x10B}, uint16_t{0x20B}}) {
    SCOPED_TRACE(magic);
    std::string stub = Stub(8192);
    auto* p = reinterpret_cast<uint8_t*>(&stub[0]);
    stub.replace(0, 2, "MZ");
    EncodeFixed32(p + 0x3C, 0x80);
    stub.replace(0x80, 4, std::string("PE\0\0", 4));
    const size_t optional_size = magic == 0x10B ? 224 : 240;
    EncodeFixed16(p + 0x80 + 4 + 16, static_cast<uint16_t>(optional_size));
    const size_t optional = 0x98;
    EncodeFixed16(p + optional, magic);
    const size_t directories = optional + (magic == 0x10B ? 96 : 112);
    EncodeFixed32(p + directories - 4, 16);
    const std::string certificate(600, 'C');
    const size_t signed_size = stub.size() + container.size();
    EncodeFixed32(p + directories + 4 * 8, static_cast<uint32_t>(signed_size));
    EncodeFixed32(p + directories + 4 * 8 + 4, static_cast<uint32_t>(certificate.size()));
    ASSERT_TRUE(WriteAll(Path("signed.exe"), stub + container + certificate));

    WriteUninstallerImage(Path("signed.exe"), Path("uninstall.exe"));
    const std::string written = ReadAll(Path("uninstall.exe"));
    ASSERT_EQ(written.size(), stub.size());
    const auto* w = reinterpret_cast<const uint8_t*>(written.data());
    EXPECT_EQ(DecodeFixed32(w + directories + 4 * 8), 0u);
    EXPECT_EQ(DecodeFixed32(w + directories + 4 * 8 + 4), 0u);
    const size_t checksum = optional + 64;
    EXPECT_EQ(DecodeFixed32(w + checksum), PeChecksum(w, written.size(), checksum));
    EXPECT_NE(DecodeFixed32(w + checksum), 0u);
    // Every other byte is the program's.
    std::string expected = written;
    std::memcpy(&expected[directories + 4 * 8], stub.data() + directories + 4 * 8, 8);
    std::memcpy(&expected[checksum], stub.data() + checksum, 4);
    EXPECT_EQ(expected, stub);
  }
}

}  // namespace
}  // namespace vor
