// Stand-ins for what the window model reaches outside itself: they record
// what the model asked for and answer as the test sets them up. The shell
// services are the shell subsystem's one fake (shell/fake_shell_services.h).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "installer/wizard/form_services.h"
#include "shell/fake_shell_services.h"

namespace vor::testing {

class FakeMessageBox : public IMessageBox {
 public:
  void ShowError(const std::string& text) override { errors.push_back(text); }
  bool Ask(const std::string& text) override {
    questions.push_back(text);
    return answer;
  }
  std::vector<std::string> errors;
  std::vector<std::string> questions;
  bool answer = false;
};

// Installed copies by application name.
class FakeInstalledPrograms : public IInstalledPrograms {
 public:
  bool Find(const std::string& app_name, InstalledCopy* copy) override {
    const auto it = copies.find(app_name);
    if (it == copies.end()) return false;
    *copy = it->second;
    return true;
  }
  std::map<std::string, InstalledCopy> copies;
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
  void ProcessMessages() override {
    ++calls;
    if (on_pump) on_pump();
  }
  int calls = 0;
  // Run on every call, to look at the window as it would be painted.
  std::function<void()> on_pump;
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
  FakeShellServices shell;
  FakeMessageBox message_box;
  FakeFolderDialog folder_dialog;
  FakeMessagePump message_pump;
  FakeViewer re1;
  FakeViewer re2;
  FakeInstalledPrograms installed;
  FreeBytesQuery free_bytes;  // empty: the system's own

  FormServices For(const std::string& program_path) {
    FormServices s;
    s.program_path = program_path;
    s.shell = &shell;
    s.message_box = &message_box;
    s.folder_dialog = &folder_dialog;
    s.message_pump = &message_pump;
    s.re1 = &re1;
    s.re2 = &re2;
    s.installed_programs = &installed;
    s.free_bytes = free_bytes;
    return s;
  }
};

}  // namespace vor::testing
