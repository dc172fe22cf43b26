// The Win32 view of the installer window.
#include "form_window.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <exception>
#include <string>

#include "common/error.h"
#include "error_report.h"
#include "platform/library_search.h"
#include "platform/picture.h"
#include "platform/shell.h"
#include "resource_ids.h"
#include "viewer_keys.h"

namespace vor::win32 {

namespace {

constexpr const char* kFormClass = "VorInstallerForm";
constexpr const char* kPanelClass = "VorInstallerPanel";
constexpr const char* kImageClass = "VorInstallerImage";
constexpr const char* kRichEditLibrary = "riched20.dll";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

constexpr int kIdBase = VOR_CONTROL_ID_BASE;

int IdOf(ControlId id) { return kIdBase + Index(id); }

bool ControlOf(int window_id, ControlId* id) {
  const int index = window_id - kIdBase;
  if (index < 0 || index >= kControlCount) return false;
  *id = static_cast<ControlId>(index);
  return true;
}

bool SameFont(const FontStyle& a, const FontStyle& b) {
  return a.height == b.height && a.bold == b.bold && a.color == b.color;
}

bool IsButtonKind(ControlKind kind) {
  return kind == ControlKind::kButton || kind == ControlKind::kRadioButton ||
         kind == ControlKind::kCheckBox;
}

int PageIndex(ControlId page) {
  const auto& pages = FormPages();
  for (size_t i = 0; i < pages.size(); ++i) {
    if (pages[i] == page) return static_cast<int>(i);
  }
  return -1;
}

FormWindow* FromHwnd(HWND hwnd) {
  return reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// Stores the FormWindow passed as creation parameter in the window's user
// data when the window is created.
void AttachOnCreate(HWND hwnd, UINT msg, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
}

void ReportUnknownException(HWND owner) { ShowDefaultErrorReport(owner, "Unknown exception"); }

// Checks or clears a radio button or check box. A radio button drops its
// tab stop when it is cleared (so that Tab meets only the chosen one of a
// group); here every one keeps it, so that Tab reaches each of them, also
// while none is chosen.
void ShowChecked(HWND button, bool checked) {
  SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
  if ((style & WS_TABSTOP) == 0) SetWindowLongPtrA(button, GWL_STYLE, style | WS_TABSTOP);
}

}  // namespace

// --- Construction ---------------------------------------------------------

FormWindow::FormWindow(HINSTANCE instance, TForm1& form)
    : instance_(instance), form_(form), controls_(kControlCount, nullptr), icons_(kControlCount) {
  RegisterClasses(instance_);
  rich_edit_library_.reset(
      LoadLibraryA(vor::platform::SystemLibraryPath(kRichEditLibrary).c_str()));
  if (!rich_edit_library_)
    throw EVorError(std::string("Cannot load ") + kRichEditLibrary, ErrorKind::kNotFound);
  LoadSidePanelPicture();

  {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi > 0) dpi_ = dpi;
    default_font_ = CreateFontOfHeight(MulDiv(kFormFontPoints, dpi_, 72), false);
  }
  cancel_glyph_.reset(static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CANCEL_GLYPH),
                                                    IMAGE_ICON, Scaled(16), Scaled(16), 0)));

  RECT frame = {0, 0, Scaled(kFormClientWidth), Scaled(kFormClientHeight)};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND hwnd =
      CreateWindowExA(kFormExStyle, kFormClass, form_.Text(ControlId::Form1).c_str(), kFormStyle,
                      left, top, width, height, nullptr, nullptr, instance_, this);
  if (hwnd == nullptr) throw EVorError("Cannot create the installer window", ErrorKind::kGeneral);
  window_.reset(hwnd);
  controls_[Index(ControlId::Form1)] = hwnd;
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(default_font_), FALSE);
  CreateControls();
  AttachServices();
  shown_.clear();
  for (int i = 0; i < kControlCount; ++i) shown_.push_back(form_.State(static_cast<ControlId>(i)));
  shown_page_ = form_.ActivePage();
  ShowActivePage();
}

