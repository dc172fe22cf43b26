// Shell folders, opening files and the program's path on Windows.
// clang-format off
#include <windows.h>
#include <shellapi.h>  // after windows.h, which it builds on
#include <shlobj.h>  // after windows.h, which it builds on
// clang-format on

#include "platform/com_result.h"
#include "platform/shell.h"

namespace vor::platform {

bool IsWindowHandle(WindowId window) {
  return window != 0 && ::IsWindow(reinterpret_cast<HWND>(window)) != 0;
}

int32_t GetSpecialFolderPath(WindowId owner, int32_t folder, std::string* path) {
  char buffer[MAX_PATH] = {0};
  const HRESULT hr = ::SHGetFolderPathA(reinterpret_cast<HWND>(owner), folder, nullptr, 0, buffer);
  buffer[MAX_PATH - 1] = '\0';
  // S_FALSE (a known folder that does not exist yet) counts as delivered
  // when it came with a path.
  if (SUCCEEDED(hr) && buffer[0] != '\0') {
    *path = buffer;
    return kResultOk;
  }
  return FAILED(hr) ? static_cast<int32_t>(hr) : kResultFail;
}

int32_t ShellOpen(const std::string& file, const std::string& parameters) {
  const HINSTANCE result = ::ShellExecuteA(::GetDesktopWindow(), "Open", file.c_str(),
                                           parameters.c_str(), nullptr, SW_SHOWNORMAL);
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(result));
}

std::string ExecutablePath() {
  char buffer[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  if (n == 0 || n >= sizeof(buffer)) return std::string();
  return std::string(buffer, n);
}

}  // namespace vor::platform
