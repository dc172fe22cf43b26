// The installer window's model: start-up state, resource texts and the
// behaviour of its controls.
#include "installer/wizard/form.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "common/error.h"

namespace vor {
namespace {

using C = ControlId;

// The resource text and default check state of every control.
struct ResourceCase {
  ControlId id;
  const char* text;
  bool checked;
};

const ResourceCase kResourceCases[] = {
    {C::Form1, "VOR Installer", false},
    {C::SidePanel, "", false},
    {C::LinkImage, "", false},
    {C::PC1, "", false},
    {C::tsIntro, "Intro", false},
    {C::lTitle, "lTitle", false},
    {C::Image2, "", false},
    {C::lInstMessage, "lInstMessage", false},
    {C::tsLicense, "License", false},
    {C::lLicenseHeading, "License Agreement", false},
    {C::LicensePanel, "", false},
    {C::re1, "", false},
    {C::cbAgree, "Agree", false},
    {C::cbNoAgree, "Do not agree", false},
    {C::tsReadme, "Readme", false},
    {C::re2, "", false},
    {C::tsOptions, "Options", false},
    {C::lDestHeading, "Select destination directory", false},
    {C::eDestDir, "", false},
    {C::bBrowse, "Browse", false},
    {C::cbAllUsers, "Install for all users", true},
    {C::cbThisUser, "Install only for this user", false},
    {C::cbDesktop, "Desktop Icon", true},
    {C::cbQuick, "Quick launch  shortcut", true},
    {C::tsinstall, "Install", false},
    {C::Image1, "", false},
    {C::lInstall, "none", false},
    {C::lStatus, "Status", false},
    {C::tsComplete, "Complete", false},
    {C::lComplete, "Congratulations, installation is now complete!", false},
    {C::cbLaunch, "Lauch", true},
    {C::ButtonPanel, "", false},
    {C::bBack, "< Back", false},
    {C::bNext, "Next >", false},
    {C::bCancel, "Cancel", false},
    {C::lInstalled, "", false},
    {C::lSpace, "", false},
    {C::pbInstall, "", false},
};

TEST(InstallerForm, EveryControlStartsWithItsResourceTextAndCheckState) {
  ASSERT_EQ(std::size(kResourceCases), static_cast<size_t>(kControlCount));
  TForm1 form;
  form.FormShow();
  for (const ResourceCase& c : kResourceCases) {
    SCOPED_TRACE(Layout(c.id).name);
    EXPECT_EQ(form.Text(c.id), c.text);
    EXPECT_EQ(form.Checked(c.id), c.checked);
    EXPECT_TRUE(form.Enabled(c.id));
    // The line naming an installed copy shows only when there is one.
    EXPECT_EQ(form.State(c.id).visible, c.id != C::lInstalled);
  }
}

TEST(InstallerForm, FormShowSelectsIntroAndEnablesNextWhateverCameBefore) {
  TForm1 form;
  form.SetActivePage(C::tsOptions);
  form.SetEnabled(C::bNext, false);
  form.FormShow();
  EXPECT_EQ(form.ActivePage(), C::tsIntro);
  EXPECT_TRUE(form.Enabled(C::bNext));
  EXPECT_FALSE(form.Closed());
}

TEST(InstallerForm, CloseEmptiesTheJob) {
  TForm1 form;
  EXPECT_EQ(form.GetJob().ini.Count(), 0);
  form.GetJob().ini.Add("Title=Editor");
  form.GetJob().menu.Add("Path=Tools");
  form.Close();
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(form.GetJob().ini.Count(), 0);
  EXPECT_EQ(form.GetJob().menu.Count(), 0);
  EXPECT_EQ(form.JobContainer(), nullptr);
  form.Close();  // a second close changes nothing
  EXPECT_TRUE(form.Closed());
}

TEST(InstallerForm, CancelClosesTheWindowFromAnyPage) {
  for (ControlId page : FormPages()) {
    SCOPED_TRACE(Layout(page).name);
    TForm1 form;
    form.FormShow();
    form.SetActivePage(page);
    form.Click(C::bCancel);
    EXPECT_TRUE(form.Closed());
  }
}

TEST(InstallerForm, DisabledControlsIgnoreClicks) {
  TForm1 form;
  form.FormShow();
  form.SetEnabled(C::bCancel, false);
  form.SetEnabled(C::cbDesktop, false);
  form.SetEnabled(C::cbThisUser, false);
  form.Click(C::bCancel);
  form.Click(C::cbDesktop);
  form.Click(C::cbThisUser);
  EXPECT_FALSE(form.Closed());
  EXPECT_TRUE(form.Checked(C::cbDesktop));
  EXPECT_FALSE(form.Checked(C::cbThisUser));
  EXPECT_TRUE(form.Checked(C::cbAllUsers));
}

TEST(InstallerForm, CloseRequestCountsAsCancelOnlyWhileCancelIsEnabled) {
  struct Case {
    bool cancel_enabled;
    bool closes;
  };
  for (const Case c : {Case{true, true}, Case{false, false}}) {
    TForm1 form;
    form.FormShow();
    form.SetEnabled(C::bCancel, c.cancel_enabled);
    form.CloseRequest();
    EXPECT_EQ(form.Closed(), c.closes) << "Cancel enabled: " << c.cancel_enabled;
  }
}

TEST(InstallerForm, TabClicksNeverChangeThePage) {
  TForm1 form;
  form.FormShow();
  for (ControlId page : FormPages()) {
    SCOPED_TRACE(Layout(page).name);
    EXPECT_FALSE(form.PC1Changing());
    EXPECT_FALSE(form.RequestPageChange(page));
    EXPECT_EQ(form.ActivePage(), C::tsIntro);
  }
}

TEST(InstallerForm, RadioButtonsFormOneGroupPerPage) {
  TForm1 form;
  form.FormShow();
  form.Click(C::cbThisUser);
  EXPECT_TRUE(form.Checked(C::cbThisUser));
  EXPECT_FALSE(form.Checked(C::cbAllUsers));
  EXPECT_FALSE(form.Checked(C::cbAgree));
  EXPECT_FALSE(form.Checked(C::cbNoAgree));

  form.Click(C::cbNoAgree);
  form.Click(C::cbAgree);
  EXPECT_TRUE(form.Checked(C::cbAgree));
  EXPECT_FALSE(form.Checked(C::cbNoAgree));
  // The options group keeps its own selection.
  EXPECT_TRUE(form.Checked(C::cbThisUser));
  EXPECT_FALSE(form.Checked(C::cbAllUsers));

  form.Click(C::cbAgree);  // selecting the selected one keeps it selected
  EXPECT_TRUE(form.Checked(C::cbAgree));
}

TEST(InstallerForm, CheckBoxesToggleIndependently) {
  TForm1 form;
  form.FormShow();
  form.Click(C::cbQuick);
  EXPECT_FALSE(form.Checked(C::cbQuick));
  EXPECT_TRUE(form.Checked(C::cbDesktop));
  form.Click(C::cbQuick);
  EXPECT_TRUE(form.Checked(C::cbQuick));
  form.Click(C::cbLaunch);
  EXPECT_FALSE(form.Checked(C::cbLaunch));
}

TEST(InstallerForm, SetActivePageRefusesControlsThatAreNotPages) {
  TForm1 form;
  EXPECT_THROW(form.SetActivePage(C::bNext), EVorError);
  EXPECT_EQ(form.ActivePage(), C::tsIntro);
}

}  // namespace
}  // namespace vor
