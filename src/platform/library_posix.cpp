// Libraries on POSIX: dlopen, dlsym, dlclose; dlerror gives the texts.
#include <dlfcn.h>

#include <cfenv>

#include "platform/library.h"

namespace vor::platform {

namespace {

LibraryError LastError() {
  LibraryError error;
  const char* text = ::dlerror();
  error.message = text != nullptr ? text : "Unknown dynamic-linker error";
  return error;
}

}  // namespace

std::unique_ptr<Library> Library::Load(const std::string& path, LibraryError* error) {
  std::fenv_t fpu;
  std::fegetenv(&fpu);
  ::dlerror();  // clears an older error
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  const LibraryError failure = handle == nullptr ? LastError() : LibraryError();
  std::fesetenv(&fpu);
  if (handle == nullptr) {
    *error = failure;
    return nullptr;
  }
  return std::make_unique<Library>(Loaded(), handle);
}

Library::~Library() { ::dlclose(handle_); }

void* Library::Symbol(const std::string& name, LibraryError* error) const {
  ::dlerror();
  void* entry = ::dlsym(handle_, name.c_str());
  if (entry == nullptr) {
    *error = LastError();
    return nullptr;
  }
  return entry;
}

int32_t CallResultEntry(void* entry) {
  using Entry = int32_t (*)();
  return reinterpret_cast<Entry>(entry)();
}

}  // namespace vor::platform