FormWindow::~FormWindow() {
  if (window_) SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

void FormWindow::RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  if (!GetClassInfoExA(instance, kFormClass, &wc)) {
    wc.lpfnWndProc = FormProc;
    wc.lpszClassName = kFormClass;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOR_MAIN));
    wc.hIconSm = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_VOR_MAIN), IMAGE_ICON, 16, 16, LR_SHARED));
    RegisterClassExA(&wc);

    wc.hIcon = nullptr;
    wc.hIconSm = nullptr;
    wc.lpfnWndProc = PanelProc;
    wc.lpszClassName = kPanelClass;
    RegisterClassExA(&wc);

    wc.lpfnWndProc = ImageProc;
    wc.lpszClassName = kImageClass;
    RegisterClassExA(&wc);
  }
}

void FormWindow::LoadSidePanelPicture() {
  HRSRC info = FindResourceA(instance_, MAKEINTRESOURCEA(IDR_SIDE_PANEL_JPEG),
                             MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  HGLOBAL handle = info != nullptr ? LoadResource(instance_, info) : nullptr;
  const void* data = handle != nullptr ? LockResource(handle) : nullptr;
  if (data == nullptr)
    throw EVorError("Resource not found: the side panel's picture", ErrorKind::kNotFound);
  const platform::RgbImage image =
      platform::DecodePicture(static_cast<const uint8_t*>(data), SizeofResource(instance_, info));

  // A 24-bit DIB stores blue, green, red and pads rows to four bytes.
  const size_t stride = (static_cast<size_t>(image.width) * 3 + 3) & ~static_cast<size_t>(3);
  side_bits_.assign(stride * image.height, 0);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* from = &image.pixels[static_cast<size_t>(y) * image.width * 3];
    uint8_t* to = &side_bits_[stride * y];
    for (int x = 0; x < image.width; ++x) {
      to[3 * x] = from[3 * x + 2];
      to[3 * x + 1] = from[3 * x + 1];
      to[3 * x + 2] = from[3 * x];
    }
  }
  side_info_.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  side_info_.bmiHeader.biWidth = image.width;
  side_info_.bmiHeader.biHeight = -image.height;  // top-down
  side_info_.bmiHeader.biPlanes = 1;
  side_info_.bmiHeader.biBitCount = 24;
  side_info_.bmiHeader.biCompression = BI_RGB;
}

HFONT FormWindow::CreateFontOfHeight(int pixels, bool bold) {
  UniqueFont created(CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, kFormFontFace));
  if (!created) throw EVorError("Cannot create the window's font", ErrorKind::kGeneral);
  HFONT result = created.get();
  FontStyle key;
  key.height = -pixels;  // never equal to a layout's font: those are positive
  key.bold = bold;
  fonts_.emplace_back(key, std::move(created));
  return result;
}

HFONT FormWindow::FontFor(const FontStyle& font) {
  if (font.height == 0) return default_font_;
  for (const auto& entry : fonts_) {
    if (SameFont(entry.first, font)) return entry.second.get();
  }
  HFONT result = CreateFontOfHeight(Scaled(font.height), font.bold);
  fonts_.back().first = font;
  return result;
}

