// The job loading: the container appended to the program's own file, made
// by the engine in the test, and the job package at its root.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/installer_fixture.h"
#include "package/install_error.h"

namespace vor {
namespace {

using C = ControlId;
using testing::FakeViewer;

using testing::StoredFile;

const char kLicense[] = "{\\rtf1\\ansi License text\\par}";
const char kReadme[] = "{\\rtf1\\ansi Readme text\\par}";

class JobTest : public testing::InstallerTest {};

// The window as the form resource made it, on the Intro page with Next on.
void ExpectResourceTexts(const TForm1& form) {
  EXPECT_EQ(form.ActivePage(), C::tsIntro);
  EXPECT_TRUE(form.Enabled(C::bNext));
  EXPECT_EQ(form.Text(C::Form1), "VOR Installer");
  EXPECT_EQ(form.Text(C::lTitle), "lTitle");
  EXPECT_EQ(form.Text(C::lInstMessage), "lInstMessage");
  EXPECT_EQ(form.Text(C::eDestDir), "");
  EXPECT_EQ(form.Text(C::cbLaunch), "Lauch");
  EXPECT_EQ(form.State(C::Image1).picture, nullptr);
}

TEST_F(JobTest, AProgramWithoutAReadableContainerSaysSoOnceAndKeepsTheResourceTexts) {
  struct Case {
    const char* what;
    std::string program;
  };
  const std::string other_password =
      MakeInstaller({{"\\JOB.INI", "Title=Other\r\n"}}, "another password");
  ASSERT_TRUE(WriteAll(Path("stub.exe"), Stub()));
  const Case cases[] = {
      {"no container after the program", Path("stub.exe")},
      {"a container under another password", other_password},
      {"no such file", Path("missing.exe")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes_ = testing::FakeServices();
    TForm1& form = Show(c.program);
    ASSERT_EQ(fakes_.message_box.errors.size(), 1u);
    EXPECT_EQ(fakes_.message_box.errors[0], "Cannot open file '" + c.program + "'");
    EXPECT_EQ(form.JobContainer(), nullptr);
    ExpectResourceTexts(form);
    EXPECT_EQ(form.GetJob().ini.Count(), 0);
    EXPECT_EQ(fakes_.re1.rich_attempts + fakes_.re2.rich_attempts, 0);
    // The window stays usable: the wizard moves on and Cancel closes.
    form.Click(C::bNext);
    EXPECT_EQ(form.ActivePage(), C::tsLicense);
    form.Click(C::bCancel);
    EXPECT_TRUE(form.Closed());
  }
}

TEST_F(JobTest, AWholePackageFillsTheListsViewersIconAndTexts) {
  const std::string icon = ResourceFile("vor.ico");
  const std::string program = MakeInstaller({
      {"\\JOB.INI",
       "Icon=app.ico\r\nTitle=Editor Setup\r\nInstMessage=Welcome to Editor\r\n"
       "ProgramDir=C:\\Apps\\Editor\r\nAppname=Editor\r\nExename=editor.exe\r\n"},
      {"\\MENU.DAT", "Path=Tools\\Editor\r\nEditor=PDIR\\editor.exe\r\n"},
      {"\\SCUTS.DAT", "kept=yes\r\n"},
      {"\\EXECS.DAT", "Postexec=PDIR\\readme.txt\r\n"},
      {"\\License.rtf", kLicense},
      {"\\readme.rtf", kReadme},
      {"\\app.ico", icon},
      {"\\Programfiles\\editor.exe", "program bytes"},
  });
  TForm1& form = Show(program);

  EXPECT_TRUE(fakes_.message_box.errors.empty());
  ASSERT_NE(form.JobContainer(), nullptr);
  EXPECT_EQ(form.GetJob().ini.Count(), 6);
  EXPECT_EQ(form.GetJob().menu.Count(), 2);
  EXPECT_EQ(form.GetJob().shortcuts.Count(), 1);
  EXPECT_EQ(form.GetJob().execs.Values("Postexec"), "PDIR\\readme.txt");
  EXPECT_EQ(fakes_.re1.loaded, FakeViewer::Loaded::kRich);
  EXPECT_EQ(fakes_.re1.content, kLicense);
  EXPECT_EQ(fakes_.re2.content, kReadme);

  const auto& picture = form.State(C::Image1).picture;
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->bytes, icon);
  EXPECT_EQ(form.State(C::Image2).picture, picture);

  EXPECT_EQ(form.Text(C::lTitle), "Editor Setup");
  EXPECT_EQ(form.Text(C::Form1), "Editor Setup");
  EXPECT_EQ(form.Text(C::lInstMessage), "Welcome to Editor");
  EXPECT_EQ(form.Text(C::eDestDir), "C:\\Apps\\Editor");
  EXPECT_EQ(form.GetJob().AppName(), "Editor");
  EXPECT_EQ(form.GetJob().ExeName(), "editor.exe");
  EXPECT_EQ(form.Text(C::cbLaunch), "Launch Editor");
  EXPECT_EQ(form.ActivePage(), C::tsIntro);
  EXPECT_TRUE(form.Enabled(C::bNext));

  // Closing frees the container, so the program's file is free again.
  form.Close();
  EXPECT_EQ(form.JobContainer(), nullptr);
  EXPECT_TRUE(platform::DeleteFile(program));
}

TEST_F(JobTest, JobIniAloneLeavesViewersIconAndListsEmptyAndAbsentKeysGiveEmptyTexts) {
  TForm1& form = Show(MakeInstaller({{"\\JOB.INI", "Exename=x.exe\r\n"}}));
  EXPECT_TRUE(fakes_.message_box.errors.empty());
  EXPECT_EQ(fakes_.re1.rich_attempts + fakes_.re1.plain_attempts, 0);
  EXPECT_EQ(fakes_.re2.rich_attempts + fakes_.re2.plain_attempts, 0);
  EXPECT_EQ(form.State(C::Image1).picture, nullptr);
  EXPECT_EQ(form.State(C::Image2).picture, nullptr);
  EXPECT_EQ(form.GetJob().menu.Count(), 0);
  EXPECT_EQ(form.GetJob().execs.Count(), 0);
  EXPECT_EQ(form.Text(C::lTitle), "");
  EXPECT_EQ(form.Text(C::Form1), "");
  EXPECT_EQ(form.Text(C::lInstMessage), "");
  EXPECT_EQ(form.Text(C::eDestDir), "");
  EXPECT_EQ(form.GetJob().AppName(), "");
  EXPECT_EQ(form.GetJob().ExeName(), "x.exe");
  EXPECT_EQ(form.Text(C::cbLaunch), "Launch ");
}

TEST_F(JobTest, JobIniTextFormatAndLookupAsTheWindowShowsThem) {
  struct Case {
    const char* what;
    std::string job_ini;
    const char* title;
    const char* message;
  };
  const Case cases[] = {
      {"CR LF", "Title=T\r\nInstMessage=M\r\n", "T", "M"},
      {"LF", "Title=T\nInstMessage=M\n", "T", "M"},
      {"CR", "Title=T\rInstMessage=M", "T", "M"},
      {"name in lower case", "title=T\r\n", "T", ""},
      {"blank before =", "Title =X\r\nTitle=T\r\n", "T", ""},
      {"blank after = is kept", "Title= T \r\n", " T ", ""},
      {"first line wins", "Title=T\r\nTitle=U\r\n", "T", ""},
      {"value with =", "InstMessage=a=b\r\n", "", "a=b"},
      {"section line", "[Title]\r\nTitle\r\nTitle=T\r\n", "T", ""},
      {"zero byte ends the text", std::string("Title=T\r\n\0InstMessage=M\r\n", 25), "T", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fakes_ = testing::FakeServices();
    TForm1& form = Show(MakeInstaller({{"\\JOB.INI", c.job_ini}}));
    EXPECT_EQ(form.Text(C::lTitle), c.title);
    EXPECT_EQ(form.Text(C::lInstMessage), c.message);
  }
}

TEST_F(JobTest, AnIconThatIsNotAnIconStopsTheLoadingBeforeTheTexts) {
  const std::string program = MakeInstaller({
      {"\\JOB.INI", "Icon=logo.bmp\r\nTitle=T\r\nAppname=A\r\nProgramDir=C:\\A\r\n"},
      {"\\License.rtf", kLicense},
      {"\\logo.bmp", "BM" + std::string(60, '\x01')},
  });
  form_ = std::make_unique<TForm1>();
  form_->SetServices(fakes_.For(program));
  try {
    form_->FormShow();
    FAIL() << "the bitmap was taken for an icon";
  } catch (const EInstallError& e) {
    EXPECT_EQ(e.Kind(), InstallErrorKind::kIconFormat);
  }
  // What came before the icon was read; nothing after it.
  EXPECT_EQ(fakes_.re1.content, kLicense);
  EXPECT_EQ(form_->State(C::Image1).picture, nullptr);
  EXPECT_EQ(form_->Text(C::lTitle), "lTitle");
  EXPECT_EQ(form_->Text(C::eDestDir), "");
  EXPECT_EQ(form_->GetJob().AppName(), "");
  EXPECT_EQ(form_->Text(C::cbLaunch), "Lauch");
  // The window stays open on the Intro page.
  EXPECT_FALSE(form_->Closed());
  EXPECT_EQ(form_->ActivePage(), C::tsIntro);
  EXPECT_TRUE(form_->Enabled(C::bNext));
}

TEST_F(JobTest, ADamagedBlockInTheReadmeStopsTheLoadingThere) {
  // A container without a password of its own opens with any password. Its
  // readme is noise, which deflate stores as it is, so the bytes can be
  // found and damaged on disk: on the third page of the file, so that the
  // stream's header on the first page stays readable.
  std::string noise;
  for (uint32_t x = 1; noise.size() < 12000;) {
    x = x * 1103515245u + 12345u;
    noise += static_cast<char>(x >> 24);
  }
  const std::string program = MakeInstaller(
      {
          {"\\JOB.INI", "Title=T\r\n"},
          {"\\License.rtf", kLicense},
          {"\\readme.rtf", "{\\rtf1 " + noise + "}"},
      },
      "", 1);
  std::string bytes = ReadAll(program);
  const size_t at = bytes.find(noise.substr(9000, 64));
  ASSERT_NE(at, std::string::npos);
  bytes[at + 10] = static_cast<char>(bytes[at + 10] ^ 0x20);
  ASSERT_TRUE(WriteAll(program, bytes));

  form_ = std::make_unique<TForm1>();
  form_->SetServices(fakes_.For(program));
  EXPECT_THROW(form_->FormShow(), EVorError);
  EXPECT_TRUE(fakes_.message_box.errors.empty());
  EXPECT_EQ(form_->GetJob().ini.Count(), 1);
  EXPECT_EQ(fakes_.re1.content, kLicense);
  EXPECT_EQ(fakes_.re2.loaded, FakeViewer::Loaded::kNothing);
  EXPECT_EQ(form_->Text(C::lTitle), "lTitle");
  EXPECT_FALSE(form_->Closed());
}

TEST_F(JobTest, RichTextFallsBackToPlainTextAndFailsWhenBothAreRefused) {
  const std::string program = MakeInstaller({
      {"\\JOB.INI", "Title=T\r\n"},
      {"\\License.rtf", "plain licence"},
      {"\\readme.rtf", kReadme},
  });
  {
    TForm1& form = Show(program);
    EXPECT_EQ(fakes_.re1.loaded, FakeViewer::Loaded::kPlain);
    EXPECT_EQ(fakes_.re1.content, "plain licence");
    EXPECT_EQ(fakes_.re1.rich_attempts, 1);
    EXPECT_EQ(fakes_.re2.loaded, FakeViewer::Loaded::kRich);
    EXPECT_EQ(form.Text(C::lTitle), "T");
    form.Close();
  }
  fakes_ = testing::FakeServices();
  fakes_.re1.refuse_plain = true;
  form_ = std::make_unique<TForm1>();
  form_->SetServices(fakes_.For(program));
  try {
    form_->FormShow();
    FAIL() << "a text refused twice was taken";
  } catch (const EInstallError& e) {
    EXPECT_EQ(e.Kind(), InstallErrorKind::kRichTextLoad);
    EXPECT_STREQ(e.what(), "Failed to Load Stream");
  }
  EXPECT_EQ(fakes_.re2.loaded, FakeViewer::Loaded::kNothing);
  EXPECT_EQ(form_->Text(C::lTitle), "lTitle");
}

}  // namespace
}  // namespace vor
