// The wizard: page-entry rules, Next and Back, the licence gate, the
// all-users test, Browse, Finish and the side picture's link.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/fake_services.h"
#include "installer/wizard/form.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

using C = ControlId;

class WizardTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    Reset();
  }

  // A fresh window on the Intro page with fresh fakes: a writable all-users
  // folder unless a test says otherwise, and no container, so the loading
  // only reports that.
  void Reset() {
    fakes_ = testing::FakeServices();
    fakes_.shell.common_programs = dir_;
    form_ = std::make_unique<TForm1>();
    form_->SetServices(fakes_.For(Path("no-container.exe")));
    form_->FormShow();
    fakes_.message_box.errors.clear();
    // An installation run started here writes its log into the test's folder.
    form_->SetText(C::eDestDir, dir_);
  }

  // Walks from Intro to page by Next, agreeing to the licence on the way.
  void WalkTo(ControlId page) {
    while (form_->ActivePage() != page) {
      if (form_->ActivePage() == C::tsLicense) form_->Click(C::cbAgree);
      const ControlId before = form_->ActivePage();
      form_->Click(C::bNext);
      ASSERT_NE(form_->ActivePage(), before) << "Next did not move on";
    }
  }

  testing::FakeServices fakes_;
  std::unique_ptr<TForm1> form_;
};

TEST_F(WizardTest, NextAndBackFollowThePageOrder) {
  struct Case {
    ControlId page;
    ControlId after_next;  // with the licence agreed
    ControlId after_back;
  };
  const Case cases[] = {
      {C::tsIntro, C::tsLicense, C::tsIntro},
      {C::tsLicense, C::tsReadme, C::tsIntro},
      {C::tsReadme, C::tsOptions, C::tsLicense},
      {C::tsOptions, C::tsinstall, C::tsReadme},
      // Next there runs the installation, which without a container fails
      // to copy and stays.
      {C::tsinstall, C::tsinstall, C::tsOptions},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Layout(c.page).name);
    Reset();
    WalkTo(c.page);
    if (c.page == C::tsLicense) form_->Click(C::cbAgree);
    form_->Click(C::bNext);
    EXPECT_EQ(form_->ActivePage(), c.after_next);
    Reset();
    WalkTo(c.page);
    form_->Click(C::bBack);
    EXPECT_EQ(form_->ActivePage(), c.after_back);
    EXPECT_FALSE(form_->Closed());
  }
}

// Next on Options goes on only with a full folder path: an empty or relative
// one would install beside the current folder and put the log at the root.
TEST_F(WizardTest, OptionsNeedsAFullDestinationPath) {
  struct Case {
    std::string destination;
    bool accepted;
  };
  const Case cases[] = {{"", false}, {"Program Files", false}, {"App\\Sub", false}, {dir_, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.destination);
    Reset();
    WalkTo(C::tsOptions);
    form_->SetText(C::eDestDir, c.destination);
    form_->Click(C::bNext);
    if (c.accepted) {
      EXPECT_EQ(form_->ActivePage(), C::tsinstall);
      EXPECT_TRUE(fakes_.message_box.errors.empty());
    } else {
      EXPECT_EQ(form_->ActivePage(), C::tsOptions);
      EXPECT_EQ(fakes_.message_box.errors, std::vector<std::string>{kDestinationMessage});
      EXPECT_TRUE(form_->Enabled(C::bNext));
    }
  }
}

// Options shows what the files need and what the destination's drive has
// free, and follows the destination as it is typed.
TEST_F(WizardTest, TheSpaceLineFollowsTheDestination) {
  std::vector<std::string> asked;
  fakes_.free_bytes = [&asked](const std::string& folder) -> int64_t {
    asked.push_back(folder);
    return folder.find("full") != std::string::npos ? 2048 : int64_t{37} << 30;
  };
  form_->SetServices(fakes_.For(Path("no-container.exe")));
  WalkTo(C::tsOptions);
  EXPECT_EQ(form_->Text(C::lSpace), "Space required: 0 bytes    Space available: 37.0 GB");
  form_->SetText(C::eDestDir, Path("full"));
  EXPECT_EQ(form_->Text(C::lSpace), "Space required: 0 bytes    Space available: 2.0 KB");
  EXPECT_EQ(asked, (std::vector<std::string>{dir_, Path("full")}));
}

