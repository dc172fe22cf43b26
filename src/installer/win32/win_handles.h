// Owning wrappers for Win32 handles: each frees its handle with the matching
// call when it goes out of scope.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace vor::win32 {

struct GdiObjectDeleter {
  void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
struct ModuleDeleter {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};

using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

// A window's device context, released on scope exit, with one GDI object
// selected into it for its lifetime.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;

  HDC get() const { return dc_; }
  void Select(HGDIOBJ object) {
    HGDIOBJ previous = SelectObject(dc_, object);
    if (old_ == nullptr) old_ = previous;
  }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace vor::win32
