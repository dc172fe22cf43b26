// The shell services of the window model on Windows.
#include "shell_adapter.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include "common/error.h"

namespace vor::win32 {

void UnavailableLinkWriter::SaveToFile(const std::string& file_name) {
  throw EVorError("Shortcuts cannot be written by this program: " + file_name);
}

std::string ShellAdapter::SpecialFolder(int identifier) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(owner_, identifier, nullptr, 0, path))) return std::string();
  return path;
}

std::string ShellAdapter::GetProgramsFolder() { return SpecialFolder(CSIDL_PROGRAMS); }
std::string ShellAdapter::GetDesktopFolder() { return SpecialFolder(CSIDL_DESKTOPDIRECTORY); }
std::string ShellAdapter::GetCommonProgramsFolder() { return SpecialFolder(CSIDL_COMMON_PROGRAMS); }
std::string ShellAdapter::GetCommonDesktopFolder() {
  return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
}
std::string ShellAdapter::GetAppDataFolder() { return SpecialFolder(CSIDL_APPDATA); }

bool ShellAdapter::Launch(const std::string& file_name, const std::string& parameters) {
  const HINSTANCE result = ShellExecuteA(GetDesktopWindow(), "Open", file_name.c_str(),
                                         parameters.c_str(), nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

void ShellAdapter::RegisterServerLibrary(const std::string& dll_name) {
  throw EVorError("Servers cannot be registered by this program: " + dll_name);
}

bool ShellAdapter::DiskFolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ShellAdapter::CreateFolderPath(const std::string& path) {
  std::string folder = path;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if (folder.size() < 3 || DiskFolderExists(folder)) return true;
  const size_t slash = folder.find_last_of('\\');
  if (slash != std::string::npos && !CreateFolderPath(folder.substr(0, slash))) return false;
  return CreateDirectoryA(folder.c_str(), nullptr) != FALSE;
}

}  // namespace vor::win32
