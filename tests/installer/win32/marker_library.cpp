// A library for the installer's tests under Wine, copied beside a program
// under the names of system libraries: loaded into a process, it writes the
// marker file "<its own path>.loaded" (content: the loading program's path)
// and refuses the load, so that the process goes on with the real library
// where the loader offers one. The tests check that no such marker appears
// beside the installer.
#include <windows.h>

#include <string>

namespace {

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH + 8] = {};
  const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : std::string(path, n);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  const std::string self = ModulePath(instance);
  if (self.empty()) return TRUE;
  const std::string program = ModulePath(nullptr);
  HANDLE file = CreateFileA((self + ".loaded").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, program.data(), static_cast<DWORD>(program.size()), &written, nullptr);
    CloseHandle(file);
  }
  return FALSE;
}
