// Where the process looks for code libraries.
//
// A program that users start from a download folder must not load a library
// that someone put beside it under a system library's name. The program
// therefore narrows the search to the system folder before it does anything
// else, and names every library it loads itself by its full system path.
#pragma once

#include <string>

namespace vor::platform {

// How RestrictLibrarySearch narrowed the search.
enum class LibrarySearch {
  kSystemFolderOnly,  // Windows: the default directories are the system folder
  kNoProgramFolder,   // Windows without that call: the program's and the
                      // current folder are left out (the empty DLL directory)
  kUnchanged,         // POSIX: the loader never looks beside the program
};

// Narrows the library search of the whole process. On Windows:
// SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), looked up at run
// time in kernel32 (older systems lack it), else SetDllDirectoryA(""). Call
// it first thing in the program's entry; later calls change nothing.
LibrarySearch RestrictLibrarySearch();

// The full path of a system library: the system folder (GetSystemDirectoryA)
// and name on Windows; name itself on POSIX, where a bare name is looked up
// in the system's library folders only. "" when the system folder cannot be
// had.
std::string SystemLibraryPath(const std::string& name);

}  // namespace vor::platform
