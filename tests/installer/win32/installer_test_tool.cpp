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
//       page control's text is the name of the page shown, a progress
//       bar's its position; a button's text is its caption without the
//       access key's mark ("&Next >" reads "Next >").
//   installer_test_tool focus
//       prints the name of the installer's control that has the keyboard
//       focus ("Form1" for the window itself, "" for none of its own).
//   installer_test_tool link <file.lnk>
//       loads a shortcut through the system's link object and prints
//       target|working folder|description|icon path|icon index.
//   installer_test_tool folder <CSIDL number>
//       prints the shell folder's path.
//   installer_test_tool watch-progress <seconds> <shot.bmp>
//       waits for the installer window and prints each new position of the
//       Install page's progress bar, one a line, until it stands at the end
//       or the time is up; when it first stands part-way the screen's
//       picture of the window is saved to shot.bmp (24-bit).
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
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
// clang-format on

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/coding.h"
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

// A caption as read: "&" marks the access key, "&&" stands for "&".
std::string WithoutAccessKey(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
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
    if (check || layout.kind == vor::ControlKind::kButton) text = WithoutAccessKey(text);
    if (layout.kind == vor::ControlKind::kProgressBar) {
      text = std::to_string(SendMessageA(hwnd, PBM_GETPOS, 0, 0));
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    std::printf("%s|%s|%d|%d|%d|%ld|%ld|%ld|%ld\n", layout.name, Escaped(text).c_str(),
                IsWindowEnabled(hwnd) ? 1 : 0, IsWindowVisible(hwnd) ? 1 : 0,
                check && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0, r.left,
                r.top, r.right - r.left, r.bottom - r.top);
  }
  return 0;
}

int Focus() {
  const std::vector<HWND> forms = VisibleTopLevel("VorInstallerForm");
  if (forms.size() != 1) return 1;
  // The focus of another thread: through the window's thread's input state.
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(forms[0], nullptr), &info)) return 1;
  std::string name;
  for (const vor::ControlLayout& layout : vor::FormControls()) {
    HWND hwnd = layout.id == ControlId::Form1 ? forms[0] : FindControl(forms[0], layout.id);
    if (hwnd != nullptr && hwnd == info.hwndFocus) name = layout.name;
  }
  std::printf("%s\n", name.c_str());
  return 0;
}

// The window's pixels as shown on the screen, as a 24-bit bottom-up BMP.
bool SaveWindowShot(HWND window, const std::string& path) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  std::string pixels(static_cast<size_t>(stride) * height, '\0');
  const int rows = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;
  // The file header (14 bytes) and the information header (40 bytes).
  std::string bmp = "BM";
  vor::PutFixed32(&bmp, static_cast<uint32_t>(54 + pixels.size()));
  vor::PutFixed32(&bmp, 0);
  vor::PutFixed32(&bmp, 54);
  vor::PutFixed32(&bmp, 40);
  vor::PutFixed32(&bmp, static_cast<uint32_t>(width));
  vor::PutFixed32(&bmp, static_cast<uint32_t>(height));
  vor::PutFixed16(&bmp, 1);
  vor::PutFixed16(&bmp, 24);
  for (int i = 0; i < 6; ++i) vor::PutFixed32(&bmp, 0);
  bmp += pixels;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bmp.data(), 1, bmp.size(), file) == bmp.size();
  return std::fclose(file) == 0 && written;
}

int WatchProgress(int seconds, const std::string& shot) {
  const DWORD start = GetTickCount();
  auto time_left = [&] { return GetTickCount() - start < static_cast<DWORD>(seconds) * 1000; };
  std::vector<HWND> forms;
  while ((forms = VisibleTopLevel("VorInstallerForm")).size() != 1 && time_left()) Sleep(10);
  if (forms.size() != 1) return 1;
  HWND bar = FindControl(forms[0], ControlId::pbInstall);
  if (bar == nullptr) return 1;
  LRESULT last = -1;
  bool shot_taken = false;
  while (time_left()) {
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &position)) break;
    const auto now = static_cast<LRESULT>(position);
    if (now != last) {
      std::printf("%ld\n", static_cast<long>(now));
      std::fflush(stdout);
      last = now;
    }
    if (!shot_taken && now > 0 && now < vor::kProgressMax) {
      shot_taken = SaveWindowShot(forms[0], shot);
    }
    if (now >= vor::kProgressMax) return 0;
    Sleep(5);
  }
  return 1;
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
    if (args.size() == 1 && args[0] == "focus") return Focus();
    if (args.size() == 3 && args[0] == "watch-progress") {
      return WatchProgress(std::stoi(args[1]), args[2]);
    }
    if (args.size() == 2 && args[0] == "link") return ShowLink(args[1]);
    if (args.size() == 2 && args[0] == "folder") return ShowFolder(std::stoi(args[1]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "installer_test_tool: %s\n", e.what());
    return 1;
  }
  std::fprintf(
      stderr,
      "usage: installer_test_tool damage <setup> <path> | controls | focus | boxes | fit | "
      "watch-progress <seconds> <shot> | link "
      "<file> | folder <n>\n");
  return 2;
}