void FormWindow::CreateControls() {
  for (const ControlLayout& layout : FormControls()) {
    if (layout.id != ControlId::Form1) CreateControl(layout);
  }
  // Pages lie over the page control's display area, above the control.
  for (ControlId page : FormPages()) {
    SetWindowPos(Hwnd(page), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

RECT FormWindow::ControlRect(const ControlLayout& layout) const {
  if (layout.kind == ControlKind::kPage) {
    // The page control's display area, in the window's client coordinates.
    const ControlLayout& pc = Layout(ControlId::PC1);
    RECT r = {0, 0, Scaled(pc.width), Scaled(pc.height)};
    TabCtrl_AdjustRect(Hwnd(ControlId::PC1), FALSE, &r);
    OffsetRect(&r, Scaled(pc.left), Scaled(pc.top));
    return r;
  }
  if ((layout.options & kOptFillParent) != 0) {
    RECT r;
    GetClientRect(Hwnd(layout.parent), &r);
    if (Layout(layout.parent).kind == ControlKind::kPanel) InflateRect(&r, -1, -1);  // the bevel
    return r;
  }
  // Edges rather than sizes are scaled, so that neighbours that touch at
  // 96 DPI still touch.
  RECT r = {Scaled(layout.left), Scaled(layout.top), Scaled(layout.left + layout.width),
            Scaled(layout.top + layout.height)};
  return r;
}

RECT FormWindow::AutoSizeRect(const ControlLayout& layout, const RECT& at) const {
  const HWND hwnd = Hwnd(layout.id);
  RECT r = {0, 0, 0, 0};
  const std::string& text = form_.Text(layout.id);
  WindowDC dc(hwnd);
  dc.Select(reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
  if (text.empty()) {
    TEXTMETRICA tm;
    GetTextMetricsA(dc.get(), &tm);
    r.bottom = tm.tmHeight;
  } else {
    DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT);
  }
  OffsetRect(&r, at.left, at.top);
  return r;
}

namespace {

// How each kind of control is made: its window class and the styles every
// control of that kind has.
struct KindStyle {
  ControlKind kind;
  const char* window_class;
  DWORD style;
  DWORD ex_style;
};

const KindStyle kKindStyles[] = {
    {ControlKind::kPanel, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT},
    {ControlKind::kPage, kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT},
    {ControlKind::kImage, kImageClass, 0, 0},
    {ControlKind::kPageControl, WC_TABCONTROLA, TCS_FOCUSNEVER, 0},
    {ControlKind::kLabel, "STATIC", 0, 0},
    {ControlKind::kButton, "BUTTON", WS_TABSTOP | WS_GROUP, 0},
    {ControlKind::kRadioButton, "BUTTON", WS_TABSTOP | BS_RADIOBUTTON, 0},
    {ControlKind::kCheckBox, "BUTTON", WS_TABSTOP | BS_CHECKBOX | WS_GROUP, 0},
    {ControlKind::kEdit, "EDIT", WS_TABSTOP | ES_AUTOHSCROLL | WS_GROUP, WS_EX_CLIENTEDGE},
    {ControlKind::kRichEdit, RICHEDIT_CLASSA, WS_TABSTOP | WS_GROUP | ES_MULTILINE | ES_AUTOVSCROLL,
     WS_EX_CLIENTEDGE},
    {ControlKind::kProgressBar, PROGRESS_CLASSA, PBS_SMOOTH, 0},
};

// Styles that a layout option adds to a control of a kind.
struct OptionStyle {
  ControlKind kind;
  uint32_t option;
  DWORD style;
};

const OptionStyle kOptionStyles[] = {
    {ControlKind::kLabel, kOptCentered, SS_CENTER},
    {ControlKind::kButton, kOptDefaultButton, BS_DEFPUSHBUTTON},
    {ControlKind::kRichEdit, kOptVerticalScroll, WS_VSCROLL | ES_DISABLENOSCROLL},
    {ControlKind::kRichEdit, kOptReadOnly, ES_READONLY},
};

const KindStyle* StyleOf(ControlKind kind) {
  for (const KindStyle& entry : kKindStyles) {
    if (entry.kind == kind) return &entry;
  }
  return nullptr;
}

DWORD StyleFor(const ControlLayout& layout, const ControlState& state) {
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | StyleOf(layout.kind)->style;
  if (state.visible && layout.kind != ControlKind::kPage) style |= WS_VISIBLE;
  if (!state.enabled) style |= WS_DISABLED;
  for (const OptionStyle& entry : kOptionStyles) {
    if (entry.kind == layout.kind && (layout.options & entry.option) != 0) style |= entry.style;
  }
  if (layout.kind == ControlKind::kLabel && (layout.options & kOptCentered) == 0) {
    style |= (layout.options & kOptWordWrap) != 0 ? SS_LEFT : SS_LEFTNOWORDWRAP;
  }
  if (layout.kind == ControlKind::kRadioButton) {
    // The first radio button of its parent starts the group.
    const ControlLayout& before = FormControls()[Index(layout.id) - 1];
    if (before.kind != ControlKind::kRadioButton || before.parent != layout.parent) {
      style |= WS_GROUP;
    }
  }
  return style;
}

}  // namespace

void FormWindow::CreateControl(const ControlLayout& layout) {
  const KindStyle* kind = StyleOf(layout.kind);
  if (kind == nullptr) return;  // the window itself
  const ControlState& state = form_.State(layout.id);
  HWND parent = layout.kind == ControlKind::kPage ? Hwnd(ControlId::Form1) : Hwnd(layout.parent);
  const std::string text =
      layout.kind == ControlKind::kPageControl ? "" : CaptionWithAccessKey(layout.id, state.text);

  RECT r = ControlRect(layout);
  HWND hwnd = CreateWindowExA(
      kind->ex_style, kind->window_class, text.c_str(), StyleFor(layout, state), r.left, r.top,
      r.right - r.left, r.bottom - r.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(layout.id))), instance_, this);
  if (hwnd == nullptr)
    throw EVorError(std::string("Cannot create the control ") + layout.name, ErrorKind::kGeneral);
  controls_[Index(layout.id)] = hwnd;
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(layout.font)), FALSE);

  if (layout.kind == ControlKind::kLabel && layout.width == 0 && layout.height == 0) {
    const RECT sized = AutoSizeRect(layout, r);
    MoveWindow(hwnd, sized.left, sized.top, sized.right - sized.left, sized.bottom - sized.top,
               FALSE);
  }
  // The tabs are needed before the pages are placed: the tab row decides
  // the display area.
  if (layout.kind == ControlKind::kPageControl) AddPageTabs(hwnd);
  if (layout.kind == ControlKind::kRadioButton || layout.kind == ControlKind::kCheckBox) {
    ShowChecked(hwnd, state.checked);
  }
  if ((layout.options & kOptCancelGlyph) != 0 && cancel_glyph_) {
    SendMessageA(hwnd, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(cancel_glyph_.get()));
  }
  if (layout.kind == ControlKind::kProgressBar) {
    SendMessageA(hwnd, PBM_SETRANGE32, 0, kProgressMax);
    SendMessageA(hwnd, PBM_SETPOS, static_cast<WPARAM>(state.position), 0);
  }
  if (layout.kind == ControlKind::kRichEdit) {
    LeaveDialogKeysToWindow(hwnd);
    WrapToVisibleWidth(hwnd);
  }
  if (layout.hint[0] != '\0') AddHint(hwnd, layout.hint);
}

