// Loading a code library into the process and calling its entries.
//
// Windows: LoadLibraryA with the open-file error box suppressed
// (SEM_NOOPENFILEERRORBOX) while it runs; POSIX: dlopen. Either way the
// floating-point environment (x87 control word, SSE control and status) is
// put back after the load, since a library's start-up code may change it.
// The library is unloaded when the object is destroyed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vor::platform {

// A failed library call: the system's code (0 on POSIX, where dlerror gives
// a text only) and the system's text for it.
struct LibraryError {
  uint32_t code = 0;
  std::string message;
};

class Library {
  struct Loaded {  // only Load makes libraries
    explicit Loaded() = default;
  };

 public:
  // The loaded library, or nullptr with *error filled.
  static std::unique_ptr<Library> Load(const std::string& path, LibraryError* error);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // The address of an exported entry, or nullptr with *error filled.
  void* Symbol(const std::string& name, LibraryError* error) const;

  Library(Loaded, void* handle) : handle_(handle) {}

 private:
  void* handle_;
};

// Calls an entry of the form HRESULT STDAPICALLTYPE Entry(void), such as
// DllRegisterServer, and returns its result code.
int32_t CallResultEntry(void* entry);

}  // namespace vor::platform
