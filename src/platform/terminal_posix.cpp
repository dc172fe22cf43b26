// The terminal on POSIX: isatty, TIOCGWINSZ and /dev/tty with termios.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "platform/terminal.h"

namespace vor::platform {

namespace {

int Descriptor(StdStream stream) {
  switch (stream) {
    case StdStream::kInput:
      return STDIN_FILENO;
    case StdStream::kOutput:
      return STDOUT_FILENO;
    case StdStream::kError:
      break;
  }
  return STDERR_FILENO;
}

// The controlling terminal, closed when it goes out of scope.
class Tty {
 public:
  Tty() : fd_(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~Tty() {
    if (fd_ >= 0) ::close(fd_);
  }
  Tty(const Tty&) = delete;
  Tty& operator=(const Tty&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Turns echo off for its lifetime and restores the previous settings.
class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (::tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ECHONL;
    active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) ::tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

bool IsTerminal(StdStream stream) { return ::isatty(Descriptor(stream)) == 1; }

int TerminalColumns() {
  winsize ws{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

bool ReadTerminalLine(const std::string& prompt, bool hide_input, std::string* line) {
  Tty tty;
  if (tty.fd() < 0 || ::isatty(tty.fd()) != 1) return false;
  WriteAll(tty.fd(), prompt);
  std::string text;
  {
    std::unique_ptr<EchoOff> quiet;
    if (hide_input) quiet = std::make_unique<EchoOff>(tty.fd());
    char c = 0;
    while (true) {
      const ssize_t n = ::read(tty.fd(), &c, 1);
      if (n <= 0) return false;
      if (c == '\n') break;
      if (c != '\r') text += c;
    }
  }
  *line = std::move(text);
  return true;
}

void SetBinaryMode(StdStream) {}

}  // namespace vor::platform
