// The form resource table: indexing, nesting and the fit of every control.
#include "installer/wizard/form_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vor {
namespace {

bool IsContainer(ControlKind kind) {
  return kind == ControlKind::kForm || kind == ControlKind::kPanel ||
         kind == ControlKind::kPageControl || kind == ControlKind::kPage;
}

TEST(InstallerFormLayout, TableIsIndexedByIdAndParentsComeFirst) {
  const auto& controls = FormControls();
  ASSERT_EQ(controls.size(), static_cast<size_t>(kControlCount));
  for (int i = 0; i < kControlCount; ++i) {
    const ControlLayout& layout = controls[i];
    SCOPED_TRACE(layout.name);
    EXPECT_EQ(Index(layout.id), i);
    if (layout.id == ControlId::Form1) continue;
    EXPECT_LT(Index(layout.parent), i);
    EXPECT_TRUE(IsContainer(Layout(layout.parent).kind));
    // Pages belong to the page control and nothing else does.
    EXPECT_EQ(layout.kind == ControlKind::kPage, layout.parent == ControlId::PC1);
  }
}

TEST(InstallerFormLayout, PagesAreTheSixInWizardOrder) {
  std::vector<std::string> names;
  for (ControlId page : FormPages()) names.push_back(Layout(page).name);
  EXPECT_EQ(names, (std::vector<std::string>{"tsIntro", "tsLicense", "tsReadme", "tsOptions",
                                             "tsinstall", "tsComplete"}));
}

// Every sized control lies inside its parent. A page's client area is the
// page control less its tab row and border: at most 482 x 267 pixels.
TEST(InstallerFormLayout, EveryControlFitsInsideItsParent) {
  for (const ControlLayout& layout : FormControls()) {
    if (layout.id == ControlId::Form1 || (layout.options & kOptFillParent) != 0) continue;
    SCOPED_TRACE(layout.name);
    const ControlLayout& parent = Layout(layout.parent);
    int width = parent.width;
    int height = parent.height;
    if (parent.kind == ControlKind::kPage) {
      width = 482;
      height = 267;
    }
    EXPECT_GE(layout.left, 0);
    EXPECT_GE(layout.top, 0);
    EXPECT_LE(layout.left + layout.width, width);
    EXPECT_LE(layout.top + layout.height, height);
  }
}

// Controls of one parent do not overlap: a sibling above another in the
// window's order would hide the part they share (a progress bar under a
// label's empty lower half shows only the strip beside it).
TEST(InstallerFormLayout, SiblingsDoNotOverlap) {
  const auto& controls = FormControls();
  for (const ControlLayout& a : controls) {
    for (const ControlLayout& b : controls) {
      if (Index(a.id) >= Index(b.id) || a.parent != b.parent || a.id == ControlId::Form1) continue;
      if (a.width == 0 || b.width == 0 || ((a.options | b.options) & kOptFillParent) != 0) continue;
      SCOPED_TRACE(std::string(a.name) + " and " + b.name);
      // The form's stacked radio buttons share one pixel row; that hides
      // nothing of their captions.
      const bool apart = a.left + a.width <= b.left + 1 || b.left + b.width <= a.left + 1 ||
                         a.top + a.height <= b.top + 1 || b.top + b.height <= a.top + 1;
      EXPECT_TRUE(apart);
    }
  }
}

// The window marks the access keys in the captions; a caption that is not a
// button's, or an "&" of the job's own text, is shown as it is.
TEST(InstallerFormLayout, CaptionsCarryTheirAccessKeys) {
  struct Case {
    ControlId id;
    const char* text;
    const char* shown;
  };
  const Case cases[] = {
      {ControlId::bNext, "Next >", "&Next >"},
      {ControlId::bNext, "Finish", "&Finish"},
      {ControlId::bBack, "< Back", "< &Back"},
      {ControlId::bCancel, "Cancel", "&Cancel"},
      {ControlId::cbAgree, "Agree", "&Agree"},
      {ControlId::cbNoAgree, "Do not agree", "&Do not agree"},
      {ControlId::bBrowse, "Browse", "B&rowse"},
      {ControlId::cbLaunch, "Launch R&D Tools", "Launch R&&D Tools"},
      {ControlId::cbDesktop, "Desktop Icon", "Desktop Icon"},
      {ControlId::lTitle, "R&D Tools", "R&D Tools"},
  };
  for (const Case& c : cases) EXPECT_EQ(CaptionWithAccessKey(c.id, c.text), c.shown) << c.text;
}

TEST(InstallerFormLayout, WindowRegionsTileTheClientArea) {
  const ControlLayout& side = Layout(ControlId::SidePanel);
  const ControlLayout& pages = Layout(ControlId::PC1);
  const ControlLayout& buttons = Layout(ControlId::ButtonPanel);
  EXPECT_EQ(side.left + side.width, pages.left);
  EXPECT_EQ(pages.left + pages.width, kFormClientWidth);
  EXPECT_EQ(side.height, pages.height);
  EXPECT_EQ(buttons.top, pages.height);
  EXPECT_EQ(buttons.top + buttons.height, kFormClientHeight);
  EXPECT_EQ(buttons.width, kFormClientWidth);
}

}  // namespace
}  // namespace vor
