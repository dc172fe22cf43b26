// A helper for the installer's tests under Wine.
//
//   installer_test_tool damage <setup.exe> <stored path>
//       damages the stored file in the installer's container: one bit in
//       the middle of its compressed bytes flipped, written back through the
//       engine (so that only the file's own block checks can tell).
//   installer_test_tool controls
//       prints every control of the visible installer window, one line
//       each: name|text|enabled|visible|checked|left|top|width|height, with
//       screen coordinates and CR / LF in the text shown as \r / \n. The
//       page control's text is the name of the page shown.
//   installer_test_tool link <file.lnk>
//       loads a shortcut through the system's link object and prints
//       target|working folder|description|icon path|icon index.
//   installer_test_tool folder <CSIDL number>
//       prints the shell folder's path.
//   installer_test_tool boxes
//       prints each visible dialog box: box|caption|text of its labels|x|y
//       with x, y the screen point at the middle of its first button.
//   installer_test_tool fit
//       checks that every visible label, button, radio button and check box
//       of the installer window shows its whole text (measured in the font
//       its layout gives, at the screen's DPI) and lies inside its parent;
//       prints "clipped|<name>|<why>" for each one that does not (exit 1),
//       else "fits|<count of controls checked>|<dpi>".
//
// Exit code 0 on success, 1 on failure, 2 on wrong usage.
#include <windows.h>
// clang-format off
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
// clang-format on

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "container/coffer.h"
#include "container/store/open_mode.h"
#include "container/stream/user_file_stream.h"
#include "installer/engine/startup.h"
#include "installer/wizard/form.h"
#include "installer/wizard/form_layout.h"
#include "package/job.h"
#include "resource_ids.h"

