// A program for the installer's tests under Wine: loads the library named
// on its command line by its bare name, the unprotected way; exits 0 when
// it loaded. The tests use it to show that a library planted beside a
// program is found when nothing narrows the search.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  const std::string name = command_line != nullptr ? command_line : "";
  if (name.empty()) return 2;
  return LoadLibraryA(name.c_str()) != nullptr ? 0 : 1;
}
