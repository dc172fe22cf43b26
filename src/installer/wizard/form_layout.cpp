// The installer window's form resource.
#include "installer/wizard/form_layout.h"

namespace vor {

namespace {

using K = ControlKind;
using C = ControlId;

constexpr FontStyle kDefaultFont{};
constexpr FontStyle kTitleFont{27, true, 0x0000FF};
constexpr FontStyle kMessageFont{16, false, kDefaultColor};
constexpr FontStyle kHeadingFont{16, true, kDefaultColor};
constexpr FontStyle kSmallHeadingFont{13, false, kDefaultColor};

std::vector<ControlLayout> BuildControls() {
  // clang-format off
  return {
    // id             name               kind             parent          left  top  width height text  checked  font  options  hint
    {C::Form1,        "Form1",           K::kForm,        C::Form1,         0,   0, 603, 335, kFormCaption, false, kDefaultFont, 0, ""},
    {C::SidePanel,    "SidePanel",       K::kPanel,       C::Form1,         0,   0, 113, 295, "", false, kDefaultFont, 0, ""},
    {C::LinkImage,    "LinkImage",       K::kImage,       C::SidePanel,     0,   0, 113, 295, "", false, kDefaultFont,
     kOptFillParent | kOptStretch | kOptHandCursor, "Visit the VOR web site"},
    {C::PC1,          "PC1",             K::kPageControl, C::Form1,       113,   0, 490, 295, "", false, kDefaultFont, 0, ""},

    {C::tsIntro,      "tsIntro",         K::kPage,        C::PC1,           0,   0,   0,   0, "Intro", false, kDefaultFont, kOptFillParent, ""},
    {C::lTitle,       "lTitle",          K::kLabel,       C::tsIntro,       8,   8, 433,  33, "lTitle", false, kTitleFont, kOptCentered, ""},
    {C::Image2,       "Image2",          K::kImage,       C::tsIntro,       8,  48,  57,  57, "", false, kDefaultFont, 0, ""},
    {C::lInstMessage, "lInstMessage",    K::kLabel,       C::tsIntro,      32, 120, 385, 129, "lInstMessage", false, kMessageFont, kOptWordWrap, ""},

    {C::tsLicense,    "tsLicense",       K::kPage,        C::PC1,           0,   0,   0,   0, "License", false, kDefaultFont, kOptFillParent, ""},
    {C::lLicenseHeading, "lLicenseHeading", K::kLabel,    C::tsLicense,   152,  16,   0,   0, "License Agreement", false, kHeadingFont, 0, ""},
    {C::LicensePanel, "LicensePanel",    K::kPanel,       C::tsLicense,     8,  40, 473, 169, "", false, kDefaultFont, 0, ""},
    {C::re1,          "re1",             K::kRichEdit,    C::LicensePanel,  0,   0,   0,   0, "", false, kDefaultFont,
     kOptFillParent | kOptVerticalScroll | kOptReadOnly, ""},
    {C::cbAgree,      "cbAgree",         K::kRadioButton, C::tsLicense,    24, 216, 150,  25, "Agree", false, kDefaultFont, 0, ""},
    {C::cbNoAgree,    "cbNoAgree",       K::kRadioButton, C::tsLicense,    24, 240, 105,  25, "Do not agree", false, kDefaultFont, 0, ""},

    {C::tsReadme,     "tsReadme",        K::kPage,        C::PC1,           0,   0,   0,   0, "Readme", false, kDefaultFont, kOptFillParent, ""},
    {C::re2,          "re2",             K::kRichEdit,    C::tsReadme,      0,   0,   0,   0, "", false, kDefaultFont,
     kOptFillParent | kOptVerticalScroll | kOptReadOnly, ""},

    {C::tsOptions,    "tsOptions",       K::kPage,        C::PC1,           0,   0,   0,   0, "Options", false, kDefaultFont, kOptFillParent, ""},
    {C::lDestHeading, "lDestHeading",    K::kLabel,       C::tsOptions,    16,  24,   0,   0, "Select destination directory", false, kSmallHeadingFont, 0, ""},
    {C::eDestDir,     "eDestDir",        K::kEdit,        C::tsOptions,    16,  40, 433,  20, "", false, kDefaultFont, 0, ""},
    {C::bBrowse,      "bBrowse",         K::kButton,      C::tsOptions,   376,  80,  75,  25, "Browse", false, kDefaultFont, 0, ""},
    {C::cbAllUsers,   "cbAllUsers",      K::kRadioButton, C::tsOptions,    32, 112, 150,  25, "Install for all users", true, kDefaultFont, 0, ""},
    {C::cbThisUser,   "cbThisUser",      K::kRadioButton, C::tsOptions,    32, 136, 150,  25, "Install only for this user", false, kDefaultFont, 0, ""},
    {C::cbDesktop,    "cbDesktop",       K::kCheckBox,    C::tsOptions,    32, 176, 150,  25, "Desktop Icon", true, kDefaultFont, 0, ""},
    {C::cbQuick,      "cbQuick",         K::kCheckBox,    C::tsOptions,    32, 208, 145,  25, "Quick launch  shortcut", true, kDefaultFont, 0, ""},

    {C::tsinstall,    "tsinstall",       K::kPage,        C::PC1,           0,   0,   0,   0, "Install", false, kDefaultFont, kOptFillParent, ""},
    {C::Image1,       "Image1",          K::kImage,       C::tsinstall,     8,   8,  97,  73, "", false, kDefaultFont, 0, ""},
    {C::lInstall,     "lInstall",        K::kLabel,       C::tsinstall,    16,  96, 457, 124, "none", false, kMessageFont, kOptWordWrap, ""},
    {C::lStatus,      "lStatus",         K::kLabel,       C::tsinstall,     8, 248,   0,   0, "Status", false, kDefaultFont, 0, ""},

    {C::tsComplete,   "tsComplete",      K::kPage,        C::PC1,           0,   0,   0,   0, "Complete", false, kDefaultFont, kOptFillParent, ""},
    {C::lComplete,    "lComplete",       K::kLabel,       C::tsComplete,   80,  56,   0,   0, "Congratulations, installation is now complete!", false, kMessageFont, 0, ""},
    {C::cbLaunch,     "cbLaunch",        K::kCheckBox,    C::tsComplete,  152, 104, 169,  25, "Lauch", true, kDefaultFont, 0, ""},

    {C::ButtonPanel,  "ButtonPanel",     K::kPanel,       C::Form1,         0, 295, 603,  40, "", false, kDefaultFont, 0, ""},
    {C::bBack,        "bBack",           K::kButton,      C::ButtonPanel, 336,   8,  75,  25, "< Back", false, kDefaultFont, 0, ""},
    {C::bNext,        "bNext",           K::kButton,      C::ButtonPanel, 424,   8,  75,  25, "Next >", false, kDefaultFont, kOptDefaultButton, ""},
    {C::bCancel,      "bCancel",         K::kButton,      C::ButtonPanel, 512,   8,  75,  25, "Cancel", false, kDefaultFont, kOptCancelGlyph, ""},

    // Added to the form after the buttons, so that the ids above keep their
    // values: where the application is installed already, the space line of
    // the Options page and the copy's progress bar on the Install page.
    {C::lInstalled,   "lInstalled",      K::kLabel,       C::tsOptions,    16, 244, 457,  16, "", false, kDefaultFont, 0, ""},
    {C::lSpace,       "lSpace",          K::kLabel,       C::tsOptions,    16,  84, 350,  17, "", false, kDefaultFont, 0, ""},
    // The bar lies between the Install page's text (shortened to make room
    // for it) and the status line.
    {C::pbInstall,    "pbInstall",       K::kProgressBar, C::tsinstall,     8, 224, 465,  18, "", false, kDefaultFont, 0, ""},
  };
  // clang-format on
}

}  // namespace

const std::vector<ControlLayout>& FormControls() {
  static const std::vector<ControlLayout> controls = BuildControls();
  return controls;
}

const ControlLayout& Layout(ControlId id) { return FormControls()[Index(id)]; }

const std::vector<ControlId>& FormPages() {
  static const std::vector<ControlId> pages = {C::tsIntro,   C::tsLicense, C::tsReadme,
                                               C::tsOptions, C::tsinstall, C::tsComplete};
  return pages;
}

std::string CaptionWithAccessKey(ControlId id, const std::string& text) {
  // The access keys, by control and caption: Next becomes Finish on the
  // last page, with a key of its own.
  struct AccessKey {
    ControlId id;
    const char* caption;
    size_t key;  // the position of the key's letter in the caption
  };
  static const AccessKey kKeys[] = {
      {C::bNext, "Next >", 0},   {C::bNext, "Finish", 0},  {C::bBack, "< Back", 2},
      {C::bCancel, "Cancel", 0}, {C::cbAgree, "Agree", 0}, {C::cbNoAgree, "Do not agree", 0},
      {C::bBrowse, "Browse", 1},
  };
  const ControlKind kind = Layout(id).kind;
  if (kind != K::kButton && kind != K::kRadioButton && kind != K::kCheckBox) return text;
  std::string shown;
  for (char c : text) {
    shown += c;
    if (c == '&') shown += '&';
  }
  for (const AccessKey& key : kKeys) {
    if (key.id == id && text == key.caption) shown.insert(key.key, "&");
  }
  return shown;
}

}  // namespace vor