namespace {

using vor::ControlId;

int Damage(const std::string& setup, const std::string& stored) {
  vor::TCoffer coffer(setup, vor::kOpenModeReadWrite, vor::kJobPassword, "", "", 0);
  vor::TCFRUserFileStream raw(&coffer, stored, vor::kOpenModeReadWrite, "", "", "");
  const int64_t middle = raw.Size() / 2;
  uint8_t byte = 0;
  raw.Seek(middle, 0);
  raw.ReadBuffer(&byte, 1);
  byte ^= 0x20;
  raw.Seek(middle, 0);
  raw.WriteBuffer(&byte, 1);
  return 0;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// Asked of the control itself: GetWindowText of another process's window
// gives only the text the system keeps, which an edit box does not update.
std::string WindowText(HWND hwnd) {
  const LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  const LRESULT got =
      SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

std::string ClassOf(HWND hwnd) {
  char name[256] = {};
  GetClassNameA(hwnd, name, sizeof(name));
  return name;
}

struct ClassSearch {
  const char* window_class;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleOfClass(HWND hwnd, LPARAM data) {
  auto* s = reinterpret_cast<ClassSearch*>(data);
  if (IsWindowVisible(hwnd) && ClassOf(hwnd) == s->window_class) s->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> VisibleTopLevel(const char* window_class) {
  ClassSearch search{window_class, {}};
  EnumWindows(CollectVisibleOfClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct IdSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindById(HWND hwnd, LPARAM data) {
  auto* s = reinterpret_cast<IdSearch*>(data);
  if (GetDlgCtrlID(hwnd) != s->id) return TRUE;
  s->found = hwnd;
  return FALSE;
}

HWND FindControl(HWND form, ControlId id) {
  IdSearch search{VOR_CONTROL_ID_BASE + vor::Index(id), nullptr};
  EnumChildWindows(form, FindById, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK CollectLabels(HWND hwnd, LPARAM data) {
  const std::string cls = ClassOf(hwnd);
  const std::string text = WindowText(hwnd);
  if ((cls == "Static" || cls == "STATIC") && !text.empty()) {
    *reinterpret_cast<std::string*>(data) += text;
  }
  return TRUE;
}

int Controls() {
  const std::vector<HWND> forms = VisibleTopLevel("VorInstallerForm");
  if (forms.size() != 1) {
    std::fprintf(stderr, "%u installer windows visible\n", static_cast<unsigned>(forms.size()));
    return 1;
  }
  for (const vor::ControlLayout& layout : vor::FormControls()) {
    HWND hwnd = layout.id == ControlId::Form1 ? forms[0] : FindControl(forms[0], layout.id);
    if (hwnd == nullptr) {
      std::printf("%s|<missing>\n", layout.name);
      continue;
    }
    std::string text = WindowText(hwnd);
    if (layout.kind == vor::ControlKind::kPageControl) {
      // The page shown: the one page window that is visible.
      text.clear();
      for (ControlId page : vor::FormPages()) {
        HWND page_window = FindControl(forms[0], page);
        if (page_window != nullptr && IsWindowVisible(page_window)) text += vor::Layout(page).name;
      }
    }
    const bool check =
        layout.kind == vor::ControlKind::kRadioButton || layout.kind == vor::ControlKind::kCheckBox;
    RECT r;
    GetWindowRect(hwnd, &r);
    std::printf("%s|%s|%d|%d|%d|%ld|%ld|%ld|%ld\n", layout.name, Escaped(text).c_str(),
                IsWindowEnabled(hwnd) ? 1 : 0, IsWindowVisible(hwnd) ? 1 : 0,
                check && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0, r.left,
                r.top, r.right - r.left, r.bottom - r.top);
  }
  return 0;
}

int Boxes() {
  for (HWND box : VisibleTopLevel("#32770")) {
    HWND button = FindWindowExA(box, nullptr, "Button", nullptr);
    RECT r{};
    if (button != nullptr) GetWindowRect(button, &r);
    std::string labels;
    EnumChildWindows(box, CollectLabels, reinterpret_cast<LPARAM>(&labels));
    std::printf("box|%s|%s|%ld|%ld\n", Escaped(WindowText(box)).c_str(), Escaped(labels).c_str(),
                (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  return 0;
}

// The font a control of the layout has at the screen's DPI: the form's
// face, the default size in points or the layout's height in 96-DPI pixels.
HFONT LayoutFont(const vor::FontStyle& font, int dpi) {
  const int height =
      font.height == 0 ? MulDiv(vor::kFormFontPoints, dpi, 72) : MulDiv(font.height, dpi, 96);
  return CreateFontA(-height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, vor::kFormFontFace);
}

int Fit() {
  const std::vector<HWND> forms = VisibleTopLevel("VorInstallerForm");
  if (forms.size() != 1) {
    std::fprintf(stderr, "%u installer windows visible\n", static_cast<unsigned>(forms.size()));
    return 1;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  int checked = 0;
  int clipped = 0;
  for (const vor::ControlLayout& layout : vor::FormControls()) {
    using vor::ControlKind;
    const bool check =
        layout.kind == ControlKind::kRadioButton || layout.kind == ControlKind::kCheckBox;
    if (layout.kind != ControlKind::kLabel && layout.kind != ControlKind::kButton && !check) {
      continue;
    }
    HWND hwnd = FindControl(forms[0], layout.id);
    if (hwnd == nullptr || !IsWindowVisible(hwnd)) continue;
    ++checked;
    RECT inner;
    GetClientRect(hwnd, &inner);
    // Inside the parent's client area.
    RECT outer;
    GetWindowRect(hwnd, &outer);
    HWND parent = GetParent(hwnd);
    RECT area;
    GetClientRect(parent, &area);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
    if (outer.left < area.left || outer.top < area.top || outer.right > area.right ||
        outer.bottom > area.bottom) {
      std::printf("clipped|%s|lies outside its parent\n", layout.name);
      ++clipped;
      continue;
    }
    const std::string text = WindowText(hwnd);
    if (text.empty()) continue;
    // The room the text has: a button's frame, a box's square and gap.
    int room_width = inner.right;
    if (layout.kind == ControlKind::kButton) room_width -= 2 * MulDiv(3, dpi, 96);
    if (check) room_width -= GetSystemMetrics(SM_CXMENUCHECK) + MulDiv(3, dpi, 96);
    HFONT font = LayoutFont(layout.font, dpi);
    HGDIOBJ old = SelectObject(dc, font);
    RECT need = {0, 0, room_width, 0};
    const bool wraps = layout.kind == ControlKind::kLabel &&
                       (layout.options & (vor::kOptWordWrap | vor::kOptCentered)) != 0;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &need,
              DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    DeleteObject(font);
    if (need.right > room_width || need.bottom > inner.bottom) {
      std::printf("clipped|%s|text needs %ldx%ld, has %dx%ld\n", layout.name, need.right,
                  need.bottom, room_width, inner.bottom);
      ++clipped;
    }
  }
  DeleteDC(dc);
  if (clipped == 0) std::printf("fits|%d|%d\n", checked, dpi);
  return clipped == 0 ? 0 : 1;
}

int ShowFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path))) return 1;
  std::printf("%s\n", path);
  return 0;
}

int ShowLink(const std::string& path) {
  if (FAILED(CoInitialize(nullptr))) return 1;
  int result = 1;
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    std::wstring wide(path.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(),
                                      static_cast<int>(wide.size()));
    if (n > 0 && SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
      char target[MAX_PATH] = {};
      char folder[MAX_PATH] = {};
      char description[1024] = {};
      char icon[MAX_PATH] = {};
      int index = -1;
      link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
      link->GetWorkingDirectory(folder, MAX_PATH);
      link->GetDescription(description, sizeof(description));
      link->GetIconLocation(icon, MAX_PATH, &index);
      std::printf("%s|%s|%s|%s|%d\n", target, folder, description, icon, index);
      result = 0;
    }
  }
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  CoUninitialize();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "damage") {
      vor::InitializeProcess();
      return Damage(args[1], args[2]);
    }
    if (args.size() == 1 && args[0] == "controls") return Controls();
    if (args.size() == 1 && args[0] == "boxes") return Boxes();
    if (args.size() == 1 && args[0] == "fit") return Fit();
    if (args.size() == 2 && args[0] == "link") return ShowLink(args[1]);
    if (args.size() == 2 && args[0] == "folder") return ShowFolder(std::stoi(args[1]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "installer_test_tool: %s\n", e.what());
    return 1;
  }
  std::fprintf(
      stderr,
      "usage: installer_test_tool pack <stub> <folder> <out> | controls | boxes | fit | link "
      "<file> | folder <n>\n");
  return 2;
}
