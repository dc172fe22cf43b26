// Stand-ins for what the window model reaches outside itself: they record
// what the model asked for and answer as the test sets them up.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "installer/wizard/form_services.h"

namespace vor::testing {

// A shortcut writer that keeps the links it saved instead of writing them.
class FakeShortcutWriter : public ILinkWriter {
 public:
  struct Link {
    std::string description;
    std::string working_directory;
    std::string icon_path;
    int icon_index = -1;
    std::string path;
    std::string file_name;
  };

  void NewLink() override { current = Link(); }
  std::string GetDescription() override { return current.description; }
  void SetDescription(const std::string& value) override { current.description = value; }
  void SetWorkingDirectory(const std::string& value) override { current.working_directory = value; }
  void SetIconLocationPath(const std::string& value) override { current.icon_path = value; }
  void SetIconLocationIndex(int32_t value) override { current.icon_index = value; }
  void SetPath(const std::string& value) override { current.path = value; }
  void SaveToFile(const std::string& file_name) override {
    if (file_name.find(fail_when_named) != std::string::npos && !fail_when_named.empty()) {
      throw EVorError("Access denied to " + file_name, ErrorKind::kReadOnly);
    }
    current.file_name = file_name;
    saved.push_back(current);
  }

  Link current;
  std::vector<Link> saved;
  std::string fail_when_named;  // a save whose file name contains this fails
};

class FakeShell : public IShellServices {
 public:
  ILinkWriter& Link() override { return link; }
  std::string GetProgramsFolder() override { return programs; }
  std::string GetDesktopFolder() override { return desktop; }
  std::string GetCommonProgramsFolder() override { return common_programs; }
  std::string GetCommonDesktopFolder() override { return common_desktop; }
  std::string GetAppDataFolder() override { return app_data; }
  bool Launch(const std::string& file_name, const std::string& parameters) override {
    launches.emplace_back(file_name, parameters);
    return true;
  }
  void RegisterServerLibrary(const std::string& dll_name) override {
    if (dll_name.find("bad") != std::string::npos)
      throw EVorError("not a library: " + dll_name, ErrorKind::kNotFound);
    registered.push_back(dll_name);
  }
  bool DiskFolderExists(const std::string& path) override {
    for (const std::string& f : existing_folders) {
      if (f == path) return true;
    }
    return false;
  }
  bool CreateFolderPath(const std::string& path) override {
    if (fail_create_folder) throw EVorError("Unable to create directory", ErrorKind::kIo);
    created_folders.push_back(path);
    return true;
  }

  FakeShortcutWriter link;
  std::string programs;
  std::string desktop;
  std::string common_programs;
  std::string common_desktop;
  std::string app_data;
  std::vector<std::string> existing_folders;
  bool fail_create_folder = false;
  std::vector<std::pair<std::string, std::string>> launches;
  std::vector<std::string> registered;
  std::vector<std::string> created_folders;
};

class FakeMessageBox : public IMessageBox {
 public:
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> errors;
};

class FakeFolderDialog : public IFolderDialog {
 public:
  bool Execute(const std::string& title, std::string* folder) override {
    titles.push_back(title);
    if (!confirm) return false;
    *folder = chosen;
    return true;
  }
  bool confirm = false;
  std::string chosen;
  std::vector<std::string> titles;
};

class FakeMessagePump : public IMessagePump {
 public:
  void ProcessMessages() override { ++calls; }
  int calls = 0;
};

// A viewer that takes rich text only when it starts as rich text does, and
// plain text unless told to refuse it.
class FakeViewer : public IRichTextViewer {
 public:
  enum class Loaded { kNothing, kRich, kPlain };

  bool LoadRichText(const std::string& bytes) override {
    ++rich_attempts;
    if (bytes.compare(0, 5, "{\\rtf") != 0) return false;
    loaded = Loaded::kRich;
    content = bytes;
    return true;
  }
  bool LoadPlainText(const std::string& bytes) override {
    ++plain_attempts;
    if (refuse_plain) return false;
    loaded = Loaded::kPlain;
    content = bytes;
    return true;
  }
  std::string SaveRichText() override {
    ++saves;
    if (fail_save) throw EVorError("cannot write the rich text", ErrorKind::kIo);
    return loaded == Loaded::kRich ? content : "{\\rtf1 " + content + "}";
  }

  bool refuse_plain = false;
  bool fail_save = false;
  Loaded loaded = Loaded::kNothing;
  std::string content;
  int rich_attempts = 0;
  int plain_attempts = 0;
  int saves = 0;
};

// All fakes together, wired into a FormServices.
struct FakeServices {
  FakeShell shell;
  FakeMessageBox message_box;
  FakeFolderDialog folder_dialog;
  FakeMessagePump message_pump;
  FakeViewer re1;
  FakeViewer re2;

  FormServices For(const std::string& program_path) {
    FormServices s;
    s.program_path = program_path;
    s.shell = &shell;
    s.message_box = &message_box;
    s.folder_dialog = &folder_dialog;
    s.message_pump = &message_pump;
    s.re1 = &re1;
    s.re2 = &re2;
    return s;
  }
};

}  // namespace vor::testing