// A destination that cannot take the installation keeps the wizard on
// Options with a message naming the folder and the reason.
TEST_F(WizardTest, OptionsRefusesADestinationThatCannotTakeTheFiles) {
  ASSERT_TRUE(WriteAll(Path("plain"), "x"));
  struct Case {
    const char* what;
    std::string folder;
    int64_t free;
    std::string reason;
  };
  const Case cases[] = {
      {"below a file", Path("plain") + platform::PathDelimiter() + "App", 1 << 30,
       "The folder cannot be created: " + Path("plain") + " is a file."},
      {"no room", dir_, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    fakes_.free_bytes = [&c](const std::string&) { return c.free; };
    form_->SetServices(fakes_.For(Path("no-container.exe")));
    WalkTo(C::tsOptions);
    form_->SetText(C::eDestDir, c.folder);
    form_->Click(C::bNext);
    if (c.reason.empty()) {
      // Without a container nothing is needed: an empty drive will do.
      EXPECT_EQ(form_->ActivePage(), C::tsinstall);
      EXPECT_TRUE(fakes_.message_box.errors.empty());
      continue;
    }
    EXPECT_EQ(form_->ActivePage(), C::tsOptions);
    EXPECT_EQ(fakes_.message_box.errors,
              std::vector<std::string>{"Cannot install into \"" + c.folder + "\".\r" + c.reason});
    EXPECT_TRUE(form_->Enabled(C::bNext));
  }
}

TEST_F(WizardTest, TheLicenceGate) {
  form_->Click(C::bNext);
  ASSERT_EQ(form_->ActivePage(), C::tsLicense);
  EXPECT_FALSE(form_->Enabled(C::bNext));
  EXPECT_FALSE(form_->Checked(C::cbAgree));
  EXPECT_FALSE(form_->Checked(C::cbNoAgree));
  form_->Click(C::bNext);  // disabled: nothing happens
  EXPECT_EQ(form_->ActivePage(), C::tsLicense);

  form_->Click(C::cbAgree);
  EXPECT_TRUE(form_->Enabled(C::bNext));
  form_->Click(C::cbNoAgree);
  EXPECT_FALSE(form_->Enabled(C::bNext));
  EXPECT_FALSE(form_->Checked(C::cbAgree));
  form_->Click(C::cbAgree);
  form_->Click(C::bNext);
  ASSERT_EQ(form_->ActivePage(), C::tsReadme);

  // Coming back to the licence asks again.
  form_->Click(C::bBack);
  EXPECT_EQ(form_->ActivePage(), C::tsLicense);
  EXPECT_FALSE(form_->Checked(C::cbAgree));
  EXPECT_FALSE(form_->Checked(C::cbNoAgree));
  EXPECT_FALSE(form_->Enabled(C::bNext));
  // And so does the way from Intro after Back.
  form_->Click(C::cbAgree);
  form_->Click(C::bBack);
  form_->Click(C::bNext);
  EXPECT_FALSE(form_->Checked(C::cbAgree));
  EXPECT_FALSE(form_->Enabled(C::bNext));
}

TEST_F(WizardTest, BackOnIntroOnlyReappliesItsRules) {
  form_->SetEnabled(C::bNext, false);
  form_->Click(C::bBack);
  EXPECT_EQ(form_->ActivePage(), C::tsIntro);
  EXPECT_TRUE(form_->Enabled(C::bNext));
}

TEST_F(WizardTest, TabsNeverChangeThePageWhereverTheWizardIs) {
  for (ControlId at : {C::tsLicense, C::tsOptions}) {
    Reset();
    WalkTo(at);
    for (ControlId page : FormPages()) {
      EXPECT_FALSE(form_->RequestPageChange(page));
      EXPECT_EQ(form_->ActivePage(), at);
    }
  }
}

TEST_F(WizardTest, TheInstallPageNamesTheApplicationAndTheFolder) {
  form_->GetJob().app_name = "Editor";
  const std::string first = Path("Apps");
  form_->SetText(C::eDestDir, first);
  WalkTo(C::tsinstall);
  EXPECT_EQ(form_->Text(C::lInstall), "Editor in now ready to be installed into \r\r" + first +
                                          "\r\rTo continue, click the Next button.");
  // The text follows a folder changed on the way back.
  form_->Click(C::bBack);
  const std::string second = Path("Other");
  form_->SetText(C::eDestDir, second);
  form_->Click(C::bNext);
  EXPECT_EQ(form_->Text(C::lInstall), "Editor in now ready to be installed into \r\r" + second +
                                          "\r\rTo continue, click the Next button.");
}

TEST_F(WizardTest, TheCompletePageOffersOnlyFinish) {
  form_->SetActivePage(C::tsComplete);
  form_->PC1Change();
  EXPECT_EQ(form_->Text(C::bNext), "Finish");
  EXPECT_TRUE(form_->Enabled(C::bNext));
  EXPECT_FALSE(form_->Enabled(C::bBack));
  EXPECT_FALSE(form_->Enabled(C::bCancel));
  form_->Click(C::bBack);
  form_->Click(C::bCancel);
  form_->CloseRequest();
  EXPECT_EQ(form_->ActivePage(), C::tsComplete);
  EXPECT_FALSE(form_->Closed());
}

TEST_F(WizardTest, FinishLaunchesTheProgramWhenAskedAndCloses) {
  const std::string d(1, platform::PathDelimiter());
  struct Case {
    const char* folder;
    bool launch;
    std::string launched;
  };
  const Case cases[] = {
      {"apps", true, "apps" + d + "editor.exe"},
      {"apps\\", true, "\\" == d ? "apps\\editor.exe" : "apps\\" + d + "editor.exe"},
      {"apps", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    Reset();
    form_->GetJob().exe_name = "editor.exe";
    form_->SetText(C::eDestDir, c.folder);
    form_->SetActivePage(C::tsComplete);
    form_->PC1Change();
    if (!c.launch) form_->Click(C::cbLaunch);
    form_->Click(C::bNext);
    if (c.launch) {
      ASSERT_EQ(fakes_.shell.launched.size(), 1u);
      EXPECT_EQ(fakes_.shell.launched[0].first, c.launched);
      EXPECT_EQ(fakes_.shell.launched[0].second, "");
    } else {
      EXPECT_TRUE(fakes_.shell.launched.empty());
    }
    EXPECT_EQ(fakes_.message_pump.calls, 1);
    EXPECT_TRUE(form_->Closed());
  }
}

TEST_F(WizardTest, TheAllUsersTestKeepsTheChoiceWhenTheFolderIsWritable) {
  WalkTo(C::tsOptions);
  EXPECT_TRUE(form_->Checked(C::cbAllUsers));
  EXPECT_EQ(fakes_.re2.saves, 1);
  // The probe is gone again.
  EXPECT_FALSE(platform::FileExists(Path("test.dat")));

  // An earlier choice of this user stays too.
  form_->Click(C::cbThisUser);
  form_->Click(C::bBack);
  form_->Click(C::bNext);
  EXPECT_EQ(fakes_.re2.saves, 2);
  EXPECT_TRUE(form_->Checked(C::cbThisUser));
  EXPECT_FALSE(form_->Checked(C::cbAllUsers));
  form_->Click(C::cbAllUsers);
  EXPECT_EQ(fakes_.re2.saves, 3);
  EXPECT_TRUE(form_->Checked(C::cbAllUsers));
}

TEST_F(WizardTest, TheAllUsersTestFallsBackToThisUserSilently) {
  // An all-users folder the user cannot write to: here a path below a
  // plain file, which no user (not even an administrator) can create in.
  ASSERT_TRUE(WriteAll(Path("plain"), "x"));
  struct Case {
    const char* what;
    std::string folder;
    bool save_fails;
  };
  const Case cases[] = {
      {"folder not writable", Path("plain"), false},
      {"folder missing", Path("missing"), false},
      {"readme cannot be written as rich text", dir_, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    fakes_.shell.common_programs = c.folder;
    fakes_.re2.fail_save = c.save_fails;
    WalkTo(C::tsOptions);
    EXPECT_TRUE(form_->Checked(C::cbThisUser));
    EXPECT_FALSE(form_->Checked(C::cbAllUsers));
    // Choosing all users again runs the test again, with the same outcome.
    form_->Click(C::cbAllUsers);
    EXPECT_TRUE(form_->Checked(C::cbThisUser));
    EXPECT_FALSE(form_->Checked(C::cbAllUsers));
    EXPECT_TRUE(fakes_.message_box.errors.empty());
  }
}

TEST_F(WizardTest, BrowseSetsTheFolderOnlyWhenOneIsChosen) {
  WalkTo(C::tsOptions);
  form_->SetText(C::eDestDir, "C:\\Apps\\Editor");
  form_->Click(C::bBrowse);
  EXPECT_EQ(form_->Text(C::eDestDir), "C:\\Apps\\Editor");
  fakes_.folder_dialog.confirm = true;
  fakes_.folder_dialog.chosen = "D:\\Tools";
  form_->Click(C::bBrowse);
  EXPECT_EQ(form_->Text(C::eDestDir), "D:\\Tools");
  ASSERT_EQ(fakes_.folder_dialog.titles.size(), 2u);
  EXPECT_EQ(fakes_.folder_dialog.titles[0], "Select folder");
}

TEST_F(WizardTest, TheSidePictureOpensTheWebSite) {
  EXPECT_EQ(std::string(Layout(C::LinkImage).hint), "Visit the VOR web site");
  form_->Click(C::LinkImage);
  ASSERT_EQ(fakes_.shell.launched.size(), 1u);
  EXPECT_EQ(fakes_.shell.launched[0].first, kWebSiteAddress);
  EXPECT_EQ(form_->ActivePage(), C::tsIntro);
}

}  // namespace
}  // namespace vor