void FormWindow::AddPageTabs(HWND page_control) {
  const auto& pages = FormPages();
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string caption = form_.Text(pages[i]);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageA(page_control, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
}

void FormWindow::AddHint(HWND control, const char* hint) {
  if (tooltip_ == nullptr) {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               Hwnd(ControlId::Form1), nullptr, instance_, nullptr);
  }
  if (tooltip_ == nullptr) return;
  TOOLINFOA tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Hwnd(ControlId::Form1);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(hint);
  SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void FormWindow::AttachServices() {
  const HWND window = Hwnd(ControlId::Form1);
  message_box_ = std::make_unique<MessageBoxService>(window);
  folder_dialog_ = std::make_unique<FolderDialogService>(window);
  message_pump_ = std::make_unique<MessagePumpService>(window, [this] { Refresh(); });
  re1_ = std::make_unique<RichEditViewer>(Hwnd(ControlId::re1));
  re2_ = std::make_unique<RichEditViewer>(Hwnd(ControlId::re2));
  // The shell's folder lookups are made for this window.
  shell_services_ = std::make_unique<ShellServices>(reinterpret_cast<platform::WindowId>(window));
  FormServices services;
  services.program_path = platform::ExecutablePath();
  services.shell = shell_services_.get();
  services.message_box = message_box_.get();
  services.folder_dialog = folder_dialog_.get();
  services.message_pump = message_pump_.get();
  services.re1 = re1_.get();
  services.re2 = re2_.get();
  form_.SetServices(services);
}

// --- Showing the model ----------------------------------------------------

void FormWindow::Show() {
  Dispatch([this] { form_.FormShow(); });
  if (!window_) return;
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  UpdateWindow(window_.get());
  SetForegroundWindow(window_.get());
  KeepFocusUsable();
}

bool FormWindow::TranslateDialogMessage(MSG* msg) {
  return window_ && IsDialogMessageA(window_.get(), msg);
}

template <typename Action>
void FormWindow::Dispatch(Action&& action) {
  try {
    action();
  } catch (const std::exception& e) {
    ShowDefaultErrorReport(window_.get(), e.what());
  } catch (...) {
    ReportUnknownException(window_.get());
  }
  Refresh();
}

void FormWindow::Refresh() {
  if (!window_) return;
  if (form_.Closed()) {
    // The window dies with its controls; WM_DESTROY ends the message loop.
    DestroyWindow(window_.release());
    return;
  }
  // Setting a control's text makes it notify the window; those echoes of
  // the model's own state are not the user's actions.
  refreshing_ = true;
  for (const ControlLayout& layout : FormControls()) {
    const ControlState& want = form_.State(layout.id);
    ControlState& have = shown_[Index(layout.id)];
    const HWND hwnd = Hwnd(layout.id);
    if (want.text != have.text) {
      if (layout.kind == ControlKind::kPage) {
        std::string caption = want.text;
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageA(Hwnd(ControlId::PC1), TCM_SETITEMA, PageIndex(layout.id),
                     reinterpret_cast<LPARAM>(&item));
      } else if (layout.kind != ControlKind::kPageControl) {
        SetWindowTextA(hwnd, CaptionWithAccessKey(layout.id, want.text).c_str());
      }
      if (layout.kind == ControlKind::kLabel && layout.width == 0 && layout.height == 0) {
        const RECT sized = AutoSizeRect(layout, ControlRect(layout));
        MoveWindow(hwnd, sized.left, sized.top, sized.right - sized.left, sized.bottom - sized.top,
                   TRUE);
      }
    }
    if (want.enabled != have.enabled && layout.kind != ControlKind::kForm) {
      EnableWindow(hwnd, want.enabled ? TRUE : FALSE);
    }
    if (want.checked != have.checked &&
        (layout.kind == ControlKind::kRadioButton || layout.kind == ControlKind::kCheckBox)) {
      ShowChecked(hwnd, want.checked);
    }
    if (want.visible != have.visible && layout.kind != ControlKind::kForm &&
        layout.kind != ControlKind::kPage) {
      ShowWindow(hwnd, want.visible ? SW_SHOW : SW_HIDE);
    }
    if (want.position != have.position && layout.kind == ControlKind::kProgressBar) {
      SendMessageA(hwnd, PBM_SETPOS, static_cast<WPARAM>(want.position), 0);
    }
    if (want.picture != have.picture && layout.kind == ControlKind::kImage) {
      ShowPicture(layout.id, want.picture);
    }
    have = want;
  }
  refreshing_ = false;
  if (shown_page_ != form_.ActivePage() ||
      TabCtrl_GetCurSel(Hwnd(ControlId::PC1)) != PageIndex(form_.ActivePage())) {
    shown_page_ = form_.ActivePage();
    ShowActivePage();
  }
  KeepFocusUsable();
}

void FormWindow::ShowActivePage() {
  TabCtrl_SetCurSel(Hwnd(ControlId::PC1), PageIndex(shown_page_));
  for (ControlId page : FormPages()) {
    ShowWindow(Hwnd(page), page == shown_page_ ? SW_SHOW : SW_HIDE);
  }
}

// A control that was hidden or disabled keeps the keyboard focus unless it is
// moved; the default button takes it then, or else the first control Tab
// reaches (or the window). The window itself is no place for the focus:
// the keys would reach no control.
void FormWindow::KeepFocusUsable() {
  if (!window_ || GetActiveWindow() != window_.get()) return;
  HWND focus = GetFocus();
  if (focus != nullptr && focus != window_.get() && IsWindowVisible(focus) &&
      IsWindowEnabled(focus)) {
    return;
  }
  HWND next = Hwnd(ControlId::bNext);
  if (!IsWindowVisible(next) || !IsWindowEnabled(next)) {
    next = GetNextDlgTabItem(window_.get(), nullptr, FALSE);
  }
  SetFocus(next != nullptr ? next : window_.get());
}

// --- Messages -------------------------------------------------------------

LRESULT CALLBACK FormWindow::FormProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  AttachOnCreate(hwnd, msg, lparam);
  FormWindow* self = FromHwnd(hwnd);
  if (self == nullptr) return DefWindowProcA(hwnd, msg, wparam, lparam);
  // No exception may unwind through the system's frames.
  try {
    return self->HandleFormMessage(hwnd, msg, wparam, lparam);
  } catch (const std::exception& e) {
    ShowDefaultErrorReport(hwnd, e.what());
  } catch (...) {
    ReportUnknownException(hwnd);
  }
  return 0;
}

