// The installer window's form resource: every control with its kind, parent,
// position, size, font, texts and defaults.
//
// The model (form.h) builds its control states from this table and the Win32
// view creates its windows from it, so both agree on one layout. Positions are
// client coordinates of the parent; a page's controls are placed inside the
// page's client area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vor {

// Every control of the window, named as the form names them. Form1 stands for
// the window itself (its text is the caption); the six pages are controls of
// the page control PC1.
enum class ControlId {
  Form1,
  SidePanel,
  LinkImage,
  PC1,
  tsIntro,
  lTitle,
  Image2,
  lInstMessage,
  tsLicense,
  lLicenseHeading,
  LicensePanel,
  re1,
  cbAgree,
  cbNoAgree,
  tsReadme,
  re2,
  tsOptions,
  lDestHeading,
  eDestDir,
  bBrowse,
  cbAllUsers,
  cbThisUser,
  cbDesktop,
  cbQuick,
  tsinstall,
  Image1,
  lInstall,
  lStatus,
  tsComplete,
  lComplete,
  cbLaunch,
  ButtonPanel,
  bBack,
  bNext,
  bCancel,
  // Added after the form's own controls: where the application is installed
  // already (Options), the space line of the Options page and the copy's
  // progress bar on the Install page.
  lInstalled,
  lSpace,
  pbInstall,
};

constexpr int kControlCount = static_cast<int>(ControlId::pbInstall) + 1;

inline int Index(ControlId id) { return static_cast<int>(id); }

enum class ControlKind {
  kForm,
  kPanel,
  kImage,
  kPageControl,
  kPage,
  kLabel,
  kButton,
  kRadioButton,
  kCheckBox,
  kEdit,
  kRichEdit,
  kProgressBar,
};

// The largest position of a progress bar (its start is 0).
constexpr int kProgressMax = 100;

// Option bits of a control.
enum ControlOption : uint32_t {
  kOptCentered = 1u << 0,        // label text centred
  kOptWordWrap = 1u << 1,        // label text wrapped at the control's width
  kOptFillParent = 1u << 2,      // fills the parent's client area (bounds ignored)
  kOptVerticalScroll = 1u << 3,  // rich-text viewer with a vertical scroll bar
  kOptReadOnly = 1u << 4,        // rich-text viewer the user cannot edit
  kOptDefaultButton = 1u << 5,   // pressed by Enter
  kOptHandCursor = 1u << 6,      // hand cursor over the control
  kOptCancelGlyph = 1u << 7,     // small picture beside the button's caption
  kOptStretch = 1u << 8,         // picture stretched to the control
};

constexpr uint32_t kDefaultColor = 0xFFFFFFFFu;

struct FontStyle {
  int height = 0;  // character height in pixels; 0 is the form's default font
  bool bold = false;
  uint32_t color = kDefaultColor;  // 0xRRGGBB
};

struct ControlLayout {
  ControlId id;
  const char* name;
  ControlKind kind;
  ControlId parent;  // Form1 for the window's own client area
  int left;
  int top;
  int width;  // width and height 0: sized to the text (labels)
  int height;
  const char* text;  // the resource text; for a page its tab caption
  bool checked;
  FontStyle font;
  uint32_t options;
  const char* hint;  // "" when none
};

// The window: client size, caption and default font.
constexpr int kFormClientWidth = 603;
constexpr int kFormClientHeight = 335;
constexpr const char* kFormCaption = "VOR Installer";
constexpr int kFormFontPoints = 8;
constexpr const char* kFormFontFace = "MS Sans Serif";

// All controls in creation order (parents before children; within a parent,
// the order is the tab order). Indexed by ControlId.
const std::vector<ControlLayout>& FormControls();
const ControlLayout& Layout(ControlId id);

// The six pages in their order on the page control.
const std::vector<ControlId>& FormPages();

// A button's caption as the window shows it: its access key marked with "&"
// (Alt and that letter press it, the letter is shown underlined), every
// other "&" doubled so that it shows as itself. Texts of other controls
// come back unchanged.
std::string CaptionWithAccessKey(ControlId id, const std::string& text);

}  // namespace vor
