// The vorpack test package.
#include "vorpack_fixture.h"

#include <cstdlib>
#include <string>

#include "common/coding.h"

namespace vor::testing {

std::string SampleIcon() {
  std::string icon;
  PutFixed16(&icon, 0);  // reserved
  PutFixed16(&icon, 1);  // icon
  PutFixed16(&icon, 1);  // one image
  icon += std::string("\x10\x10\x00\x00", 4);
  PutFixed16(&icon, 1);  // planes
  PutFixed16(&icon, 32);
  const std::string image(40 + 16 * 16 * 4 + 16 * 4, '\x11');
  PutFixed32(&icon, static_cast<uint32_t>(image.size()));
  PutFixed32(&icon, 22);
  return icon + image;
}

std::string FakeStub(size_t size) {
  std::string stub(size, '\0');
  stub[0] = 'M';
  stub[1] = 'Z';
  stub[0x3C] = 0x40;
  stub.replace(0x40, 6, std::string("PE\0\0\x4C\x01", 6));
  // The literal signatures a real installer program carries; the search
  // must pass over them.
  stub.replace(0x200, 16, "QZMVHFSSQZCFRSGN");
  return stub;
}

std::string NoiseBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 23);
  }
  return bytes;
}

void PackageTest::SetUp() {
  TempDirTest::SetUp();
  platform::CreateDirectory(PackageDir());
  const std::string job_utf8 =
      "Icon=app.ico\r\nTitle=Caf\xC3\xA9 Setup\r\nInstMessage=Installs a=b\r\n"
      "ProgramDir=C:\\Program Files\\Cafe\r\nAppname=Cafe\r\nExename=APP.EXE\r\n"
      "pregister0=PDIR\\lib\\server.dll\r\n";
  // The readme is UTF-8 on disk; the installer gets escapes of code page
  // 1252, and one for the character 1252 lacks.
  const std::string readme_utf8 = "\xEF\xBB\xBF{\\rtf1\\ansi Caf\xC3\xA9 \xD0\x96}\n";
  stored_files_ = {
      {"JOB.INI",
       "Icon=app.ico\r\nTitle=Caf\xE9 Setup\r\nInstMessage=Installs a=b\r\n"
       "ProgramDir=C:\\Program Files\\Cafe\r\nAppname=Cafe\r\nExename=APP.EXE\r\n"
       "pregister0=PDIR\\lib\\server.dll\r\n"},
      {"MENU.DAT", "Path=Cafe\r\nCafe=PDIR\\app.exe\r\nRead me=PDIR\\docs\r\n"},
      {"SCUTS.DAT", "Cafe=PDIR\\app.exe\n"},
      {"EXECS.DAT", "Postexec=PDIR\\docs\\notes.txt\r\n"},
      {"License.rtf", "{\\rtf1\\ansi Licence}\n"},
      {"readme.rtf", "{\\rtf1\\ansi Caf\\'e9 \\u1046?}\n"},
      {"app.ico", SampleIcon()},
      {"Programfiles/app.exe", "MZ program"},
      {"Programfiles/zero.txt", ""},
      {"Programfiles/lib/server.dll", "MZ library"},
      {"Programfiles/docs/notes.txt", std::string(5000, 'n')},
      {"Programfiles/data/noise.bin", NoiseBytes(1700000, 7)},
  };
  for (const auto& file : stored_files_) {
    const std::string& bytes = file.first == "JOB.INI"      ? job_utf8
                               : file.first == "readme.rtf" ? readme_utf8
                                                            : file.second;
    ASSERT_TRUE(Put(file.first, bytes)) << file.first;
  }
  platform::CreateDirectory(PackagePath("Programfiles/empty"));
}

std::string PackageTest::PackagePath(const std::string& relative) const {
  std::string path = PackageDir() + platform::PathDelimiter();
  for (char c : relative) path += c == '/' ? platform::PathDelimiter() : c;
  return path;
}

bool PackageTest::Put(const std::string& relative, const std::string& bytes) {
  size_t cut = 0;
  while ((cut = relative.find('/', cut)) != std::string::npos) {
    platform::CreateDirectory(PackagePath(relative.substr(0, cut)));
    ++cut;
  }
  return WriteAll(PackagePath(relative), bytes);
}

void PackageTest::Remove(const std::string& relative) {
  const std::string path = PackagePath(relative);
  if (platform::DirectoryExists(path)) {
    platform::RemoveDirectoryTree(path);
  } else {
    platform::DeleteFile(path);
  }
}

std::string PackageTest::StubBytes() {
  const char* real = std::getenv("VORPACK_TEST_STUB");
  if (real != nullptr && *real != '\0') {
    const std::string bytes = ReadAll(real);
    EXPECT_FALSE(bytes.empty()) << "cannot read the installer program " << real;
    return bytes;
  }
  return FakeStub(65533);
}

}  // namespace vor::testing
