// The input query on POSIX: the controlling terminal, when standard input is
// one. The caption and prompt go to standard error; echo is switched off
// while a hidden entry is typed. The line typed replaces the text (the
// terminal cannot offer the initial text for editing); end of input cancels.
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/input_dialog.h"

namespace vor::platform {
namespace {

// Turns terminal echo off for its lifetime.
class EchoOff {
 public:
  EchoOff() { active_ = ::tcgetattr(STDIN_FILENO, &saved_) == 0; }
  ~EchoOff() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  void Apply() {
    if (!active_) return;
    termios quiet = saved_;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool active_ = false;
};

}  // namespace

bool ShowInputDialog(const std::string& caption, const std::string& prompt, bool hide_input,
                     std::string* value) {
  if (::isatty(STDIN_FILENO) == 0) return false;
  std::fprintf(stderr, "%s\n%s", caption.c_str(), prompt.c_str());
  std::fflush(stderr);
  EchoOff echo;
  if (hide_input) echo.Apply();
  std::string line;
  const bool got = static_cast<bool>(std::getline(std::cin, line));
  if (hide_input) std::fputc('\n', stderr);
  if (!got) {
    std::cin.clear();
    return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  *value = line;
  return true;
}

}  // namespace vor::platform
