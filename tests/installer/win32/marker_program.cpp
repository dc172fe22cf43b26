// A program for the installer's tests under Wine: started, it writes the
// marker file "<its own path>.ran" (content "ran") and ends. The tests
// install it and check the marker to see that it was launched.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH + 8] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  const std::string marker = std::string(path, n) + ".ran";
  HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, "ran", 3, &written, nullptr);
  CloseHandle(file);
  return 0;
}