LRESULT FormWindow::HandleFormMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_COMMAND:
      return HandleCommand(wparam, lparam);
    case WM_NOTIFY:
      return HandleNotify(reinterpret_cast<const NMHDR*>(lparam));
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      ControlId id;
      if (ControlOf(GetDlgCtrlID(reinterpret_cast<HWND>(lparam)), &id)) {
        const uint32_t color = Layout(id).font.color;
        if (color != kDefaultColor) {
          SetTextColor(dc, RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF));
        }
      }
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case DM_GETDEFID:
      return MAKELRESULT(IdOf(ControlId::bNext), DC_HASDEFID);
    case WM_ACTIVATE:
      // The focus goes back to the control that had it when the window was
      // left (a message box, another program), as in a dialog box.
      if (LOWORD(wparam) == WA_INACTIVE) {
        last_focus_ = GetFocus();
      } else {
        DefWindowProcA(hwnd, msg, wparam, lparam);
        if (last_focus_ != nullptr && IsChild(hwnd, last_focus_)) SetFocus(last_focus_);
        KeepFocusUsable();
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) {
        Dispatch([this] { form_.CloseRequest(); });
        return 0;
      }
      break;
    case WM_CLOSE:
      Dispatch([this] { form_.CloseRequest(); });
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      if (window_.get() == hwnd) static_cast<void>(window_.release());
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

