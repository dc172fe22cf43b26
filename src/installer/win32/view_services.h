// The window model's services as the Win32 view provides them: the error
// message box, the folder dialog, the message pump and the rich-text
// viewers over RichEdit controls.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "installer/wizard/form_services.h"

namespace vor::win32 {

// A modal box with the error icon and one OK button, owned by the window.
class MessageBoxService : public IMessageBox {
 public:
  explicit MessageBoxService(HWND owner) : owner_(owner) {}
  void ShowError(const std::string& text) override;
  // The question box: Yes and No.
  bool Ask(const std::string& text) override;

 private:
  HWND owner_;
};

// The shell's folder browser, without its newer tool bar and edit box.
class FolderDialogService : public IFolderDialog {
 public:
  explicit FolderDialogService(HWND owner) : owner_(owner) {}
  bool Execute(const std::string& title, std::string* folder) override;

 private:
  HWND owner_;
};

// Brings the window up to date with the model (show_model), then
// dispatches every message waiting in the thread's queue and returns. A quit
// message is put back for the main loop.
//
// The copy asks for this several times per file. Calls that come within
// kPumpInterval of the last one that did the work return at once: the
// window still shows the model and answers the user within that time, and
// a copy of thousands of small files is not held up by as many repaints and
// queue round trips (each a call to Wine's server and X11 driver).
class MessagePumpService : public IMessagePump {
 public:
  static constexpr DWORD kPumpInterval = 20;  // milliseconds

  MessagePumpService(HWND dialog, std::function<void()> show_model)
      : dialog_(dialog), show_model_(std::move(show_model)) {}
  void ProcessMessages() override;

 private:
  HWND dialog_;
  std::function<void()> show_model_;
  bool pumped_ = false;
  DWORD last_pump_ = 0;  // tick count of the last call that did the work
};

// A RichEdit control's content, streamed in and out.
class RichEditViewer : public IRichTextViewer {
 public:
  explicit RichEditViewer(HWND control) : control_(control) {}
  bool LoadRichText(const std::string& bytes) override;
  bool LoadPlainText(const std::string& bytes) override;
  std::string SaveRichText() override;

 private:
  bool StreamIn(const std::string& bytes, WPARAM format);
  HWND control_;
};

}  // namespace vor::win32
