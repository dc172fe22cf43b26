// The terminal on Windows: the console behind the standard handles, and
// CONIN$ / CONOUT$ for prompts.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/terminal.h"

namespace vor::platform {

namespace {

DWORD HandleId(StdStream stream) {
  switch (stream) {
    case StdStream::kInput:
      return STD_INPUT_HANDLE;
    case StdStream::kOutput:
      return STD_OUTPUT_HANDLE;
    case StdStream::kError:
      break;
  }
  return STD_ERROR_HANDLE;
}

// A console handle, closed when it goes out of scope.
class ConsoleHandle {
 public:
  explicit ConsoleHandle(const char* name)
      : handle_(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~ConsoleHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  ConsoleHandle(const ConsoleHandle&) = delete;
  ConsoleHandle& operator=(const ConsoleHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool IsTerminal(StdStream stream) {
  HANDLE h = GetStdHandle(HandleId(stream));
  DWORD mode = 0;
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) == FILE_TYPE_CHAR &&
         GetConsoleMode(h, &mode) != FALSE;
}

int TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) != FALSE) {
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns > 0) return columns;
  }
  return 80;
}

bool ReadTerminalLine(const std::string& prompt, bool hide_input, std::string* line) {
  ConsoleHandle in("CONIN$");
  ConsoleHandle out("CONOUT$");
  DWORD saved = 0;
  if (!in.Valid() || !out.Valid() || GetConsoleMode(in.get(), &saved) == FALSE) return false;
  DWORD written = 0;
  WriteConsoleA(out.get(), prompt.data(), static_cast<DWORD>(prompt.size()), &written, nullptr);
  if (hide_input) SetConsoleMode(in.get(), saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::string text;
  bool ok = false;
  while (true) {
    char c = 0;
    DWORD n = 0;
    if (ReadConsoleA(in.get(), &c, 1, &n, nullptr) == FALSE || n == 0) break;
    if (c == '\n') {
      ok = true;
      break;
    }
    if (c != '\r') text += c;
  }
  if (hide_input) {
    SetConsoleMode(in.get(), saved);
    WriteConsoleA(out.get(), "\r\n", 2, &written, nullptr);
  }
  if (ok) *line = std::move(text);
  return ok;
}

void SetBinaryMode(StdStream stream) {
  FILE* file = stream == StdStream::kInput ? stdin : stream == StdStream::kOutput ? stdout : stderr;
  _setmode(_fileno(file), _O_BINARY);
}

}  // namespace vor::platform
