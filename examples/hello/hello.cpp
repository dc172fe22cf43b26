// Hello: the example program the example installer installs. It shows a
// greeting and ends.
//
// This program is the payload of the example package, not part of the
// installer system, so it talks to Windows directly.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Hello! This program was installed by the VOR example installer.", "Hello",
              MB_OK | MB_ICONINFORMATION);
  return 0;
}