LRESULT FormWindow::HandleCommand(WPARAM wparam, LPARAM lparam) {
  ControlId id;
  if (lparam == 0) {
    // The dialog keys: Escape is Cancel, Enter the default button (sent as
    // IDOK, or by the button's own number when the system found it); the
    // model ignores either while its button is disabled.
    const WORD command = LOWORD(wparam);
    if (command == IDCANCEL) {
      id = ControlId::bCancel;
    } else if (command == IDOK) {
      id = ControlId::bNext;
    } else if (!ControlOf(command, &id) || Layout(id).kind != ControlKind::kButton) {
      return 0;
    }
    Dispatch([this, id] { form_.Click(id); });
    return 0;
  }
  if (!ControlOf(LOWORD(wparam), &id)) return 0;
  const ControlKind kind = Layout(id).kind;
  const WORD code = HIWORD(wparam);
  if (IsButtonKind(kind) && code == BN_CLICKED) {
    Dispatch([this, id] { form_.Click(id); });
  } else if (kind == ControlKind::kEdit && code == EN_CHANGE && !refreshing_) {
    // The user's typing becomes the control's text in the model; the
    // control already shows it.
    const HWND hwnd = reinterpret_cast<HWND>(lparam);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    shown_[Index(id)].text = text;
    Dispatch([this, id, &text] { form_.SetText(id, text); });
  }
  return 0;
}

