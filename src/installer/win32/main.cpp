// The installer program's entry: start-up, the installer window and its
// message loop.
// clang-format off
#include <windows.h>
#include <commctrl.h>  // after windows.h, which it builds on
// clang-format on

#include <exception>

#include "error_report.h"
#include "form_window.h"
#include "installer/form.h"
#include "installer/startup.h"
#include "platform/com.h"

namespace {

int RunMessageLoop(vor::win32::FormWindow& window) {
  MSG msg{};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (window.TranslateDialogMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

int Run(HINSTANCE instance) {
  vor::InitializeProcess();
  // The application: COM on this thread in the single-threaded apartment,
  // the common controls, and the title "VOR Installer" (kApplicationTitle,
  // the window's caption and the caption of the default error report).
  vor::platform::ComApartment com(vor::platform::ComInit::kCoInitialize);
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_TAB_CLASSES;
  InitCommonControlsEx(&controls);

  // The main window; FormCreate runs as the model is built.
  vor::TForm1 form;
  vor::win32::FormWindow window(instance, form);
  window.Show();
  return RunMessageLoop(window);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  try {
    return Run(instance);
  } catch (const std::exception& e) {
    vor::win32::ShowDefaultErrorReport(nullptr, e.what());
  } catch (...) {
    vor::win32::ShowDefaultErrorReport(nullptr, "Unknown exception");
  }
  return 1;
}
