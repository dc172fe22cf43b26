// What the window model reaches outside itself, as small interfaces: the
// message box, the folder dialog, the message pump and the two rich-text
// viewers. The Win32 view implements them with the real things; tests give
// fakes. The shell services (IShellServices, shell/shell_services.h) and the
// container are used directly.
#pragma once

#include <string>

#include "installer/engine/destination_check.h"
#include "installer/engine/installed_copy.h"
#include "installer/engine/notes.h"
#include "shell/shell_services.h"

namespace vor {

// The window's error message box: modal, error kind, one OK button.
class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual void ShowError(const std::string& text) = 0;
  // The notes of the job loading and the installation come through here
  // with their kind; a box that does not care shows the text as ShowError
  // does.
  virtual void ShowNote(const Note& note) { ShowError(note.text); }
  // A Yes/No question; true for Yes. A box that cannot ask answers No, so
  // that nothing is done without the user's consent.
  virtual bool Ask(const std::string& /*text*/) { return false; }
};

// The folder-selection dialog.
class IFolderDialog {
 public:
  virtual ~IFolderDialog() = default;
  // Shows the dialog titled title; true and the chosen folder's path in
  // *folder when the user confirms one, false (and *folder untouched) when
  // the user cancels.
  virtual bool Execute(const std::string& title, std::string* folder) = 0;
};

// Lets pending window messages be processed once (repaint during long work).
class IMessagePump {
 public:
  virtual ~IMessagePump() = default;
  virtual void ProcessMessages() = 0;
};

// A rich-text viewer's content.
class IRichTextViewer {
 public:
  virtual ~IRichTextViewer() = default;
  // Replaces the content with bytes read as rich text; false when the viewer
  // refuses them as rich text (the content is then unspecified).
  virtual bool LoadRichText(const std::string& bytes) = 0;
  // Replaces the content with bytes as plain text; false when refused.
  virtual bool LoadPlainText(const std::string& bytes) = 0;
  // The content written out as rich text. Raises when that fails.
  virtual std::string SaveRichText() = 0;
};

// Everything the window model is given; a null pointer stands for a service
// that does nothing (no folder, no launch, no message, every text accepted).
struct FormServices {
  std::string program_path;  // the running executable's full path
  IShellServices* shell = nullptr;
  IMessageBox* message_box = nullptr;
  IFolderDialog* folder_dialog = nullptr;
  IMessagePump* message_pump = nullptr;
  IRichTextViewer* re1 = nullptr;  // the licence viewer
  IRichTextViewer* re2 = nullptr;  // the readme viewer
  // Where an earlier installation of the job's application is looked up
  // (null: the system's registry).
  IInstalledPrograms* installed_programs = nullptr;
  // The free bytes on a destination's drive; empty: the system's own
  // (FreeBytesAt).
  FreeBytesQuery free_bytes;
};

}  // namespace vor
