// What the window model reaches outside itself, as small interfaces: the
// shell services, the message box, the folder dialog, the message pump and
// the two rich-text viewers. The Win32 view implements them with the real
// things; tests give fakes. The container itself is used directly.
#pragma once

#include <string>

namespace vor {

// The shortcut writer as the installation uses it: start a link, set its
// description, working folder, icon and target, save it, read the
// description back.
class IInstallerLinkWriter {
 public:
  virtual ~IInstallerLinkWriter() = default;
  // Discards the current link with everything set on it.
  virtual void NewLink() = 0;
  virtual std::string GetDescription() = 0;
  virtual void SetDescription(const std::string& value) = 0;
  virtual void SetWorkingDirectory(const std::string& value) = 0;
  virtual void SetIconLocationPath(const std::string& value) = 0;
  virtual void SetIconLocationIndex(int value) = 0;
  virtual void SetPath(const std::string& value) = 0;
  // Writes the link to file_name, creating or replacing it; raises on
  // failure with the system's message.
  virtual void SaveToFile(const std::string& file_name) = 0;
};

// The shell services the wizard and the installation use. Folder results
// carry no guaranteed trailing delimiter and are "" when the lookup fails.
class IInstallerShell {
 public:
  virtual ~IInstallerShell() = default;
  virtual IInstallerLinkWriter& Link() = 0;
  virtual std::string GetProgramsFolder() = 0;
  virtual std::string GetDesktopFolder() = 0;
  // The all-users folders (the current user's where the system has no
  // separate ones).
  virtual std::string GetCommonProgramsFolder() = 0;
  virtual std::string GetCommonDesktopFolder() = 0;
  virtual std::string GetAppDataFolder() = 0;
  // Opens a program or document as a double click would (verb "Open",
  // normal window); true on success. Never raises, never waits.
  virtual bool Launch(const std::string& file_name, const std::string& parameters) = 0;
  // Registers a COM server library; raises with a message on failure.
  virtual void RegisterServerLibrary(const std::string& dll_name) = 0;
  virtual bool DiskFolderExists(const std::string& path) = 0;
  // Creates the folder with every missing parent; the result tells success.
  virtual bool CreateFolderPath(const std::string& path) = 0;
};

// What a message of the window model stands for. The wizard shows every
// one alike; an unattended run decides its exit code from it.
enum class FormMessageKind {
  kContainerNotOpened,  // the container on the program's own file cannot be opened
  kCopyError,           // the copy failed: the installation may be incomplete
  kShortcut,            // a desktop or Quick Launch shortcut could not be made
  kUninstaller,         // the uninstaller or its entry could not be written
  kDestination,         // the destination is not a full folder path
};

// The window's error message box: modal, error kind, one OK button.
class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual void ShowError(const std::string& text) = 0;
  // The model's own messages come through here with their kind; a box that
  // does not care shows the text as ShowError does.
  virtual void ShowFormMessage(FormMessageKind /*kind*/, const std::string& text) {
    ShowError(text);
  }
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
  IInstallerShell* shell = nullptr;
  IMessageBox* message_box = nullptr;
  IFolderDialog* folder_dialog = nullptr;
  IMessagePump* message_pump = nullptr;
  IRichTextViewer* re1 = nullptr;  // the licence viewer
  IRichTextViewer* re2 = nullptr;  // the readme viewer
};

}  // namespace vor