LRESULT FormWindow::HandleNotify(const NMHDR* header) {
  if (header->hwndFrom != Hwnd(ControlId::PC1)) return 0;
  if (header->code == TCN_SELCHANGING) {
    bool allow = false;
    Dispatch([this, &allow] { allow = form_.PC1Changing(); });
    return allow ? FALSE : TRUE;
  }
  if (header->code == TCN_SELCHANGE) {
    const int index = TabCtrl_GetCurSel(header->hwndFrom);
    if (index >= 0 && index < static_cast<int>(FormPages().size())) {
      const ControlId page = FormPages()[index];
      Dispatch([this, page] { form_.PageTabSelected(page); });
    }
  }
  return 0;
}

// Panels and pages pass their controls' notifications on to the window,
// which handles them all.
LRESULT CALLBACK FormWindow::PanelProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  AttachOnCreate(hwnd, msg, lparam);
  FormWindow* self = FromHwnd(hwnd);
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return SendMessageA(GetAncestor(hwnd, GA_ROOT), msg, wparam, lparam);
    case WM_PAINT:
      if (self != nullptr) {
        self->PaintPanel(hwnd);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

void FormWindow::PaintPanel(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  ControlId id;
  if (ControlOf(GetDlgCtrlID(hwnd), &id) && Layout(id).kind == ControlKind::kPanel) {
    RECT r;
    GetClientRect(hwnd, &r);
    DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RECT);
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK FormWindow::ImageProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  AttachOnCreate(hwnd, msg, lparam);
  FormWindow* self = FromHwnd(hwnd);
  ControlId id;
  if (self != nullptr && ControlOf(GetDlgCtrlID(hwnd), &id)) {
    if (msg == WM_PAINT) {
      self->PaintImage(hwnd);
      return 0;
    }
    if (msg == WM_LBUTTONUP) {
      self->Dispatch([self, id] { self->form_.Click(id); });
      return 0;
    }
    if (msg == WM_SETCURSOR && LOWORD(lparam) == HTCLIENT &&
        (Layout(id).options & kOptHandCursor) != 0) {
      SetCursor(LoadCursor(nullptr, IDC_HAND));
      return TRUE;
    }
  }
  return DefWindowProcA(hwnd, msg, wparam, lparam);
}

void FormWindow::ShowPicture(ControlId id, const std::shared_ptr<const IconPicture>& picture) {
  icons_[Index(id)].reset();
  if (picture != nullptr) {
    // The image that suits the control (at the screen's DPI) best, drawn at
    // its own size grown with the DPI, but never beyond the control.
    const ControlLayout& layout = Layout(id);
    const int width = Scaled(layout.width);
    const int height = Scaled(layout.height);
    const IconEntry& entry = picture->BestFor(width, height);
    auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(picture->bytes.data())) + entry.offset;
    icons_[Index(id)].reset(CreateIconFromResourceEx(
        bits, entry.size, TRUE, 0x00030000, std::min(Scaled(entry.width), std::max(width, 1)),
        std::min(Scaled(entry.height), std::max(height, 1)), LR_DEFAULTCOLOR));
  }
  InvalidateRect(Hwnd(id), nullptr, TRUE);
}

void FormWindow::PaintImage(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  ControlId id;
  const bool known = ControlOf(GetDlgCtrlID(hwnd), &id);
  if (known && icons_[Index(id)]) {
    DrawIconEx(dc, 0, 0, icons_[Index(id)].get(), 0, 0, 0, nullptr, DI_NORMAL);
  }
  if (known && id == ControlId::LinkImage && !side_bits_.empty()) {
    const int width = side_info_.bmiHeader.biWidth;
    const int height = -side_info_.bmiHeader.biHeight;
    RECT r = {0, 0, width, height};
    if ((Layout(id).options & kOptStretch) != 0) GetClientRect(hwnd, &r);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, 0, 0, r.right, r.bottom, 0, 0, width, height, side_bits_.data(), &side_info_,
                  DIB_RGB_COLORS, SRCCOPY);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace vor::win32
