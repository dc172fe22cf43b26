// The package checks of vorpack: the job text as the installer reads it,
// text encodings, icon and installer program checks, and one broken
// package per error.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/coding.h"
#include "exit_codes.h"
#include "file_checks.h"
#include "job_check.h"
#include "job_text.h"
#include "package.h"
#include "platform/folder_list.h"
#include "rich_text.h"
#include "tools/vorpack_fixture.h"

namespace vor::testing {
namespace {

using vorpack::JobText;

TEST(VorpackJobText, SplitsLinesAsTheInstallerDoes) {
  const JobText text("Title=A\rInstMessage=x=y\nlower\r\ntitle=B\r\n\r\nTitle =C\0Appname=Z");
  const std::vector<vorpack::JobLine>& lines = text.Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1].value, "x=y");
  EXPECT_FALSE(lines[2].has_value);
  EXPECT_EQ(lines[4].text, "");
  EXPECT_EQ(lines[5].name, "Title ");
  EXPECT_EQ(text.Value("TITLE"), "A");          // the first line wins
  EXPECT_EQ(text.Value("InstMessage"), "x=y");  // everything after the first "="
  EXPECT_EQ(text.Find("lower"), nullptr);       // a line without "=" is never found
  EXPECT_EQ(text.Value("Appname"), "");         // a zero byte ends the text
  EXPECT_EQ(JobText("a=1\r\n").Lines().size(), 1u);
}

struct EncodingCase {
  const char* name;
  std::string bytes;
  std::string stored;  // expected result; empty with error set
  const char* error;   // a part of the message, or null
};

TEST(VorpackJobText, ConvertsUtf8AndRefusesWhatTheCodePageLacks) {
  const std::vector<EncodingCase> cases = {
      {"ascii", "Title=Cafe\r\n", "Title=Cafe\r\n", nullptr},
      {"utf8", "Title=Caf\xC3\xA9\r\n", "Title=Caf\xE9\r\n", nullptr},
      {"utf8 with mark", "\xEF\xBB\xBFTitle=x\r\n", "Title=x\r\n", nullptr},
      {"code page bytes", "Title=Caf\xE9\r\n", "Title=Caf\xE9\r\n", nullptr},
      {"missing character", "A=1\r\nTitle=\xD0\x96\r\n", "", "JOB.INI:2: the character"},
      {"utf16", std::string("\xFF\xFET\0=\0", 6), "", "UTF-16"},
      {"zero byte", std::string("A=1\nB=\0\n", 8), "", "JOB.INI:2: a zero byte"},
  };
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.error == nullptr) {
      EXPECT_EQ(vorpack::ToCodePageText(c.bytes, 1252, "JOB.INI"), c.stored);
      continue;
    }
    try {
      vorpack::ToCodePageText(c.bytes, 1252, "JOB.INI");
      ADD_FAILURE() << "no error";
    } catch (const coffer::ECofferError& e) {
      EXPECT_EQ(e.Code(), coffer::kExitFailure);
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
    }
  }
}

