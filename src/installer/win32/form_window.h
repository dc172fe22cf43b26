// The Win32 view of the installer window: creates the window and its
// controls from the form resource, shows the state of the window model
// (TForm1) and forwards the user's actions to it.
//
// Every model action runs through Dispatch, which reports an exception that
// the action let escape in the default error report and then brings every
// control up to date with the model. When the model is closed the view
// destroys its window, which ends the message loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "installer/wizard/form.h"
#include "shell/shell_services.h"
#include "view_services.h"
#include "win_handles.h"

namespace vor::win32 {

class FormWindow {
 public:
  // Creates the window (hidden) and all its controls and hands the model
  // the view's services (message box, folder dialog, message pump, the
  // rich-text viewers, the shell). Raises EVorError when a window, the
  // rich-text library or the side panel's picture cannot be had.
  FormWindow(HINSTANCE instance, TForm1& form);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Runs FormShow, then shows the window.
  void Show();
  // Keyboard navigation (Tab, arrow keys, Enter for the default button):
  // true when msg was consumed.
  bool TranslateDialogMessage(MSG* msg);

 private:
  static LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ImageProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static void RegisterClasses(HINSTANCE instance);

  LRESULT HandleFormMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT HandleCommand(WPARAM wparam, LPARAM lparam);
  LRESULT HandleNotify(const NMHDR* header);
  void PaintPanel(HWND hwnd);
  void PaintImage(HWND hwnd);
  void ShowPicture(ControlId id, const std::shared_ptr<const IconPicture>& picture);

  void LoadSidePanelPicture();
  void CreateControls();
  void CreateControl(const ControlLayout& layout);
  void AddPageTabs(HWND page_control);
  void AddHint(HWND control, const char* hint);
  void AttachServices();
  RECT ControlRect(const ControlLayout& layout) const;
  RECT AutoSizeRect(const ControlLayout& layout, const RECT& at) const;
  HFONT FontFor(const FontStyle& font);
  // Makes (and keeps) the form's face at a height in screen pixels.
  HFONT CreateFontOfHeight(int pixels, bool bold);
  // A length of the layout (pixels at 96 DPI) in the screen's pixels.
  int Scaled(int pixels) const { return MulDiv(pixels, dpi_, kLayoutDpi); }
  HWND Hwnd(ControlId id) const { return controls_[Index(id)]; }

  template <typename Action>
  void Dispatch(Action&& action);
  void Refresh();
  void ShowActivePage();
  void KeepFocusUsable();

  HINSTANCE instance_;
  TForm1& form_;
  // The rich-text library outlives the window and its controls.
  UniqueModule rich_edit_library_;
  UniqueIcon cancel_glyph_;
  std::vector<std::pair<FontStyle, UniqueFont>> fonts_;
  HFONT default_font_ = nullptr;
  // The layout is given in pixels at 96 DPI; the window scales it, its
  // fonts and its pictures to the screen's DPI, read once when it is made.
  static constexpr int kLayoutDpi = 96;
  int dpi_ = kLayoutDpi;
  // The side panel's picture as a top-down 24-bit DIB.
  BITMAPINFO side_info_{};
  std::vector<uint8_t> side_bits_;

  UniqueWindow window_;
  std::vector<HWND> controls_;  // by ControlId; child windows die with window_
  HWND tooltip_ = nullptr;
  std::vector<ControlState> shown_;  // the model state the controls show
  ControlId shown_page_ = ControlId::tsIntro;
  bool refreshing_ = false;
  // The control that had the focus when the window was last deactivated.
  HWND last_focus_ = nullptr;
  // The icons the images show, by ControlId (null: none).
  std::vector<UniqueIcon> icons_;

  // The services handed to the model; they live as long as the window.
  std::unique_ptr<MessageBoxService> message_box_;
  std::unique_ptr<FolderDialogService> folder_dialog_;
  std::unique_ptr<MessagePumpService> message_pump_;
  std::unique_ptr<RichEditViewer> re1_;
  std::unique_ptr<RichEditViewer> re2_;
  std::unique_ptr<ShellServices> shell_services_;
};

}  // namespace vor::win32
