// The rich-text viewers' keys and line width.
#include "viewer_keys.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
// clang-format on

namespace vor::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR /*id*/,
                            DWORD_PTR /*data*/) {
  switch (msg) {
    case WM_GETDLGCODE: {
      // The viewer would take every key, Tab included, and select all of
      // its text when tabbed to; it keeps the arrows and typed characters
      // (which a read-only viewer ignores).
      const LRESULT code = DefSubclassProc(hwnd, msg, wparam, lparam);
      return code & ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_HASSETSEL);
    }
    case WM_SIZE: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wparam, lparam);
      WrapToVisibleWidth(hwnd);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ViewerProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wparam, lparam);
}

}  // namespace

bool LeaveDialogKeysToWindow(HWND viewer) {
  SendMessageA(viewer, EM_SETREADONLY, TRUE, 0);
  return SetWindowSubclass(viewer, ViewerProc, kSubclassId, 0) != FALSE;
}

void WrapToVisibleWidth(HWND viewer) {
  // The formatting rectangle: the client area (which excludes the scroll
  // bar) inset by the viewer's own margins.
  RECT r;
  GetClientRect(viewer, &r);
  const LRESULT margins = SendMessageA(viewer, EM_GETMARGINS, 0, 0);
  r.left += LOWORD(margins);
  r.right -= HIWORD(margins);
  if (r.right <= r.left) return;
  SendMessageA(viewer, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
  // Lines wrap at the window, not at a printer's width.
  SendMessageA(viewer, EM_SETTARGETDEVICE, 0, 0);
}

}  // namespace vor::win32