TEST(VorpackRichText, Utf8BecomesEscapesOfTheCodePage) {
  struct Case {
    const char* name;
    std::string bytes;
    uint32_t cp;
    std::string stored;
  };
  const std::vector<Case> cases = {
      {"ascii kept", "{\\rtf1\\ansi Cafe\\par}", 1252, "{\\rtf1\\ansi Cafe\\par}"},
      {"in the code page", "{\\rtf1 caf\xC3\xA9\\par\xC3\x89t\xC3\xA9}", 1252,
       "{\\rtf1 caf\\'e9\\par\\'c9t\\'e9}"},
      {"outside it", "{\\rtf1 \xD0\x96\xE2\x82\xAC}", 1252, "{\\rtf1 \\u1046?\\'80}"},
      {"beyond U+FFFF", "{\\rtf1 \xF0\x9F\x98\x80}", 1252, "{\\rtf1 \\u-10179?\\u-8704?}"},
      {"the declared code page wins", "{\\rtf1\\ansi\\ansicpg1251 \xD0\x96}", 1252,
       "{\\rtf1\\ansi\\ansicpg1251 \\'c6}"},
      {"machine code page", "{\\rtf1 \xD0\x96}", 1251, "{\\rtf1 \\'c6}"},
      {"byte order mark dropped", "\xEF\xBB\xBF{\\rtf1 \xC3\xA9}", 1252, "{\\rtf1 \\'e9}"},
      {"8-bit text kept", "{\\rtf1 caf\xE9}", 1252, "{\\rtf1 caf\xE9}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(vorpack::ToCodePageRichText(c.bytes, c.cp), c.stored);
  }
}

TEST(VorpackFileChecks, IconDirectoryAndImagesMustLieInTheFile) {
  const std::string good = SampleIcon();
  std::string cursor = good;
  cursor[2] = 2;
  std::string none = good;
  none[4] = 0;
  std::string past_end = good;
  EncodeFixed32(reinterpret_cast<uint8_t*>(&past_end[6 + 8]), 1u << 20);
  std::string inside_directory = good;
  EncodeFixed32(reinterpret_cast<uint8_t*>(&inside_directory[6 + 12]), 10);
  const struct {
    const char* name;
    std::string bytes;
    bool ok;
  } cases[] = {
      {"icon", good, true},
      {"bitmap", "BM" + std::string(100, '\0'), false},
      {"cursor", cursor, false},
      {"no image", none, false},
      {"short directory", good.substr(0, 15), false},
      {"image past the end", past_end, false},
      {"image inside the directory", inside_directory, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vorpack::IconProblem(c.bytes).empty(), c.ok) << c.name;
  }
}

TEST(VorpackFileChecks, InstallerProgramMustBeAPeFileWithoutAContainer) {
  const std::string stub = FakeStub(4096);
  EXPECT_EQ(vorpack::StubProblem(stub), "");
  EXPECT_EQ(vorpack::PeMachine(stub), 0x14C);
  EXPECT_NE(vorpack::StubProblem("#!/bin/sh\n" + std::string(100, ' ')), "");
  std::string bad_offset = stub;
  bad_offset[0x3C] = '\x7F';
  bad_offset[0x3D] = '\x7F';
  EXPECT_NE(vorpack::StubProblem(bad_offset), "");
  // A finished installer: its container would be found before a new one.
  std::string finished = stub + "QZMVHFSS" + std::string(272, '\0') + "QZCFRSGN";
  EXPECT_EQ(vorpack::FindVolumeHeader(finished), 4096);
  EXPECT_NE(vorpack::StubProblem(finished).find("already carries a container"), std::string::npos);
}

// One broken package per row: the change made to the complete package, and
// a part of the error it must give. Rows whose change the file system
// cannot make (names Windows refuses, names differing in case) are skipped.
class VorpackPackageCheck;
struct BrokenPackage {
  const char* name;
  std::function<bool(VorpackPackageCheck&)> breaks;
  const char* error;
  uint32_t code_page = 1252;
};

class VorpackPackageCheck : public PackageTest {
 protected:
  vorpack::Findings Check(uint32_t code_page = 1252) {
    vorpack::Findings findings;
    vorpack::Package package(PackageDir(), coffer::NameCodec(code_page), &findings);
    vorpack::CheckJob(package, &findings);
    return findings;
  }

 public:
  bool Put(const std::string& relative, const std::string& bytes) {
    return PackageTest::Put(relative, bytes);
  }
  void Remove(const std::string& relative) { PackageTest::Remove(relative); }
  bool HasBoth(const std::string& folder, const std::string& a, const std::string& b) {
    std::vector<platform::FolderEntry> entries;
    platform::ListFolder(PackagePath(folder), &entries);
    int found = 0;
    for (const auto& e : entries) found += e.name == a || e.name == b ? 1 : 0;
    return found == 2;
  }
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
}

TEST_F(VorpackPackageCheck, CompletePackageHasNoErrors) {
  const vorpack::Findings findings = Check();
  EXPECT_TRUE(findings.errors.empty()) << Joined(findings.errors);
  EXPECT_TRUE(findings.warnings.empty()) << Joined(findings.warnings);
}

TEST_F(VorpackPackageCheck, ExtraFilesAtTheTopAreWarnedAbout) {
  ASSERT_TRUE(Put("notes.txt", "x"));
  const vorpack::Findings findings = Check();
  EXPECT_TRUE(findings.errors.empty()) << Joined(findings.errors);
  EXPECT_NE(Joined(findings.warnings).find("'notes.txt' is stored at the top"), std::string::npos)
      << Joined(findings.warnings);
}

TEST_F(VorpackPackageCheck, UninstallWithoutAppnameIsWarnedAbout) {
  const std::string base = "Icon=app.ico\r\nTitle=T\r\nProgramDir=C:\\A\r\nExename=APP.EXE\r\n";
  struct Case {
    const char* name;
    std::string job;
    bool warned;
  };
  const Case cases[] = {
      {"named", base + "Appname=A\r\nUninstall=1\r\n", false},
      {"no Appname", base + "Uninstall=1\r\n", true},
      {"empty Appname", base + "Appname=\r\nUninstall=1\r\n", true},
      {"not asked for", base + "Appname=\r\nUninstall=0\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Put("JOB.INI", c.job));
    const std::string warnings = Joined(Check().warnings);
    EXPECT_EQ(warnings.find("is not a key"), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find("Uninstall=1 without Appname") != std::string::npos, c.warned)
        << warnings;
  }
}

using Self = VorpackPackageCheck;

TEST_F(VorpackPackageCheck, EachBrokenPackageGivesItsError) {
  const std::string job = "Icon=app.ico\r\nTitle=T\r\nAppname=A\r\nProgramDir=C:\\A\r\n";
  const std::vector<BrokenPackage> cases = {
      {"no JOB.INI",
       [](Self& t) {
         t.Remove("JOB.INI");
         return true;
       },
       "JOB.INI: missing"},
      {"no Programfiles",
       [](Self& t) {
         t.Remove("Programfiles");
         return true;
       },
       "Programfiles/: missing"},
      {"icon missing",
       [](Self& t) { return t.Put("JOB.INI", "Icon=none.ico\r\nExename=app.exe\r\n"); },
       "JOB.INI:1: Icon 'none.ico' names no file"},
      {"icon is a bitmap", [](Self& t) { return t.Put("app.ico", "BM" + std::string(60, 'x')); },
       "JOB.INI:1: Icon 'app.ico' is not a Windows icon file"},
      {"icon image out of bounds",
       [](Self& t) { return t.Put("app.ico", SampleIcon().substr(0, 100)); },
       "lies outside the file"},
      {"Exename names nothing",
       [&](Self& t) { return t.Put("JOB.INI", job + "Exename=bin\\app.exe\r\n"); },
       "JOB.INI:5: Exename 'bin\\app.exe' names no file under Programfiles/"},
      {"Exename names a folder", [&](Self& t) { return t.Put("JOB.INI", job + "Exename=lib\r\n"); },
       "Exename 'lib' names no file"},
      {"menu starts with a shortcut",
       [](Self& t) { return t.Put("MENU.DAT", "Cafe=PDIR\\app.exe\r\nPath=Cafe\r\n"); },
       "MENU.DAT:1: the shortcut 'Cafe' would be lost"},
      {"menu Path below line 1", [](Self& t) { return t.Put("MENU.DAT", "\r\nPath=Cafe\r\n"); },
       "MENU.DAT:2: Path must stand on line 1"},
      {"shortcut target outside PDIR",
       [](Self& t) { return t.Put("MENU.DAT", "Path=Cafe\r\nCafe=C:\\app.exe\r\n"); },
       "MENU.DAT:2: the target of 'Cafe' does not start with PDIR"},
      {"pregister key with two digits",
       [&](Self& t) {
         return t.Put("JOB.INI", job + "Exename=app.exe\r\npregister10=PDIR\\app.exe\r\n");
       },
       "JOB.INI:6: 'pregister10' is never read"},
      {"pregister names nothing",
       [&](Self& t) {
         return t.Put("JOB.INI", job + "Exename=app.exe\r\npregister3=PDIR\\x.dll\r\n");
       },
       "JOB.INI:6: 'pregister3' 'PDIR\\x.dll' names no file under Programfiles/"},
      {"Postexec empty", [](Self& t) { return t.Put("EXECS.DAT", "Postexec=\r\n"); },
       "EXECS.DAT:1: Postexec names nothing"},
      {"Postexec names nothing",
       [](Self& t) { return t.Put("EXECS.DAT", "Postexec=PDIR\\gone.txt\r\n"); },
       "EXECS.DAT:1: Postexec 'PDIR\\gone.txt' names no file or folder"},
      {"licence not rich text", [](Self& t) { return t.Put("License.rtf", "Plain licence\n"); },
       "License.rtf:1: does not start with {\\rtf"},
      {"readme not rich text", [](Self& t) { return t.Put("readme.rtf", "{\\rt"); },
       "readme.rtf:1: does not start with {\\rtf"},
      {"JOB.INI character outside the code page",
       [&](Self& t) { return t.Put("JOB.INI", job + "InstMessage=\xE2\x82\xAC \xD0\x96\r\n"); },
       "JOB.INI:5: the character '\xD0\x96' cannot be represented in code page 1252"},
      {"name Windows cannot use", [](Self& t) { return t.Put("Programfiles/a|b.txt", "x"); },
       "cannot be stored"},
      {"device name",
       [](Self& t) {
         return t.Put("Programfiles/lib/Aux.h", "x") &&
                t.HasBoth("Programfiles/lib", "Aux.h", "server.dll");
       },
       "'Programfiles/lib/Aux.h': Windows keeps the name for a device"},
      {"name outside the code page",
       [](Self& t) { return t.Put("Programfiles/\xD0\x96.txt", "x"); },
       "cannot be represented in code page 437", 437},
      {"names equal without regard to case",
       [](Self& t) {
         return t.Put("Programfiles/lib/Server.DLL", "y") &&
                t.HasBoth("Programfiles/lib", "server.dll", "Server.DLL");
       },
       "differ only in case"},
  };
  for (const BrokenPackage& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    if (!c.breaks(*this)) continue;  // the file system cannot hold this change
    const vorpack::Findings findings = Check(c.code_page);
    EXPECT_NE(Joined(findings.errors).find(c.error), std::string::npos) << "errors:\n"
                                                                        << Joined(findings.errors);
  }
}

}  // namespace
}  // namespace vor::testing
