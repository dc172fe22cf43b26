// The shell services of the window model on Windows.
#include "shell_adapter.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

namespace vor::win32 {

std::string ShellAdapter::GetCommonProgramsFolder() {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(owner_, CSIDL_COMMON_PROGRAMS, nullptr, 0, path))) {
    return std::string();
  }
  return path;
}

bool ShellAdapter::Launch(const std::string& file_name, const std::string& parameters) {
  const HINSTANCE result = ShellExecuteA(GetDesktopWindow(), "Open", file_name.c_str(),
                                         parameters.c_str(), nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace vor::win32
